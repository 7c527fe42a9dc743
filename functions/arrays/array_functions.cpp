// Whole-array functions, and the registration table of the array area.
#include "functions/arrays/array_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/calc_info.h"
#include "engine/operands.h"
#include "engine/stack_guard.h"
#include "engine/var_entry.h"
#include "functions/arrays/index_sort.h"
#include "functions/arrays/statistics_functions.h"

namespace NuvixParser {

// ---- length -----------------------------------------------------------------------------

void TLength::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    // A text variable is measured where it lies: evaluating it would copy the whole text,
    // which makes a loop like while(length(s)<n; ...) quadratic.
    if (const auto* var = dynamic_cast<const TOperand*>(Arg(0))) {
        const TVarEntry* e = var->Entry();
        if (e && e->hasValue && e->isString) {
            result.SetNumber(static_cast<double>(e->text.size()));
            return;
        }
    }
    // An array argument is evaluated too (as its element 0), which also reports an
    // element index outside the array.
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    if (result.isString) {
        result.SetNumber(static_cast<double>(result.text.size()));
    } else if (ArgIsArray(0)) {
        const TArrayEntry* a = ArgArray(0);
        if (!a) return ReportNotAnArray(ci, 0, "Length");
        result.SetNumber(a->Length());
    } else {
        ci.SetError("Length: Array or string expected");
    }
}

// ---- clear ------------------------------------------------------------------------------

bool TClear::CheckArguments() {
    return ArgOperand(0) != nullptr;
}

void TClear::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (ci.error) return;
    if (!ArgIsArray(0)) {
        ci.SetError("Clear: Array expected");
        return;
    }
    TArrayEntry* a = ArgArray(0);
    if (!a) {
        ReportNotAnArray(ci, 0, "Clear");
        return;
    }
    a->Clear();
    result.SetNumber(1);
}

// ---- append -----------------------------------------------------------------------------

bool TAppend::CheckArguments() {
    return ArgOperand(0) != nullptr;
}

void TAppend::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    if (!ArgIsArray(0)) {
        ci.SetError("Append: First argument is not an array");
        return;
    }
    if (ArgIsArray(1)) {
        TArrayEntry* a = ArgArray(0);
        const TArrayEntry* b = ArgArray(1);
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
    Arg(1)->Evaluate(ci, result);
    if (ci.error) return;
    const double v = result.GetNumber();
    TArrayEntry* a = ArgArray(0);
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

bool TArrayCopy::CheckArguments() {
    return ArgIsArray(0) && ArgIsArray(1);
}

void TArrayCopy::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    // Scratch values rather than the argument slots: an argument that calls a user
    // function can reach this very node again.
    TReturnValue start;
    TReturnValue count;
    Arg(2)->Evaluate(ci, start);
    if (!ci.error) Arg(3)->Evaluate(ci, count);
    if (ci.error) return;
    TArrayEntry* target = ArgArray(0);
    const TArrayEntry* src = ArgArray(1);
    if (!target || !src) return ReportNotAnArray(ci, target ? 1 : 0, "ArrayCopy");
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

bool TSort::CheckArguments() {
    return ArgOperand(0) != nullptr && ArgOperand(1) != nullptr;
}

void TSort::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (!ArgIsArray(0)) {
        ci.SetError("Sort: First argument is not an array");
        return;
    }
    if (!ArgIsArray(1)) {
        ci.SetError("Sort: Second argument is not an array");
        return;
    }
    const TArrayEntry* a = ArgArray(0);
    TArrayEntry* b = ArgArray(1);
    if (!a || !b) {
        ReportNotAnArray(ci, a ? 1 : 0, "Sort");
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

void TScroll::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    if (!ArgIsArray(0)) {
        ci.SetError("Scroll: Array expected as 1st argument");
        return;
    }
    TReturnValue value;
    TReturnValue length;
    Arg(1)->Evaluate(ci, value);
    if (!ci.error) Arg(2)->Evaluate(ci, length);
    if (ci.error) return;
    TArrayEntry* a = ArgArray(0);
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

// ---- registration -----------------------------------------------------------------------

namespace {

constexpr TFunctionTableEntry kArrayFunctions[] = {
    {"length", &MakeFunction<TLength>},   {"clear", &MakeFunction<TClear>},
    {"mean", &MakeFunction<TMean>},       {"stddev", &MakeFunction<TStdDev>},
    {"arraymin", &MakeFunction<TArrMin>}, {"arraymax", &MakeFunction<TArrMax>},
    {"seekmin", &MakeFunction<TSeekMin>}, {"seekmax", &MakeFunction<TSeekMax>},
    {"append", &MakeFunction<TAppend>},   {"arraycopy", &MakeFunction<TArrayCopy>},
    {"sort", &MakeFunction<TSort>},       {"scroll", &MakeFunction<TScroll>},
};

} // namespace

std::span<const TFunctionTableEntry> ArrayFunctionTable() {
    return kArrayFunctions;
}

} // namespace NuvixParser
