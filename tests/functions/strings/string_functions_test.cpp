// The string functions through scripts: results, boundaries of positions and counts, limits.
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "engine/var_entry.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::ExpectResults;

// Runs `script` with the local variable z holding `text` (which scripts cannot write when it
// holds a zero byte); the result text, or "Error: " + message.
std::string EvalWithZ(std::string_view script, std::string_view text) {
    NuvixTest::TScript s(script);
    if (!s.Compile()) return "Syntax: " + s.parser.ErrorMessage();
    s.parser.Rebind();
    auto* z = dynamic_cast<NuvixParser::TVarEntry*>(s.parser.Store().Find("z"));
    if (!z) return "no variable z";
    z->SetString(text);
    s.ci.Reset();
    const NuvixParser::TReturnValue v = s.parser.Calculate(s.ci);
    if (s.ci.error) return "Error: " + s.ci.errorMessage;
    return v.ToString();
}

const std::string kMillionSpaces(999999, ' ');

TEST(StringFunctions, StrFormatsLikePrintfG) {
    ExpectResults({
        {"str(10000.6;6;4)", " 1e+04"},
        {"str(3.14159;0;3)", "3.14"},
        {"str(2;5;3)", "    2"},
        {"str(3.14159;8;3)", "    3.14"},
        {"str(2;-5;3)+'|'", "2    |"},       // negative width: left-aligned
        {"str(3.14159265;0;-1)", "3.14159"}, // negative precision: 6
        {"str(3.7;0;0)", "4"},               // precision 0 counts as 1
        {"str('2.5x';4;2)", " 2.5"},         // the numeric reading of a text
        {"str(1/0;6;3)", "  +INF"},
        {"str(-1/0;0;3)", "-INF"},
        {"str(0/0;-6;3)+'|'", "-NAN  |"},
        {"str(2;0/0;0/0)", "2"},       // NaN width and precision read as 0
        {"str(2;4294967298;3)", " 2"}, // the integer reading keeps the low 32 bits
        {"str(2;3;2)+'1'", "  21"},    // a text: '+' joins
    });
}

TEST(StringFunctions, StrHasNoFixedBufferButACap) {
    ExpectResults({
        // Every significant digit of 0.1 as a double, whatever the precision beyond them.
        {"str(0.1;0;100)", "0.1000000000000000055511151231257827021181583404541015625"},
        {"str(0.1;0;2147483647)", "0.1000000000000000055511151231257827021181583404541015625"},
        {"substr(str(7;1000000;3);999998;5)", " 7"},
        {"str(7;-1000000;3)+'|'", "7" + kMillionSpaces + "|"},
        {"str(7;1000001;3)", "Error: Str: Text longer than 1000000 characters"},
        {"str(7;-2147483648;3)", "Error: Str: Text longer than 1000000 characters"},
        {"str(7;2147483648;3)", "Error: Str: Text longer than 1000000 characters"}, // reads as -2^31
        {"str(7;1e7;3), 5", "Error: Str: Text longer than 1000000 characters"},
    });
}

TEST(StringFunctions, StrZeroPadsFixedNotationWithZeros) {
    ExpectResults({
        {"strzero(10.6;8;4)", "010.6000"},
        {"strzero(1;1;0)", "1"},
        {"strzero(-3.5;8;2)", "000-3.50"},    // zeros go in front of the sign
        {"strzero(1.5;-6;1)+'|'", "1.5   |"}, // left-aligned keeps its spaces
        {"strzero(1;0;-3)", "1.000000"},      // negative decimals: 6
        {"strzero(0.125;6;2)", "000.12"},
        {"strzero(1/0;6;2)", "00+INF"},
        {"strzero(-1/0;2;2)", "-INF"},
        {"strzero(1/0;0;2147483647)", "+INF"}, // no decimals to write
        {"findstr(strzero(1e308;0;2);'.')", "309"},
    });
}

TEST(StringFunctions, StrZeroCapsTheLengthOfItsText) {
    ExpectResults({
        {"substr(strzero(1;0;999998);999996;10)", "0000"}, // "1." and 999998 zeros: the cap exactly
        {"strzero(1;0;999999)", "Error: StrZero: Text longer than 1000000 characters"},
        {"strzero(1;0;2147483647)", "Error: StrZero: Text longer than 1000000 characters"},
        {"findstr(strzero(1e308;0;999690);'.')", "309"}, // 309 + 1 + 999690: the cap exactly
        {"strzero(1e308;0;999691)", "Error: StrZero: Text longer than 1000000 characters"},
        {"strzero(1;1000001;0)", "Error: StrZero: Text longer than 1000000 characters"},
        {"substr(strzero(1;1000000;0);999998;5)", "01"},
    });
}

TEST(StringFunctions, SubStrClampsItsRange) {
    ExpectResults({
        {"substr('hugo';1;2)", "ug"},
        {"substr('hugo';0;4)", "hugo"},
        {"substr('hugo';2;100)", "go"},
        {"substr('hugo';1;-1)", "ugo"}, // negative length: to the end
        {"substr('hugo';1;-2147483648)", "ugo"},
        {"substr('hugo';1;2147483647)", "ugo"},
        {"substr('hugo';0;0)+'|'", "|"},
        {"substr('hugo';4;1)+'|'", "|"}, // the position behind the end is allowed
        {"substr('hugo';-1;2)+'|'", "|"},
        {"substr('hugo';5;1)+'|'", "|"},
        {"substr('hugo';2147483647;2147483647)+'|'", "|"},
        {"substr('hugo';-2147483648;5)+'|'", "|"},
        {"substr('';0;5)+'|'", "|"},
        {"substr('hugo';1/0;1)", "h"}, // INF reads as position 0
        {"substr('hugo';4294967297;1)", "u"},
        {"substr('hugo';1.9;1.9)", "u"},   // truncation
        {"substr(12345;1;3)+'1'", "2341"}, // the text of a number; the result is a text
    });
}

