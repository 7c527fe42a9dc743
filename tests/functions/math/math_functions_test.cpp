// Numeric built-ins: library results, argument coercion, sign and modulo rules, sqrt errors.
#include <cmath>

#include <gtest/gtest.h>

#include "engine/conversions.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixParser::FormatNumber;
using NuvixTest::ExpectResults;

TEST(MathFunctions, UseTheDoublePrecisionLibraryRoutines) {
    ExpectResults({
        {"sin(0.5)", FormatNumber(std::sin(0.5))},
        {"cos(0.5)", FormatNumber(std::cos(0.5))},
        {"tan(1)", FormatNumber(std::tan(1.0))},
        {"sinh(1)", FormatNumber(std::sinh(1.0))},
        {"cosh(1)", FormatNumber(std::cosh(1.0))},
        {"tanh(0.5)", FormatNumber(std::tanh(0.5))},
        {"arcsin(0.5)", FormatNumber(std::asin(0.5))},
        {"arccos(0.5)", FormatNumber(std::acos(0.5))},
        {"arctan(2)", FormatNumber(std::atan(2.0))},
        {"exp(1)", FormatNumber(std::exp(1.0))},
        {"log(10)", FormatNumber(std::log(10.0))},
        {"sqrt(2)", FormatNumber(std::sqrt(2.0))},
        {"abs(-2.5)", "2.5"},
        {"floor(2.5)", "2"},
        {"floor(-2.5)", "-3"},
        {"ceil(2.5)", "3"},
        {"ceil(-2.5)", "-2"},
        {"pi()", "3.14159265358979"},
        {"pi()-3.141592653589793", "0"},
        {"SIN(0)+Pi()", "3.14159265358979"}, // built-ins in any letter case
    });
}

TEST(MathFunctions, DomainErrorsFlowOnAsNumbers) {
    ExpectResults({
        {"log(0)", "-INF"},
        {"exp(1000)", "+INF"},
        {"abs(log(-1))", "+NAN"},
        {"abs(arcsin(2))", "+NAN"},
        {"abs(mod(1;0))", "+NAN"},
        {"sqrt(1/0)", "+INF"},
    });
}

TEST(MathFunctions, TextArgumentsCountByTheirNumericReading) {
    ExpectResults({
        {"sin('0')", "0"},
        {"cos('abc')", "1"},
        {"abs('-3x')", "3"},
        {"mod('7';'3')", "1"},
        {"sqrt('16')", "4"},
        {"floor('  7.5e1x')", "75"},
    });
}

TEST(MathFunctions, ModTakesTheSignOfTheDividend) {
    ExpectResults({{"mod(-7;3)", "-1"}, {"mod(7;-3)", "1"}, {"mod(-7;-3)", "-1"}, {"mod(7.5;2)", "1.5"}});
}

TEST(MathFunctions, SigOfZeroIsZeroAndOfNanIsMinusOne) {
    ExpectResults({
        {"sig(0)", "0"},
        {"sig(-0)", "0"},
        {"sig(-0.001)", "-1"},
        {"sig(5)", "1"},
        {"sig(1/0)", "1"},
        {"sig(0/0)", "-1"},
        {"sig('abc')", "0"},
    });
}

TEST(MathFunctions, SqrtRejectsNegativeAndNanArguments) {
    const std::string error = "Error: Sqrt: negative argument not allowed";
    ExpectResults({
        {"sqrt(0)", "0"},
        {"sqrt(-1)", error},
        {"sqrt('-4')", error},
        {"sqrt(0/0)", error},
        {"sqrt(-1), 5", error},                        // the error ends the run
        {"sqrt(x)", "Error: Variable x has no value"}, // a failed argument: no Compute
    });
}

TEST(MathFunctions, CallsNeedExactlyTheirArgumentCount) {
    for (const char* script : {"pi(1)", "sin()", "sin(1;2)", "mod(1)", "mod(1;2;3)"})
        EXPECT_EQ(NuvixTest::Eval(script).rfind("Syntax: ", 0), 0u) << script;
}

} // namespace
