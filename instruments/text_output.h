// TTextOutput: the text output window as the calculation thread sees it.
#pragma once

#include <string_view>

namespace NuvixParser {

// print, println and cleartext call these on the calculation thread. Each call returns
// only when the window has placed the text, so output appears in call order and nothing
// is buffered on the way. Texts are 8-bit (Windows-1252) and may hold line breaks.
class TTextOutput {
public:
    virtual ~TTextOutput() = default;
    // Appends the text to the last line without ending it.
    virtual void Print(std::string_view text) = 0;
    // Appends the text and ends the line.
    virtual void PrintLine(std::string_view text) = 0;
    // Erases the window.
    virtual void Clear() = 0;
};

} // namespace NuvixParser
