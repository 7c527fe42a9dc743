// Statistics of whole arrays: argument checks around the one-pass kernels.
#include "functions/arrays/statistics_functions.h"

#include <span>

#include "engine/calc_info.h"
#include "engine/var_entry.h"
#include "functions/arrays/array_statistics.h"

namespace NuvixParser {
namespace {

// The elements of the array argument, or nothing after raising the error: `message` when
// the argument is not written arr[], "<name>: a is not an array" (the name being what
// `message` starts with) when the name belongs to a scalar.
bool ArrayArgument(const TFunction& f, TCalcInfo& ci, const char* message, std::span<const double>& x) {
    if (!f.ArgIsArray(0)) {
        ci.SetError(message);
        return false;
    }
    const TArrayEntry* a = f.ArgArray(0);
    if (!a) {
        const std::string_view text = message;
        f.ReportNotAnArray(ci, 0, text.substr(0, text.find(':')));
        return false;
    }
    x = std::span<const double>(a->Data(), static_cast<std::size_t>(a->Length()));
    return true;
}

} // namespace

void TMean::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    std::span<const double> x;
    if (ArrayArgument(*this, ci, "Mean: Array expected", x)) result.SetNumber(MeanOf(x));
}

void TStdDev::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    std::span<const double> x;
    if (ArrayArgument(*this, ci, "StdDev: Array expected", x)) result.SetNumber(RootMeanSquareOf(x));
}

void TArrMin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    std::span<const double> x;
    const char* message = ArgOperand(0) ? "arraymin: Not an array" : "arraymin: Variable expected";
    if (ArrayArgument(*this, ci, message, x)) result.SetNumber(MinOf(x));
}

void TArrMax::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    std::span<const double> x;
    if (ArrayArgument(*this, ci, "arraymax: Array expected", x)) result.SetNumber(MaxOf(x));
}

void TSeekMin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    std::span<const double> x;
    if (ArrayArgument(*this, ci, "seekmin: Array expected", x)) result.SetNumber(SeekMinOf(x));
}

void TSeekMax::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    std::span<const double> x;
    if (ArrayArgument(*this, ci, "seekmax: Array expected", x)) result.SetNumber(SeekMaxOf(x));
}

} // namespace NuvixParser
