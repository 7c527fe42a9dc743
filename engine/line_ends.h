// Where a line of text ends, one rule for every reader of line-oriented text: LF (Linux),
// CR LF (Windows) and a lone CR (old Macintosh files) each end one line.
#pragma once

#include <cstddef>
#include <string_view>

namespace NuvixParser {

// A byte that belongs to a line end.
constexpr bool IsLineEndByte(char c) {
    return c == '\n' || c == '\r';
}

// True when text[i] is the last byte of a line end: an LF, or a CR not followed by an LF.
// Counting the positions where this holds counts CR LF once.
constexpr bool EndsLineAt(std::string_view text, std::size_t i) {
    return text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
}

// Takes the first line off `rest` and returns it without its line end; a last line
// without a line end is a line too. `lineEnd`, when given, receives the line end's bytes
// (empty for such a last line), so a rewriter can keep the line ends it found.
constexpr std::string_view TakeLine(std::string_view& rest, std::string_view* lineEnd = nullptr) {
    std::size_t eol = 0;
    while (eol < rest.size() && !IsLineEndByte(rest[eol])) ++eol;
    std::size_t next = eol;
    if (next < rest.size()) next += rest[next] == '\r' && next + 1 < rest.size() && rest[next + 1] == '\n' ? 2 : 1;
    const std::string_view line = rest.substr(0, eol);
    if (lineEnd) *lineEnd = rest.substr(eol, next - eol);
    rest.remove_prefix(next);
    return line;
}

} // namespace NuvixParser
