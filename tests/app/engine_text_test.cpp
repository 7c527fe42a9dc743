// TEngineText: engine bytes of an editor text and the map of positions between the two.
#include <QPlainTextEdit>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/engine_text.h"

namespace {

using NuvixApp::TEngineText;

struct TMapCase {
    const char* name;
    QString text;
    std::string bytes;
    // editor position of every byte offset 0..bytes.size()
    std::vector<int> editorOfByte;
};

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units

TEST(EngineText, BytesAndEditorPositions) {
    const TMapCase kCases[] = {
        {"plain", "ab\ncd", "ab\ncd", {0, 1, 2, 3, 4, 5}},
        {"emoji in the middle", "a" + kEmoji + "b", "a?b", {0, 1, 3, 4}},
        {"two emoji together", kEmoji + kEmoji + "x", "??x", {0, 2, 4, 5}},
        {"emoji at the end", "x" + kEmoji, "x?", {0, 1, 3}},
        {"lone surrogate is one unit", QString(QChar(0xD800)) + "x", "?x", {0, 1, 2}},
        {"Windows-1252 and beyond", QString::fromUtf8("\xE2\x82\xAC\xC2\xA0\xE2\x98\x83"), "\x80\xA0?", {0, 1, 2, 3}},
    };
    for (const TMapCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const TEngineText text(c.text);
        EXPECT_EQ(text.Bytes(), c.bytes);
        for (std::size_t byte = 0; byte < c.editorOfByte.size(); ++byte) {
            const int editor = c.editorOfByte[byte];
            EXPECT_EQ(text.EditorPosition(static_cast<int>(byte)), editor) << "byte " << byte;
            EXPECT_EQ(text.BytePosition(editor), static_cast<int>(byte)) << "editor " << editor;
        }
    }
}

TEST(EngineText, InsideAPairMapsToThePairsByteAndPastTheEndContinues) {
    const TEngineText text("a" + kEmoji + "b");
    EXPECT_EQ(text.BytePosition(2), 1);
    EXPECT_EQ(text.EditorPosition(10), 11);
    EXPECT_EQ(text.BytePosition(11), 10);
}

TEST(EngineText, DocumentTextKeepsNoBreakSpaces) {
    QTextDocument document;
    document.setPlainText(QString::fromUtf8("a\xC2\xA0" "b\nc"));
    EXPECT_EQ(TEngineText::OfDocument(document).Bytes(), "a\xA0" "b\nc");
}

} // namespace
