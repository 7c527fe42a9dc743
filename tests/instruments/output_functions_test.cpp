// print, println and cleartext: the messages they send, their results and their errors.
#include <gtest/gtest.h>

#include <initializer_list>

#include "tests/functions/help_texts.h"
#include "tests/instruments/recording_window.h"

namespace {

using NuvixParser::kMsgOutputClear;
using NuvixParser::kMsgOutputPrint;
using NuvixParser::kMsgOutputPrintln;
using NuvixTest::EvalComm;
using NuvixTest::TOutputMessage;
using NuvixTest::TRecordingWindow;

struct TOutputCase {
    const char* script;
    std::string result;
    std::vector<TOutputMessage> messages;
};

void ExpectOutput(std::initializer_list<TOutputCase> cases) {
    for (const TOutputCase& c : cases) {
        TRecordingWindow window;
        EXPECT_EQ(EvalComm(c.script), c.result) << "script: " << c.script;
        EXPECT_EQ(window.messages, c.messages) << "script: " << c.script;
        EXPECT_EQ(window.posted, 0) << "output must be sent, not posted: " << c.script;
    }
}

TEST(Output, SendsOneMessagePerCallInCallOrder) {
    ExpectOutput({
        {"print('a'), print('b'), println('c'), print('d')",
         "1",
         {{kMsgOutputPrint, "a"}, {kMsgOutputPrint, "b"}, {kMsgOutputPrintln, "c"}, {kMsgOutputPrint, "d"}}},
        {"cleartext(), println('hello')", "1", {{kMsgOutputClear, ""}, {kMsgOutputPrintln, "hello"}}},
        {"for(i=0;i<3;i+=1;println(i^2))",
         "1",
         {{kMsgOutputPrintln, "0"}, {kMsgOutputPrintln, "1"}, {kMsgOutputPrintln, "4"}}},
        {"a=5,print('Number '),println(a)", "1", {{kMsgOutputPrint, "Number "}, {kMsgOutputPrintln, "5"}}},
        {"PrintLn('x'), CLEARTEXT()", "1", {{kMsgOutputPrintln, "x"}, {kMsgOutputClear, ""}}},
    });
}

TEST(Output, WritesTheTextReadingOfItsArgument) {
    ExpectOutput({
        {"println(3)", "1", {{kMsgOutputPrintln, "3"}}},
        {"println(1/3)", "1", {{kMsgOutputPrintln, "0.333333333333333"}}},
        {"println(-2.5e-300)", "1", {{kMsgOutputPrintln, "-2.5e-300"}}},
        {"print(1/0), print(-1/0)", "1", {{kMsgOutputPrint, "+INF"}, {kMsgOutputPrint, "-INF"}}},
        {"print(0/0)", "1", {{kMsgOutputPrint, "-NAN"}}},
        {"print('')", "1", {{kMsgOutputPrint, ""}}},
        {"println('007')", "1", {{kMsgOutputPrintln, "007"}}},
        {"println('a' + 'b')", "1", {{kMsgOutputPrintln, "ab"}}},
    });
}

// A byte above 127 travels unchanged; the window decides how to show it.
TEST(Output, PassesEightBitTextUnchanged) {
    TRecordingWindow window;
    EXPECT_EQ(EvalComm("print('\xFC\x80\xA0')"), "1");
    EXPECT_EQ(window.messages, (std::vector<TOutputMessage>{{kMsgOutputPrint, "\xFC\x80\xA0"}}));
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
         {{kMsgOutputPrintln, "a"}}},
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
    ASSERT_EQ(NuvixParser::OutputWindow(), nullptr);
    EXPECT_EQ(EvalComm("print('a'), println(2), cleartext()"), "1");
    EXPECT_EQ(EvalComm("println('a') + println('b') + cleartext()"), "3");
}

TEST(Output, WindowIsProcessWide) {
    {
        TRecordingWindow window;
        EXPECT_EQ(NuvixParser::OutputWindow(), &window);
    }
    EXPECT_EQ(NuvixParser::OutputWindow(), nullptr);
}

constexpr NuvixTest::THelpRow kOutputHelp[] = {
    {"print", "print(s)", "This writes the string <s> to the text output window.",
     "a=5,print('Number '),println(a)", "This writes the string 'Number 5' to the output window.",
     "println(s),clear()"},
    {"println", "println(s)", "This writes the string <s> to the text output window and appends a newline.",
     "for(i=0;i<10;i+=1;println(i^2))", "This prints the squares of 0..9 in the output window.",
     "print(s),clear()"},
    {"cleartext", "cleartext()", "This erases the text output window.", "clear(),\nprintln('hello')",
     "This clears the text output window and prints 'hello'.", "println(),print()"},
};

TEST(Output, HelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::OutputFunctionTable(), kOutputHelp);
    // The table lists them in registration order.
    const auto table = NuvixParser::OutputFunctionTable();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_STREQ(table[0].name, "print");
    EXPECT_STREQ(table[1].name, "println");
    EXPECT_STREQ(table[2].name, "cleartext");
}

} // namespace