TEST(StringFunctions, ConcatJoinsTextReadings) {
    ExpectResults({
        {"concat('hey ';'you')", "hey you"},
        {"concat(1;2)+'1'", "121"},
        {"concat('a';1.5)", "a1.5"},
        {"concat(1/3;'')", "0.333333333333333"},
        {"concat('';'')+'|'", "|"},
        {"concat(-1/0;0/0)", "-INF-NAN"},
    });
}

TEST(StringFunctions, ConcatEndsAtTheFirstZeroByte) {
    EXPECT_EQ(EvalWithZ("concat(z;'x')", std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(EvalWithZ("concat('x';z)", std::string("ab\0cd", 5)), "xab");
    EXPECT_EQ(EvalWithZ("concat(z;z)", std::string("\0", 1)), "");
}

TEST(StringFunctions, FindStrSearchesBytesFromTheStart) {
    ExpectResults({
        {"findstr('hugo';'ug')", "1"},
        {"findstr('hugo';'x')", "-1"},
        {"findstr('hugo';'')", "0"},
        {"findstr('';'')", "0"},
        {"findstr('';'a')", "-1"},
        {"findstr('hugo';'hugo!')", "-1"},
        {"findstr('abab';'ab')", "0"},
        {"findstr('aXbX';'X')", "1"},
        {"findstr('Hugo';'h')", "-1"}, // exact bytes, case counts
        {"findstr(12345;34)", "2"},
    });
    EXPECT_EQ(EvalWithZ("findstr(z;'c')", std::string("a\0c", 3)), "2");
}

TEST(StringFunctions, AscAndChrConvertCodes) {
    ExpectResults({
        {"asc('x')", "120"},
        {"asc('xyz')", "120"},
        {"asc('')", "0"},
        {"asc(7)", "55"}, // the text of 7 is '7'
        {"asc(-1)", "45"},
        {"asc(chr(255))", "255"}, // unsigned
        {"chr(65)", "A"},
        {"chr(65.9)", "A"},
        {"chr('66')", "B"},
        {"chr(321)", "A"}, // low 8 bits
        {"asc(chr(-1))", "255"},
        {"chr(0)+'|'", "|"}, // code 0: the empty string
        {"chr(256)+'|'", "|"},
        {"chr(0/0)+'|'", "|"},
        {"chr(1/0)+'|'", "|"},
    });
}

TEST(StringFunctions, StrCmpComparesUnsignedBytes) {
    ExpectResults({
        {"strcmp('b';'a')", "1"},
        {"strcmp('alpha';'egon')", "-4"},
        {"strcmp('Alpha';'alpha')", "-32"},
        {"strcmp('ab';'abc')", "-1"}, // a prefix is smaller
        {"strcmp('abc';'ab')", "1"},
        {"strcmp('x';'x')", "0"},
        {"strcmp('';'')", "0"},
        {"strcmp('';'a')", "-1"},
        {"strcmp(chr(200);'a')", "103"}, // 200 - 97: bytes are unsigned
        {"strcmp(10;9)", "-8"},          // texts of numbers: '1' - '9'
    });
    EXPECT_EQ(EvalWithZ("strcmp(z;'a')", std::string("a\0", 2)), "1"); // lengths count, not zeros
}

TEST(StringFunctions, StrICmpComparesUpperCasedZeroTerminatedTexts) {
    ExpectResults({
        {"stricmp('Alpha';'alpha')", "0"},
        {"stricmp('Alpha';'ALPHA')", "0"},
        {"stricmp('a';'B')", "-1"},
        {"stricmp('_';'a')", "30"},     // '_' against 'A'
        {"stricmp('[';'{')", "-32"},    // only letters change
        {"stricmp('ab';'ABC')", "-67"}, // the terminating zero against 'C'
        {"stricmp('abc';'')", "65"},
        {"stricmp('';'')", "0"},
        {"stricmp(chr(228);chr(196))", "32"}, // no case beyond ASCII
    });
    EXPECT_EQ(EvalWithZ("stricmp(z;'A')", std::string("a\0b", 3)), "0");
}

TEST(StringFunctions, XorStrGivesASignedByte) {
    ExpectResults({
        {"xorstr('AB')", "3"},
        {"xorstr('A')", "65"},
        {"xorstr('')", "0"},
        {"xorstr(chr(200))", "-56"},
        {"xorstr(chr(128))", "-128"},
        {"xorstr(chr(255)+chr(1))", "-2"},
        {"xorstr(12)", "3"}, // '1' xor '2'
    });
    EXPECT_EQ(EvalWithZ("xorstr(z)", std::string("a\0c", 3)), "2");
}

// The functions that keep a text while evaluating a later argument must keep it apart from
// a recursive call of the same call site, which may write its result into the very value
// the outer call is filling.
TEST(StringFunctions, TextsSurviveRecursionThroughALaterArgument) {
    ExpectResults({
        {"define(h(n); if(n<1; 'b'; concat('a'; h(n-1)))), h(3)", "aaab"},
        {"define(t(n); substr('12345'; if(n<1; 0; t(n-1)); 1)), t(2)", "3"},
        {"define(f(n); findstr('1go'; if(n<1; 'go'; string(f(n-1))))), f(1)", "0"},
        {"define(g(n); str(if(n<1; 2; g(n-1)); 3; 2)), g(2)", "  2"},
    });
}

TEST(StringFunctions, ArgumentErrorsStopTheCall) {
    ExpectResults({
        {"substr('hugo'; x; 1)", "Error: Variable x has no value"},
        {"concat(y; 'a')", "Error: Variable y has no value"},
    });
}

} // namespace
