// Whole-array functions, and the registration table of the array area.
#include "functions/arrays/array_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "engine/operands.h"
#include "engine/var_entry.h"
#include "functions/arrays/index_sort.h"
#include "functions/arrays/array_statistics.h"

namespace NuvixParser {
namespace {

// ---- length -----------------------------------------------------------------------------

// The byte count of a text, or the element count of an array argument.
void Length(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    // A text variable is measured where it lies: evaluating it would copy the whole text,
    // which makes a loop like while(length(s)<n; ...) quadratic.
    if (const auto* var = dynamic_cast<const TOperand*>(f.Arg(0))) {
        const TVarEntry* e = var->Entry();
        if (e && e->hasValue && e->isString) {
            result.SetNumber(static_cast<double>(e->text.size()));
            return;
        }
    }
    // An array argument is evaluated too (as its element 0), which also reports an
    // element index outside the array.
    f.Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    if (result.isString) {
        result.SetNumber(static_cast<double>(result.text.size()));
    } else if (f.ArgIsArray(0)) {
        const TArrayEntry* a = f.ArgArray(0);
        if (!a) return f.ReportNotAnArray(ci, 0, "Length");
        result.SetNumber(a->Length());
    } else {
        ci.SetError("Length: Array or string expected");
    }
}

// ---- clear ------------------------------------------------------------------------------

// Length 0 and the storage released. Returns 1.
void Clear(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    if (ci.error) return;
    if (!f.ArgIsArray(0)) {
        ci.SetError("Clear: Array expected");
        return;
    }
    TArrayEntry* a = f.ArgArray(0);
    if (!a) {
        f.ReportNotAnArray(ci, 0, "Clear");
        return;
    }
    a->Clear();
    result.SetNumber(1);
}

// ---- append -----------------------------------------------------------------------------

// A second argument written b[] appends that whole array (a[] itself doubles); anything
// else is evaluated and its numeric reading appended. Returns the new length.
void Append(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    if (!f.ArgIsArray(0)) {
        ci.SetError("Append: First argument is not an array");
        return;
    }
    if (f.ArgIsArray(1)) {
        TArrayEntry* a = f.ArgArray(0);
        const TArrayEntry* b = f.ArgArray(1);
        if (!a || !b) {
            result.SetNumber(0);
            return;
        }
        const std::int32_t before = a->Length();
        const std::int32_t after = a->Append(*b);
        if (b->Length() > 0 && after == before) {
            ci.SetError("Append: Array too long");
            return;
        }
        result.SetNumber(after);
        return;
    }
    // The value is evaluated before the array is looked at: it may change the array.
    f.Arg(1)->Evaluate(ci, result);
    if (ci.error) return;
    const double v = result.GetNumber();
    TArrayEntry* a = f.ArgArray(0);
    if (!a) {
        result.SetNumber(0);
        return;
    }
    if (!a->SetElement(a->Length(), v)) {
        ci.SetError("Append: Array too long");
        return;
    }
    result.SetNumber(a->Length());
}

// ---- arraycopy --------------------------------------------------------------------------

// target[] becomes src[start .. start+count-1], cut at the end of src[]; a negative start
// counts as 0. The result is the number of copied elements when something was copied,
// otherwise min(length(src[]) - start, count): 0, or negative when start lies beyond the
// end or count is negative (target[] is then empty). target[] and src[] may be one array.
void ArrayCopy(TBuiltinCall& f, TCalcInfo&, TReturnValue& result) {
    TArrayEntry* target = f.Array(0);
    const TArrayEntry* src = f.Array(1);
    const TReturnValue& start = f.Value(2);
    const TReturnValue& count = f.Value(3);
    const std::int64_t s = std::max<std::int32_t>(start.GetInt(), 0);
    const std::int64_t h = std::min<std::int64_t>(src->Length() - s, count.GetInt());
    if (h >= 1) {
        // The part is taken out before the target lets go of its storage, so a target that
        // is also the source receives the same part as a different array would.
        TArrayEntry part{std::string()};
        part.SetLength(h);
        std::memcpy(part.Data(), src->Data() + s, static_cast<std::size_t>(h) * sizeof(double));
        target->MoveFrom(part);
    } else {
        target->Clear();
    }
    result.SetNumber(static_cast<double>(h));
}

// ---- sort -------------------------------------------------------------------------------

// b[] receives the indices of a[] in ascending order of value; equal values keep their
// index order and NaN values come last. b[] may be a[] itself. Returns length(a[]).
void Sort(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    if (!f.ArgIsArray(0)) {
        ci.SetError("Sort: First argument is not an array");
        return;
    }
    if (!f.ArgIsArray(1)) {
        ci.SetError("Sort: Second argument is not an array");
        return;
    }
    const TArrayEntry* a = f.ArgArray(0);
    TArrayEntry* b = f.ArgArray(1);
    if (!a || !b) {
        f.ReportNotAnArray(ci, a ? 1 : 0, "Sort");
        return;
    }
    const std::int32_t n = a->Length();
    // Written into fresh storage that then replaces b's, so b may be a itself.
    TArrayEntry order{std::string()};
    order.SetLength(n);
    SortIndices({a->Data(), static_cast<std::size_t>(n)}, {order.Data(), static_cast<std::size_t>(n)});
    b->MoveFrom(order);
    result.SetNumber(n);
}

// ---- scroll -----------------------------------------------------------------------------

// A window of the last `length` values: below that length the array grows by one, at or
// above it the oldest elements are dropped. The length is truncated toward zero first; a
// length below 1 (negative and NaN included) leaves an empty array. Returns the new length,
// or -1 when the name belongs to a scalar (no error).
void Scroll(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    if (!f.ArgIsArray(0)) {
        ci.SetError("Scroll: Array expected as 1st argument");
        return;
    }
    TReturnValue value;
    TReturnValue length;
    f.Arg(1)->Evaluate(ci, value);
    if (!ci.error) f.Arg(2)->Evaluate(ci, length);
    if (ci.error) return;
    TArrayEntry* a = f.ArgArray(0);
    if (!a) {
        result.SetNumber(-1);
        return;
    }
    const double v = value.GetNumber();
    double wanted = std::trunc(length.GetNumber());
    if (!(wanted > 0)) wanted = 0; // negative and NaN
    const std::int32_t n = a->Length();
    if (n < wanted) {
        if (!a->SetElement(n, v)) {
            ci.SetError("Scroll: Array too long");
            return;
        }
    } else if (wanted < 1) {
        a->Clear();
    } else {
        // Keep the newest keep-1 elements at the front, then put the value after them.
        const auto keep = static_cast<std::int32_t>(wanted); // 1 <= keep <= n
        double* d = a->Data();
        std::memmove(d, d + (n - keep + 1), static_cast<std::size_t>(keep - 1) * sizeof(double));
        if (keep != n) a->SetLength(keep);
        a->SetElement(keep - 1, v);
    }
    result.SetNumber(a->Length());
}

// ---- statistics --------------------------------------------------------------------------
// Each reads the bound array's element block in one pass, without evaluating the argument.

std::span<const double> Elements(const TArrayEntry& a) {
    return {a.Data(), static_cast<std::size_t>(a.Length())};
}

double Mean(TBuiltinCall& f, TCalcInfo&) {
    return MeanOf(Elements(*f.Array(0)));
}

// The root mean square around zero, not the spread around the mean; NaN for an empty array.
double StdDev(TBuiltinCall& f, TCalcInfo&) {
    return RootMeanSquareOf(Elements(*f.Array(0)));
}

// -INF for an empty array; NaN elements are skipped.
double ArrMax(TBuiltinCall& f, TCalcInfo&) {
    return MaxOf(Elements(*f.Array(0)));
}

// The first index of the smallest value, 0 for an empty array. Unlike arraymin, arraymax
// and seekmax it takes a NaN element, and then the element after it whatever its value.
double SeekMin(TBuiltinCall& f, TCalcInfo&) {
    return SeekMinOf(Elements(*f.Array(0)));
}

// The first index of the largest value, 0 for an empty array; NaN elements are skipped.
double SeekMax(TBuiltinCall& f, TCalcInfo&) {
    return SeekMaxOf(Elements(*f.Array(0)));
}

// +INF for an empty array; NaN elements are skipped. The only statistic that tells a
// non-variable argument from a scalar variable.
void ArrMin(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    if (!f.ArgIsArray(0)) return ci.SetError(f.ArgOperand(0) ? "arraymin: Not an array" : "arraymin: Variable expected");
    const TArrayEntry* a = f.ArgArray(0);
    if (!a) return f.ReportNotAnArray(ci, 0, "arraymin");
    result.SetNumber(MinOf(Elements(*a)));
}

// ---- registration -----------------------------------------------------------------------

constexpr TBuiltin kArrayFunctions[] = {
    {.name = "length",
     .params = "e",
     .paramText = "a or arr[]",
     .description = "Returns the length of the string <a> or the number of elements of <arr[]>.",
     .example = "length(string(1000))",
     .explanation = "This returns 4 (i.e. the length of the string '1000').",
     .lazy = Length},
    {.name = "clear",
     .params = "r",
     .paramText = "arr[]",
     .description = "This clears <arr[]> (sets its length to 0).",
     .lazy = Clear},
    {.name = "mean",
     .params = "l",
     .paramText = "arr[]",
     .description = "Returns the arithmetic mean value of arr[] or zero if length(arr[]) is zero.",
     .seeAlso = "stddev(arr[])",
     .where = "Mean",
     .arrayExpected = "Mean: Array expected",
     .number = Mean},
    {.name = "stddev",
     .params = "l",
     .paramText = "arr[]",
     .description = "Returns the root mean square deviation of <arr[]> from zero.",
     .seeAlso = "mean(arr[])",
     .where = "StdDev",
     .arrayExpected = "StdDev: Array expected",
     .number = StdDev},
    {.name = "arraymin",
     .params = "e",
     .paramText = "arr[]",
     .description = "Returns the minimum value in <arr[]>.",
     .lazy = ArrMin},
    {.name = "arraymax",
     .params = "l",
     .paramText = "arr[]",
     .description = "Returns the maximum value in <arr[]>.",
     .where = "arraymax",
     .arrayExpected = "arraymax: Array expected",
     .number = ArrMax},
    {.name = "seekmin",
     .params = "l",
     .paramText = "arr[]",
     .description = "Returns the position of the minimum value in <arr[]>.",
     .seeAlso = "seekmax(arr[])",
     .where = "seekmin",
     .arrayExpected = "seekmin: Array expected",
     .number = SeekMin},
    {.name = "seekmax",
     .params = "l",
     .paramText = "arr[]",
     .description = "Returns the position of the maximum value in <arr[]>.",
     .seeAlso = "seekmin(arr[])",
     .where = "seekmax",
     .arrayExpected = "seekmax: Array expected",
     .number = SeekMax},
    {.name = "append",
     .params = "re",
     .paramText = "a[];b[] or a[];b",
     .description = "Appends the array <b[]> or the value <b> to <a[]> and returns the new length of <a[]>.",
     .example = "a[0]=1,\nappend(a[];2),\nappend(a[];a[])",
     .explanation = "This returns 4 (i.e. a[] then holds the elements 1, 2, 1, 2).",
     .seeAlso = "arraycopy(target[];src[];start;count)",
     .lazy = Append},
    {.name = "arraycopy",
     .params = "aann",
     .paramText = "target[];src[];start;count",
     .description = "Copies <count> elements of <src[]>, starting at element <start>, into <target[]>. Returns "
                    "the "
                    "number of copied elements.",
     .seeAlso = "append(arr1[];arr2[])",
     .where = "ArrayCopy",
     .value = ArrayCopy},
    {.name = "sort",
     .params = "rr",
     .paramText = "a[];b[]",
     .description = "Leaves <a[]> unchanged and returns in <b[]> the indices of <a[]> in ascending order of "
                    "value. "
                    "Returns the number of elements.",
     .example = "for(i=0;i<100;i+=1;a[i]=random()),\nsort(a[];b[]),\nprint('Maximum: "
                "'),\nprintln(a[b[length(b[])"
                "-1]]),\nprint('Minimum: '),\nprintln(a[b[0]])",
     .explanation = "This prints the largest and the smallest of 100 random numbers to the output window.",
     .lazy = Sort},
    {.name = "scroll",
     .params = "lnn",
     .paramText = "arr[];value;length",
     .description = "Appends <value> to <arr[]> and drops elements at the front so that <arr[]> keeps <length> "
                    "elements.",
     .lazy = Scroll},
};

} // namespace

std::span<const TBuiltin> ArrayFunctionTable() {
    return kArrayFunctions;
}

} // namespace NuvixParser
