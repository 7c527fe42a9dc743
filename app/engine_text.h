// TEngineText: an editor's text as the engine reads it, with the exact map of positions
// between editor characters and engine bytes.
#pragma once

#include <QString>
#include <string>
#include <vector>

class QTextDocument;

namespace NuvixApp {

// The engine reads Windows-1252 bytes with LF line ends; the editor counts UTF-16 units.
// Both count a line break as one, and every character as one, except a character outside
// the Basic Multilingual Plane: two editor units (a surrogate pair) but one byte ('?',
// like any character without a Windows-1252 byte). The map remembers where those are.
class TEngineText {
public:
    TEngineText() = default;
    // Line breaks are '\n'.
    explicit TEngineText(const QString& text);
    // Block by block: QTextDocument::toPlainText would turn no-break spaces into blanks.
    static TEngineText OfDocument(const QTextDocument& document);

    const std::string& Bytes() const { return bytes_; }
    // The editor position of a byte offset (offsets past the end continue one to one).
    int EditorPosition(int byte) const;
    // The byte offset of an editor position; the second unit of a pair maps to the pair's byte.
    int BytePosition(int editorPosition) const;

private:
    std::string bytes_;
    std::vector<int> pairBytes_; // byte offsets of characters written as surrogate pairs, ascending
};

} // namespace NuvixApp
