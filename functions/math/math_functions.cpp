// The math area's rows and their compute steps.
#include "functions/math/math_functions.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "engine/builtin_call.h"
#include "engine/conversions.h"
#include "functions/math/conversion_functions.h"

namespace NuvixParser {
namespace {

// These work on the numeric reading of their arguments with the double-precision library
// routines; a value outside a routine's domain (log(0), arcsin(2)) gives the library's
// infinity or NaN, which flows on as a number. Only sqrt raises a script error.

double Number(TBuiltinCall& f, int i) {
    return f.Value(i).GetNumber();
}

double Pi(TBuiltinCall&, TCalcInfo&) {
    return std::numbers::pi;
}

double Sqrt(TBuiltinCall& f, TCalcInfo& ci) {
    const double a = Number(f, 0);
    // Written so that NaN fails too: every comparison with NaN is false.
    if (!(a >= 0)) {
        ci.SetError("Sqrt: negative argument not allowed");
        return 0;
    }
    return std::sqrt(a);
}

double Sig(TBuiltinCall& f, TCalcInfo&) {
    const double a = Number(f, 0);
    // NaN fails both tests and counts as negative.
    if (a > 0) return 1;
    if (a >= 0) return 0;
    return -1;
}

double Mod(TBuiltinCall& f, TCalcInfo&) {
    // fmod, not remainder: the result takes the sign of the dividend (mod(-7;3) is -1).
    return std::fmod(Number(f, 0), Number(f, 1));
}

// ---- bit logic --------------------------------------------------------------------------
// and, or, xor, shl and shr work on the integer readings of their arguments (truncated
// toward zero, low 32 bits) and return the 32-bit result read as signed. Shift counts use
// their low five bits only, so shl(1;33) is 2; shr is a logical shift: zeros enter at the
// top, so shr(-1;28) is 15.

// The integer reading of argument i as an unsigned 32-bit pattern, so shifts and masks
// are well defined for negative values.
std::uint32_t Bits(const TBuiltinCall& f, int i) {
    return static_cast<std::uint32_t>(f.Value(i).GetInt());
}

// The pattern read back as a signed 32-bit value (two's complement).
double Signed(std::uint32_t bits) {
    return static_cast<std::int32_t>(bits);
}

double And(TBuiltinCall& f, TCalcInfo&) {
    return Signed(Bits(f, 0) & Bits(f, 1));
}
double Or(TBuiltinCall& f, TCalcInfo&) {
    return Signed(Bits(f, 0) | Bits(f, 1));
}
double Xor(TBuiltinCall& f, TCalcInfo&) {
    return Signed(Bits(f, 0) ^ Bits(f, 1));
}
double Shl(TBuiltinCall& f, TCalcInfo&) {
    return Signed(Bits(f, 0) << (Bits(f, 1) & 31u));
}
double Shr(TBuiltinCall& f, TCalcInfo&) {
    return Signed(Bits(f, 0) >> (Bits(f, 1) & 31u));
}

// Compares the numeric reading with 0, so not(0.5) is 0 and NaN counts as non-zero.
double Not(TBuiltinCall& f, TCalcInfo&) {
    return Number(f, 0) == 0 ? 1 : 0;
}

// ---- conversion -------------------------------------------------------------------------

double ToNumber(TBuiltinCall& f, TCalcInfo&) {
    return Number(f, 0);
}

// string and dez2hex evaluate their argument into the caller's result and convert it there.
void ToString(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    f.Arg(0)->Evaluate(ci, result);
    if (ci.error || result.isString) return;
    const double v = result.number;
    result.text.clear();
    AppendNumber(result.text, v);
    result.isString = true;
}

void DezHex(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    f.Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    result.SetString(FormatHex32(static_cast<std::uint32_t>(result.GetInt())));
}

double HexDez(TBuiltinCall& f, TCalcInfo& ci) {
    const TReturnValue& v = f.Value(0);
    if (!v.isString) {
        ci.SetError("HexDez: String expected");
        return 0;
    }
    return static_cast<std::int32_t>(ReadHex32(v.text));
}

// ---- time -------------------------------------------------------------------------------

using TClock = std::chrono::steady_clock;

const TClock::time_point kProgramStart = TClock::now();

thread_local std::uint32_t tlsRandomSeed = 1;

double Random(TBuiltinCall&, TCalcInfo&) {
    tlsRandomSeed = tlsRandomSeed * 22695477u + 1u; // unsigned: wraps modulo 2^32
    const std::uint32_t r = (tlsRandomSeed >> 16) & 0x7FFFu;
    return static_cast<double>(r) / 32767.0;
}

double GetTime(TBuiltinCall&, TCalcInfo&) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - kProgramStart);
    return static_cast<std::uint32_t>(elapsed.count());
}

double Sleep(TBuiltinCall& f, TCalcInfo& ci) {
    const std::int32_t ms = f.Value(0).GetInt();
    if (ms > 0 && ci.BreakEvent().WaitFor(std::chrono::milliseconds(ms))) ci.SetBreaked();
    return 1;
}

