// Reading the fields of the small text files the instruments are configured with.
#pragma once

#include <cctype>
#include <cstddef>
#include <string_view>

#include "engine/line_ends.h"

namespace NuvixParser {

// Without the blanks (any white space) at both ends.
inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// Equal but for the letter case of ASCII letters.
inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The lines of a configuration text that say something: blanks trimmed, empty lines and
// comment lines ('#' first) left out, each with its line number for messages. Lines end
// as everywhere else (LF, CR LF or a lone CR).
class TConfigLines {
public:
    explicit TConfigLines(std::string_view text) : rest_(text) {}

    // The next such line; false at the end of the text.
    bool Next(std::string_view& line) {
        while (!rest_.empty()) {
            ++number_;
            line = TrimBlanks(TakeLine(rest_));
            if (!line.empty() && line.front() != '#') return true;
        }
        return false;
    }
    // The number (from 1) of the line Next gave last.
    int Number() const { return number_; }

private:
    std::string_view rest_;
    int number_ = 0;
};

} // namespace NuvixParser
