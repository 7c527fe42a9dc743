// Byte strings to and from script arrays: the one conversion the binary serial and GPIB
// functions share.
#include <gtest/gtest.h>

#include <string>

#include "engine/var_entry.h"
#include "instruments/byte_array.h"

namespace {

using NuvixParser::BytesOfArray;
using NuvixParser::SetArrayToBytes;
using NuvixParser::TArrayEntry;

TEST(ByteArray, ElementsAreSentAsTheirLowEightBitsAfterTruncation) {
    TArrayEntry a{std::string("a")};
    const double values[] = {0, 255, 256, -1, 65.9, -0.5, 511, -255.9};
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(a.SetElement(i, values[i]));
    const std::string expected{'\x00', '\xff', '\x00', '\xff', 'A', '\x00', '\xff', '\x01'};
    EXPECT_EQ(BytesOfArray(a), expected);
    EXPECT_EQ(BytesOfArray(TArrayEntry{std::string("empty")}), "");
}

TEST(ByteArray, BytesReplaceTheWholeArrayAsValuesZeroTo255) {
    TArrayEntry a{std::string("a")};
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(a.SetElement(i, -7));
    const std::string bytes{'\x00', 'A', '\xff', '\x80'};
    ASSERT_TRUE(SetArrayToBytes(a, bytes));
    ASSERT_EQ(a.Length(), 4);
    EXPECT_EQ(a.GetElement(0), 0);
    EXPECT_EQ(a.GetElement(1), 65);
    EXPECT_EQ(a.GetElement(2), 255);
    EXPECT_EQ(a.GetElement(3), 128);
    // Round trip.
    EXPECT_EQ(BytesOfArray(a), bytes);
    ASSERT_TRUE(SetArrayToBytes(a, ""));
    EXPECT_EQ(a.Length(), 0);
}

} // namespace
