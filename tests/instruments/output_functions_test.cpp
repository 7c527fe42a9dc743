// print, println and cleartext: what they hand the text output window, their results and
// their errors.
#include <gtest/gtest.h>

#include <initializer_list>

#include "instruments/output_functions.h"
#include "tests/instruments/recording_output.h"

namespace {

using NuvixTest::EvalComm;
using NuvixTest::TOutputCall;
using NuvixTest::TRecordingOutput;

constexpr auto kPrint = NuvixTest::TOutputKind::Print;
constexpr auto kPrintLine = NuvixTest::TOutputKind::PrintLine;
constexpr auto kClear = NuvixTest::TOutputKind::Clear;

struct TOutputCase {
    const char* script;
    std::string result;
    std::vector<TOutputCall> calls;
};

void ExpectOutput(std::initializer_list<TOutputCase> cases) {
    for (const TOutputCase& c : cases) {
        TRecordingOutput window;
        EXPECT_EQ(EvalComm(c.script, &window), c.result) << "script: " << c.script;
        EXPECT_EQ(window.calls, c.calls) << "script: " << c.script;
    }
}

TEST(Output, MakesOneCallPerFunctionCallInCallOrder) {
    ExpectOutput({
        {"print('a'), print('b'), println('c'), print('d')",
         "1",
         {{kPrint, "a"}, {kPrint, "b"}, {kPrintLine, "c"}, {kPrint, "d"}}},
        {"cleartext(), println('hello')", "1", {{kClear, ""}, {kPrintLine, "hello"}}},
        {"for(i=0;i<3;i+=1;println(i^2))",
         "1",
         {{kPrintLine, "0"}, {kPrintLine, "1"}, {kPrintLine, "4"}}},
        {"a=5,print('Number '),println(a)", "1", {{kPrint, "Number "}, {kPrintLine, "5"}}},
        {"PrintLn('x'), CLEARTEXT()", "1", {{kPrintLine, "x"}, {kClear, ""}}},
    });
}

TEST(Output, WritesTheTextReadingOfItsArgument) {
    ExpectOutput({
        {"println(3)", "1", {{kPrintLine, "3"}}},
        {"println(1/3)", "1", {{kPrintLine, "0.333333333333333"}}},
        {"println(-2.5e-300)", "1", {{kPrintLine, "-2.5e-300"}}},
        {"print(1/0), print(-1/0)", "1", {{kPrint, "+INF"}, {kPrint, "-INF"}}},
        {"print(0/0)", "1", {{kPrint, "-NAN"}}},
        {"print('')", "1", {{kPrint, ""}}},
        {"println('007')", "1", {{kPrintLine, "007"}}},
        {"println('a' + 'b')", "1", {{kPrintLine, "ab"}}},
    });
}

// A byte above 127 travels unchanged; the window decides how to show it.
TEST(Output, PassesEightBitTextUnchanged) {
    TRecordingOutput window;
    EXPECT_EQ(EvalComm("print('\xFC\x80\xA0')", &window), "1");
    EXPECT_EQ(window.calls, (std::vector<TOutputCall>{{kPrint, "\xFC\x80\xA0"}}));
}

// Compute does not run when the argument failed: nothing is written for that call, and
// the run stops with the argument's error.
TEST(Output, WritesNothingForAFailedArgument) {
    ExpectOutput({
        {"println(x)", "Error: Variable x has no value", {}},
        {"print(x)", "Error: Variable x has no value", {}},
        {"println('a'), print(undefinedfunc(1)), println('b')", "Syntax: Unknown function", {}},
        {"println('a'), println(x), println('b')",
         "Error: Variable x has no value",
         {{kPrintLine, "a"}}},
        {"a[2]=1, println(a[5])", "Error: Illegal array element access in array a", {}},
    });
}

TEST(Output, ChecksItsArgumentCountAtCompileTime) {
    ExpectOutput({
        {"print()", "Syntax: Expression or identifier expected", {}},
        {"println('a';'b')", "Syntax: ')' expected", {}},
        {"cleartext(1)", "Syntax: ')' expected", {}},
    });
}

TEST(Output, DoesNothingWithoutAWindow) {
    EXPECT_EQ(EvalComm("print('a'), println(2), cleartext()"), "1");
    EXPECT_EQ(EvalComm("println('a') + println('b') + cleartext()"), "3");
}

} // namespace
