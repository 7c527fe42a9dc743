// Numeric built-ins, and the registration table of the math area.
#include "functions/math/math_functions.h"

#include <cmath>
#include <numbers>

#include "engine/calc_info.h"
#include "functions/math/conversion_functions.h"
#include "functions/math/logic_functions.h"
#include "functions/math/time_functions.h"

namespace NuvixParser {

// Each body computes in double precision, as the script's numbers are doubles; the
// widening to Compute's long double and back is exact.

long double TPi::Compute(TCalcInfo&) {
    return std::numbers::pi;
}

long double TSqrt::Compute(TCalcInfo& ci) {
    const double a = Value(0).GetNumber();
    // Written so that NaN fails too: every comparison with NaN is false.
    if (!(a >= 0)) {
        ci.SetError("Sqrt: negative argument not allowed");
        return 0;
    }
    return std::sqrt(a);
}

long double TSigFunc::Compute(TCalcInfo&) {
    const double a = Value(0).GetNumber();
    // NaN fails both tests and counts as negative.
    if (a > 0) return 1;
    if (a >= 0) return 0;
    return -1;
}

long double TModFunc::Compute(TCalcInfo&) {
    // fmod, not remainder: the result takes the sign of the dividend (mod(-7;3) is -1).
    return std::fmod(Value(0).GetNumber(), Value(1).GetNumber());
}

namespace {

constexpr TFunctionTableEntry kMathFunctions[] = {
    {"shl", &MakeFunction<TLogShl>},     {"shr", &MakeFunction<TLogShr>},
    {"and", &MakeFunction<TLogAnd>},     {"or", &MakeFunction<TLogOr>},
    {"xor", &MakeFunction<TLogXor>},     {"number", &MakeFunction<TNumber>},
    {"string", &MakeFunction<TString>},  {"pi", &MakeFunction<TPi>},
    {"sin", &MakeFunction<TSin>},        {"cos", &MakeFunction<TCos>},
    {"tan", &MakeFunction<TTan>},        {"sinh", &MakeFunction<TSinh>},
    {"cosh", &MakeFunction<TCosh>},      {"tanh", &MakeFunction<TTanh>},
    {"arcsin", &MakeFunction<TAsin>},    {"arccos", &MakeFunction<TAcos>},
    {"arctan", &MakeFunction<TAtan>},    {"exp", &MakeFunction<TExpFunc>},
    {"log", &MakeFunction<TLogFunc>},    {"abs", &MakeFunction<TAbsFunc>},
    {"sig", &MakeFunction<TSigFunc>},    {"mod", &MakeFunction<TModFunc>},
    {"sqrt", &MakeFunction<TSqrt>},      {"random", &MakeFunction<TRandom>},
    {"sleep", &MakeFunction<TSleep>},    {"gettime", &MakeFunction<TCurTime>},
    {"not", &MakeFunction<TNot>},        {"floor", &MakeFunction<TFloor>},
    {"ceil", &MakeFunction<TCeil>},      {"dez2hex", &MakeFunction<TDezHex>},
    {"hex2dez", &MakeFunction<THexDez>},
};

} // namespace

std::span<const TFunctionTableEntry> MathFunctionTable() {
    return kMathFunctions;
}

} // namespace NuvixParser
