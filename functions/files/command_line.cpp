// Splitting a command line into words with sh(1) quoting, without expansions.
#include "functions/files/command_line.h"

namespace NuvixParser {
namespace {

bool IsWordBreak(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The characters a backslash escapes inside double quotes.
bool IsDoubleQuoteEscapable(char c) {
    return c == '$' || c == '`' || c == '"' || c == '\\' || c == '\n';
}

} // namespace

bool SplitCommandLine(std::string_view line, std::vector<std::string>& words) {
    words.clear();
    std::string word;
    bool inWord = false; // also true for a word made only of empty quotes
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = line[i];
        if (IsWordBreak(c)) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i == n) { // a backslash at the very end stays itself, as sh keeps it
                word += '\\';
                inWord = true;
            } else if (line[i] == '\n') {
                ++i; // line continuation: neither character is kept
            } else {
                word += line[i++];
                inWord = true;
            }
        } else if (c == '\'') {
            const std::size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos) return false;
            word.append(line.substr(i + 1, close - i - 1));
            inWord = true;
            i = close + 1;
        } else if (c == '"') {
            inWord = true;
            ++i;
            for (;;) {
                if (i == n) return false;
                const char d = line[i];
                if (d == '"') {
                    ++i;
                    break;
                }
                if (d == '\\' && i + 1 < n && IsDoubleQuoteEscapable(line[i + 1])) {
                    if (line[i + 1] != '\n') word += line[i + 1];
                    i += 2;
                } else {
                    word += d;
                    ++i;
                }
            }
        } else {
            word += c;
            inWord = true;
            ++i;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return true;
}

} // namespace NuvixParser
