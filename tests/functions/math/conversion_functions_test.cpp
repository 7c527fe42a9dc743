// number, string, dez2hex and hex2dez, and the scanf-like hexadecimal reader.
#include <cstdint>

#include <gtest/gtest.h>

#include "functions/math/conversion_functions.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::ExpectResults;

TEST(ConversionFunctions, NumberAndStringForceTheKindOfAValue) {
    ExpectResults({
        {"number('1')+number('2')", "3"},
        {"number('  7.5e1x')", "75"},
        {"number('abc')", "0"},
        {"string(1)+string(2)", "12"},
        {"string(0.1)+'!'", "0.1!"},
        {"string(1/3)+'!'", "0.333333333333333!"},
        {"string(1e20)+'!'", "1e+20!"},
        {"string(1/0)+'!'", "+INF!"},
        {"string('ab')+string('c')", "abc"},
    });
}

TEST(ConversionFunctions, Dez2HexFormatsTheUnsigned32BitPattern) {
    ExpectResults({
        {"dez2hex(10)", "A"},
        {"dez2hex(255.9)", "FF"},
        {"dez2hex(-1)", "FFFFFFFF"},
        {"dez2hex(-2.7)", "FFFFFFFE"},
        {"dez2hex('16')", "10"},
        {"dez2hex(0)", "0"},
        {"dez2hex(4294967296)", "0"},
        {"dez2hex(10)+dez2hex(11)", "AB"}, // a text: '+' joins
    });
}

TEST(ConversionFunctions, Hex2DezReadsTextOnly) {
    ExpectResults({
        {"hex2dez('a')", "10"},
        {"hex2dez('ff zz')", "255"},
        {"hex2dez('FFFFFFFF')", "-1"},
        {"hex2dez('0')", "0"},
        {"hex2dez('xyz')", "0"},
        {"hex2dez(dez2hex(-123456))", "-123456"},
        {"hex2dez(string(10))", "16"},
        {"hex2dez(10)", "Error: HexDez: String expected"},
        {"hex2dez(10), 5", "Error: HexDez: String expected"},
    });
}

TEST(ConversionFunctions, ReadHex32FollowsScanfHexRules) {
    const struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {
        {"", 0},     {"g", 0},           {" \t\n1F", 0x1F}, {"dEaD", 0xDEAD},
        {"+a", 0xA}, {"-1", 0xFFFFFFFF}, {"0x1f", 0x1F},    {"0X10", 0x10},
        {"0xg", 0},  {"12 34", 0x12},    {"100000001", 1}, // past 32 bits only the low bits are kept
    };
    for (const auto& c : cases) EXPECT_EQ(NuvixParser::ReadHex32(c.text), c.value) << c.text;
}

// string and dez2hex write into the caller's result; a recursive call of the same call
// site from inside its own argument must not mix up the levels' values.
TEST(ConversionFunctions, TextResultsSurviveRecursionThroughTheirArgument) {
    ExpectResults({
        {"define(g(n); if(n<1; 'x'; string(g(n-1)) + 'y')), g(3)", "xyyy"},
        {"define(h(n); if(n<1; 10; hex2dez(dez2hex(h(n-1))) + 1)), h(3)", "13"},
    });
}

} // namespace
