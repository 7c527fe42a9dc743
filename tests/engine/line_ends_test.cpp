// The one line-end rule of the readers: LF, CR LF and a lone CR each end one line.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/line_ends.h"

namespace {

using namespace NuvixParser;

struct TSplit {
    std::vector<std::string> lines;
    std::vector<std::string> ends;
    int endsCounted = 0; // positions where EndsLineAt holds
};

TSplit Split(std::string_view text) {
    TSplit s;
    for (std::size_t i = 0; i < text.size(); ++i) s.endsCounted += EndsLineAt(text, i) ? 1 : 0;
    std::string_view rest = text;
    while (!rest.empty()) {
        std::string_view end;
        s.lines.emplace_back(TakeLine(rest, &end));
        s.ends.emplace_back(end);
    }
    return s;
}

TEST(LineEnds, EachStyleEndsOneLine) {
    const struct {
        const char* name;
        std::string_view text;
        std::vector<std::string> lines;
        std::vector<std::string> ends;
    } cases[] = {
        {"LF", "a b\nc\n", {"a b", "c"}, {"\n", "\n"}},
        {"CR LF", "a b\r\nc\r\n", {"a b", "c"}, {"\r\n", "\r\n"}},
        {"lone CR", "a b\rc\r", {"a b", "c"}, {"\r", "\r"}},
        {"mixed", "a\nb\r\nc\rd", {"a", "b", "c", "d"}, {"\n", "\r\n", "\r", ""}},
        {"blank lines stay lines here", "a\n\r\n\rb", {"a", "", "", "b"}, {"\n", "\r\n", "\r", ""}},
        {"LF CR is two line ends", "a\n\rb", {"a", "", "b"}, {"\n", "\r", ""}},
        {"last line without a line end", "a\nb", {"a", "b"}, {"\n", ""}},
        {"a text without line ends", "abc", {"abc"}, {""}},
        {"only a CR LF", "\r\n", {""}, {"\r\n"}},
        {"empty", "", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TSplit s = Split(c.text);
        EXPECT_EQ(s.lines, c.lines);
        EXPECT_EQ(s.ends, c.ends);
        // Counting with EndsLineAt agrees with splitting: one per line that has an end.
        int withEnd = 0;
        for (const std::string& e : s.ends) withEnd += e.empty() ? 0 : 1;
        EXPECT_EQ(s.endsCounted, withEnd);
    }
}

TEST(LineEnds, LineEndBytesAreCrAndLfOnly) {
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(IsLineEndByte(static_cast<char>(c)), c == '\n' || c == '\r') << c;
}

} // namespace
