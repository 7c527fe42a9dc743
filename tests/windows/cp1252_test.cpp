// Windows-1252 conversion: every byte round-trips; the 0x80-0x9F block; unmappable characters.
#include <gtest/gtest.h>

#include <QSet>

#include "windows/cp1252.h"

namespace {

using NuvixWindows::FromCp1252;
using NuvixWindows::ToCp1252;

TEST(Cp1252, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const QString text = FromCp1252(one);
        ASSERT_EQ(text.size(), 1) << "byte " << b;
        EXPECT_EQ(ToCp1252(text), one) << "byte " << b;
        all += one;
    }
    const QString text = FromCp1252(all);
    EXPECT_EQ(QSet<QChar>(text.begin(), text.end()).size(), 256) << "two bytes share a character";
    EXPECT_EQ(ToCp1252(text), all);
}

TEST(Cp1252, MapsBytesToCharacters) {
    struct TCase {
        unsigned char byte;
        char16_t character;
    };
    constexpr TCase kCases[] = {
        {0x00, 0x0000}, {0x41, u'A'},      {0x7F, 0x007F},    {0x80, 0x20AC}, // euro sign
        {0x81, 0x0081}, {0x8D, 0x008D},    {0x8F, 0x008F},    {0x90, 0x0090}, // undefined: C1 codes
        {0x9D, 0x009D}, {0x8A, 0x0160},    {0x99, 0x2122},    {0x9F, 0x0178},
        {0xA0, 0x00A0}, {0xE4, u'\u00E4'}, {0xFC, u'\u00FC'}, {0xFF, 0x00FF},
    };
    for (const TCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int{c.byte});
        EXPECT_EQ(FromCp1252(std::string(1, static_cast<char>(c.byte))), QString(QChar(c.character)));
        EXPECT_EQ(ToCp1252(QString(QChar(c.character))), std::string(1, static_cast<char>(c.byte)));
    }
}

TEST(Cp1252, TurnsCharactersWithoutAByteIntoQuestionMarks) {
    struct TCase {
        QString text;
        std::string bytes;
    };
    const TCase kCases[] = {
        {QString(), ""},
        {QStringLiteral("\u20ACuro f\u00FCr M\u00FCller"), "\x80uro f\xFCr M\xFCller"},
        {QStringLiteral("\u03A9"), "?"},         // Greek capital omega
        {QString(QChar(0x0080)), "?"},           // 0x80 is the euro sign, not U+0080
        {QString(QChar(0x0100)), "?"},           // just past Latin-1
        {QStringLiteral("a\U0001F600b"), "a?b"}, // a surrogate pair is one character
        {QString(QChar(0xD800)) + "x", "?x"},    // a lone surrogate
    };
    for (const TCase& c : kCases) EXPECT_EQ(ToCp1252(c.text), c.bytes) << c.text.toStdString();
}

} // namespace