double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Sinh(double x) { return std::sinh(x); }
double Cosh(double x) { return std::cosh(x); }
double Tanh(double x) { return std::tanh(x); }
double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Atan(double x) { return std::atan(x); }
double Exp(double x) { return std::exp(x); }
double Log(double x) { return std::log(x); }
double Abs(double x) { return std::fabs(x); }
double Floor(double x) { return std::floor(x); }
double Ceil(double x) { return std::ceil(x); }

constexpr TBuiltin kMathFunctions[] = {
    {.name = "shl", .params = "nn", .description = "Shifts <a> logically left by <b> bits.", .number = Shl},
    {.name = "shr", .params = "nn", .description = "Shifts <a> logically right by <b> bits.", .number = Shr},
    {.name = "and",
     .params = "nn",
     .description = "Performs a logical 'and' between <a> and <b> and returns the result.",
     .number = And},
    {.name = "or",
     .params = "nn",
     .description = "Performs a logical 'or' between <a> and <b> and returns the result.",
     .number = Or},
    {.name = "xor",
     .params = "nn",
     .description = "Performs a logical 'xor' between <a> and <b> and returns the result.",
     .number = Xor},
    {.name = "number",
     .params = "v",
     .description = "Forces <a> to be evaluated as a number.",
     .example = "number('1')+number('2')",
     .explanation = "This returns 3.",
     .seeAlso = "string(s)",
     .number = ToNumber},
    {.name = "string",
     .params = "v",
     .paramText = "s",
     .description = "Forces <s> to be evaluated as a string.",
     .example = "string(1)+string(2)",
     .explanation = "This returns the string '12'.",
     .seeAlso = "number(a)",
     .lazy = ToString},
    {.name = "pi", .description = "Returns Pi.", .number = Pi},
    {.name = "sin", .params = "n", .description = "Returns the sine of <a>.", .unary = Sin},
    {.name = "cos", .params = "n", .description = "Returns the cosine of <a>.", .unary = Cos},
    {.name = "tan", .params = "n", .description = "Returns the tangent of <a>.", .unary = Tan},
    {.name = "sinh", .params = "n", .description = "Returns the hyperbolic sine of <a>.", .unary = Sinh},
    {.name = "cosh", .params = "n", .description = "Returns the hyperbolic cosine of <a>.", .unary = Cosh},
    {.name = "tanh", .params = "n", .description = "Returns the hyperbolic tangent of <a>.", .unary = Tanh},
    {.name = "arcsin", .params = "n", .description = "Returns the arc sine of <a>.", .unary = Asin},
    {.name = "arccos", .params = "n", .description = "Returns the arc cosine of <a>.", .unary = Acos},
    {.name = "arctan", .params = "n", .description = "Returns the arc tangent of <a>.", .unary = Atan},
    {.name = "exp", .params = "n", .description = "Returns e raised to the <a>'th power.", .seeAlso = "log(a)", .unary = Exp},
    {.name = "log", .params = "n", .description = "Returns the natural logarithm of <a>.", .seeAlso = "exp(a)", .unary = Log},
    {.name = "abs", .params = "n", .description = "Returns the absolute value of <a>.", .unary = Abs},
    {.name = "sig",
     .params = "n",
     .description = "Returns the sign of <a>. If <a> is negative, sig(a) returns -1. If <a> is positive sig(a) "
                    "return 1 and otherwise 0.",
     .number = Sig},
    {.name = "mod", .params = "nn", .description = "Returns <a> modulo <b>.", .number = Mod},
    {.name = "sqrt", .params = "n", .description = "Returns the square root of <a>.", .number = Sqrt},
    {.name = "random", .description = "Returns a random number in the range from 0 to 1.", .number = Random},
    {.name = "sleep", .params = "n", .description = "Holds execution <a> milliseconds.", .number = Sleep},
    {.name = "gettime",
     .description = "Returns the number of milliseconds since the calculator has been started.",
     .number = GetTime},
    {.name = "not",
     .params = "n",
     .description = "Logically inverts <a>: If <a> is zero, 1 is returned, otherwise 0 is returned.",
     .number = Not},
    {.name = "floor",
     .params = "n",
     .description = "Rounds <a> down to the biggest integer that is less or equal <a>.",
     .unary = Floor},
    {.name = "ceil",
     .params = "n",
     .description = "Rounds <a> up to the smallest integer that is greater or equal <a>.",
     .unary = Ceil},
    {.name = "dez2hex",
     .params = "n",
     .description = "Converts <a> into an hexadecimal representation.",
     .example = "dez2hex(10)",
     .explanation = "This returns 'A'.",
     .seeAlso = "hex2dez(s)",
     .lazy = DezHex},
    {.name = "hex2dez",
     .params = "s",
     .paramText = "s",
     .description = "Converts the hexadecimal string <s> into decimal.",
     .example = "hex2dez('a')",
     .explanation = "This returns 10.",
     .seeAlso = "dez2hex(a)",
     .number = HexDez},
};

} // namespace

std::span<const TBuiltin> MathFunctionTable() {
    return kMathFunctions;
}

} // namespace NuvixParser
