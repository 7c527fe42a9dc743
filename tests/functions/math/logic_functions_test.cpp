// Bit logic: 32-bit truncation of the arguments, signed results, shift counts mod 32.
#include <gtest/gtest.h>

#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::ExpectResults;

TEST(LogicFunctions, AndOrXorWorkOnTruncated32BitPatterns) {
    ExpectResults({
        {"and(-1;255)", "255"},
        {"or(0;-1)", "-1"},
        {"xor(-1;0)", "-1"},
        {"xor(5;3)", "6"},
        {"and(6.9;3.2)", "2"},
        {"or(-6.9;0)", "-6"},
        {"or(4294967297;0)", "1"},             // only the low 32 bits count
        {"and(2147483648;-1)", "-2147483648"}, // read back as signed
        {"and('12abc';15)", "12"},
        {"or(0/0;0)", "0"}, // NaN, the infinities and huge values read as 0
        {"or(1/0;0)", "0"},
        {"or(1e19;0)", "0"},
    });
}

TEST(LogicFunctions, ShiftsUseTheLowFiveBitsOfTheCount) {
    ExpectResults({
        {"shl(1;31)", "-2147483648"},
        {"shl(1;32)", "1"},
        {"shl(1;33)", "2"},
        {"shl(-1;4)", "-16"},
        {"shl(3;-1)", "-2147483648"}, // -1 counts as 31
        {"shr(8;35)", "1"},
        {"shr(256;'4')", "16"},
    });
}

TEST(LogicFunctions, ShrShiftsInZeros) {
    ExpectResults({{"shr(-1;28)", "15"}, {"shr(-2;0)", "-2"}, {"shr(-2147483648;31)", "1"}});
}

TEST(LogicFunctions, NotComparesTheNumericReadingWithZero) {
    ExpectResults({
        {"not(0)", "1"},
        {"not(-0)", "1"},
        {"not(5)", "0"},
        {"not(0.5)", "0"},
        {"not('abc')", "1"},
        {"not(0/0)", "0"},
    });
}

} // namespace
