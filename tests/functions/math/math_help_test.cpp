// The math area's registration table and the help texts of its thirty-one functions.
#include <gtest/gtest.h>

#include "engine/function_registry.h"
#include "functions/math/math_functions.h"
#include "tests/functions/help_texts.h"

namespace {

using NuvixTest::THelpRow;

constexpr THelpRow kMathHelp[] = {
    {"shl", "shl(a;b)", "Shifts <a> logically left by <b> bits."},
    {"shr", "shr(a;b)", "Shifts <a> logically right by <b> bits."},
    {"and", "and(a;b)", "Performs a logical 'and' between <a> and <b> and returns the result."},
    {"or", "or(a;b)", "Performs a logical 'or' between <a> and <b> and returns the result."},
    {"xor", "xor(a;b)", "Performs a logical 'xor' between <a> and <b> and returns the result."},
    {"number", "number(a)", "Forces <a> to be evaluated as a number.", "number('1')+number('2')",
     "This returns 3.", "string(s)"},
    {"string", "string(s)", "Forces <s> to be evaluated as a string.", "string(1)+string(2)",
     "This returns the string '12'.", "number(a)"},
    {"pi", "pi()", "Returns Pi."},
    {"sin", "sin(a)", "Returns the sine of <a>."},
    {"cos", "cos(a)", "Returns the cosine of <a>."},
    {"tan", "tan(a)", "Returns the tangent of <a>."},
    {"sinh", "sinh(a)", "Returns the hyperbolic sine of <a>."},
    {"cosh", "cosh(a)", "Returns the hyperbolic cosine of <a>."},
    {"tanh", "tanh(a)", "Returns the hyperbolic tangent of <a>."},
    {"arcsin", "arcsin(a)", "Returns the arc sine of <a>."},
    {"arccos", "arccos(a)", "Returns the arc cosine of <a>."},
    {"arctan", "arctan(a)", "Returns the arc tangent of <a>."},
    {"exp", "exp(a)", "Returns e raised to the <a>'th power.", nullptr, nullptr, "log(a)"},
    {"log", "log(a)", "Returns the natural logarithm of <a>.", nullptr, nullptr, "exp(a)"},
    {"abs", "abs(a)", "Returns the absolute value of <a>."},
    {"sig", "sig(a)",
     "Returns the sign of <a>. If <a> is negative, sig(a) returns -1. If <a> is positive sig(a) return 1 and "
     "otherwise 0."},
    {"mod", "mod(a;b)", "Returns <a> modulo <b>."},
    {"sqrt", "sqrt(a)", "Returns the square root of <a>."},
    {"random", "random()", "Returns a random number in the range from 0 to 1."},
    {"sleep", "sleep(a)", "Holds execution <a> milliseconds."},
    {"gettime", "gettime()", "Returns the number of milliseconds since the calculator has been started."},
    {"not", "not(a)", "Logically inverts <a>: If <a> is zero, 1 is returned, otherwise 0 is returned."},
    {"floor", "floor(a)", "Rounds <a> down to the biggest integer that is less or equal <a>."},
    {"ceil", "ceil(a)", "Rounds <a> up to the smallest integer that is greater or equal <a>."},
    {"dez2hex", "dez2hex(a)", "Converts <a> into an hexadecimal representation.", "dez2hex(10)",
     "This returns 'A'.", "hex2dez(s)"},
    {"hex2dez", "hex2dez(s)", "Converts the hexadecimal string <s> into decimal.", "hex2dez('a')",
     "This returns 10.", "dez2hex(a)"},
};

TEST(MathHelp, EveryFunctionShowsItsHelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::MathFunctionTable(), kMathHelp);
}

TEST(MathHelp, TheStandardTableRegistersTheWholeArea) {
    const auto standard = NuvixParser::StandardFunctionTable();
    for (const auto& e : NuvixParser::MathFunctionTable()) {
        int found = 0;
        for (const auto& s : standard) found += std::string(s.name) == e.name && s.factory == e.factory;
        EXPECT_EQ(found, 1) << e.name;
    }
}

} // namespace
