// TRegexp on its own: compile status, program limits, the program encoding of bytes, and Find.
#include <cstddef>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "functions/regex/regexp.h"

namespace {

using NuvixParser::TRegexp;

std::string Repeat(std::string_view piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

TEST(Regexp, CompileStatus) {
    const struct {
        std::string pattern;
        TRegexp::TStatus status;
    } cases[] = {
        {"a", TRegexp::kOk},
        {"^", TRegexp::kOk},
        {"$", TRegexp::kOk},
        {"^$", TRegexp::kOk},
        {"a$*", TRegexp::kOk}, // '$' not last: a literal, which may repeat
        {"a^*", TRegexp::kOk}, // '^' not first: likewise
        {"[", TRegexp::kOk},   // an empty class closed by the end of the pattern
        {"\\", TRegexp::kOk},
        {"", TRegexp::kBadStart},
        {"*a", TRegexp::kBadStart},
        {"+a", TRegexp::kBadStart},
        {"?a", TRegexp::kBadStart},
        {"\na", TRegexp::kBadStart}, // a line feed ends the pattern
        {std::string("\0a", 2), TRegexp::kBadStart},
        {"^*", TRegexp::kTooLong}, // repetition of an anchor
        {"^?", TRegexp::kTooLong},
        {"a**", TRegexp::kTooLong}, // repetition of a repetition
        {"a+?", TRegexp::kTooLong},
        {"a?*", TRegexp::kTooLong},
    };
    for (const auto& c : cases) EXPECT_EQ(TRegexp(c.pattern).Status(), c.status) << "pattern: " << c.pattern;
}

// The program holds 128 bytes including its final 0: a literal takes 1, a byte of 128 and
// above (or 0) takes 2, a class 17 (33 when it holds some but not all bytes above 127), a
// repetition 1 more.
TEST(Regexp, ProgramSizeLimit) {
    const struct {
        std::string pattern;
        bool fits;
    } cases[] = {
        {Repeat("a", 127), true},
        {Repeat("a", 128), false},
        {Repeat("a", 126) + "*", true},
        {Repeat("a", 127) + "*", false},
        {Repeat("\\xFF", 63) + "a", true},
        {Repeat("\\xFF", 64), false},
        {Repeat("\\0", 63) + "a", true},
        {Repeat("\\0", 64), false},
        {Repeat("[a]", 7) + "a*", true},       // 7 * 17 + 2
        {Repeat("[a]", 7) + "abcdefgh", true}, // 7 * 17 + 8 + 1: full
        {Repeat("[a]", 7) + "abcdefghi", false},
        {Repeat("[^a]", 7), true},           // complemented: every high byte, still 17
        {Repeat("[\\xE9]", 3) + "a*", true}, // 3 * 33 + 2
        {Repeat("[\\xE9]", 4), false},
        {Repeat("a", 127) + "\nbcd", true}, // the line feed ends the pattern
    };
    for (const auto& c : cases)
        EXPECT_EQ(TRegexp(c.pattern).Status(), c.fits ? TRegexp::kOk : TRegexp::kTooLong)
            << "pattern: " << c.pattern;
}

TEST(Regexp, ZeroAndHighBytesAreEscapedInTheProgram) {
    // Neither may appear as itself: 0 would end the program early.
    for (const char* pattern : {"\\x000z", "\\0z", "\\^@z", "\\xE9z", "\\351z"}) {
        const TRegexp r(pattern);
        ASSERT_EQ(r.Status(), TRegexp::kOk) << pattern;
        EXPECT_EQ(r.Program()[0], 129) << pattern;
        EXPECT_NE(r.Program()[1], 0) << pattern;
        EXPECT_EQ(r.Program()[2], 'z') << pattern;
        EXPECT_EQ(r.Program()[3], 0) << pattern;
    }
}

struct TFindCase {
    std::string pattern;
    std::string text;
    std::ptrdiff_t position;
    std::size_t length;
};

// Both matchers: the automaton that Find runs and the backtracker it is checked against.
void ExpectFinds(std::initializer_list<TFindCase> cases, std::size_t start = 0) {
    for (const TFindCase& c : cases) {
        const TRegexp regexp(c.pattern);
        std::size_t length = 99;
        EXPECT_EQ(regexp.Find(c.text, start, length), c.position) << "pattern: " << c.pattern << " text: " << c.text;
        EXPECT_EQ(length, c.length) << "pattern: " << c.pattern << " text: " << c.text;
        length = 99;
        EXPECT_EQ(regexp.FindByBacktracking(c.text, start, length), c.position)
            << "backtracking, pattern: " << c.pattern << " text: " << c.text;
        EXPECT_EQ(length, c.length) << "backtracking, pattern: " << c.pattern << " text: " << c.text;
    }
}

TEST(Regexp, EmptyMatchesReportLengthOneOnlyAtTheStart) {
    ExpectFinds({
        {"x*", "abc", 0, 1}, // nothing consumed at 0: the first byte
        {"^", "abc", 0, 1},
        {"$", "ab\ncd", 2, 0}, // nothing consumed later: length 0
        {"$", "abc", -1, 0},   // the position behind the last byte is never tried
        {"^", "", 0, 1},       // an empty text: only anchors match, with length 1
        {"$", "", 0, 1},
        {"^$", "", 0, 1},
        {"x*", "", -1, 0},
        {"a", "", -1, 0},
    });
}

TEST(Regexp, FindFromALaterStart) {
    ExpectFinds(
        {
            {"b", "abcb", 1, 1},
            {"^a", "aa", -1, 0}, // the beginning of the text is only at 0
            {"a*", "abc", 1, 0}, // an empty match behind the start position 0
            {"a", "abc", -1, 0},
        },
        1);
    for (const std::size_t start : {3, 1000}) {
        std::size_t length = 99;
        EXPECT_EQ(TRegexp("a").Find("abc", start, length), -1);
        EXPECT_EQ(length, 0u);
        length = 99;
        EXPECT_EQ(TRegexp("a").FindByBacktracking("abc", start, length), -1);
        EXPECT_EQ(length, 0u);
    }
}

TEST(Regexp, FailedPatternsNeverMatch) {
    ExpectFinds({
        {"", "abc", -1, 0},
        {"*", "*", -1, 0},
        {"a**", "aaa", -1, 0},
        {Repeat("a", 128), Repeat("a", 200), -1, 0},
    });
}

TEST(Regexp, ZeroBytesMatchInsideTexts) {
    const std::string text("a\0b", 3);
    ExpectFinds({
        {"\\x000b", text, 1, 2}, // \x reads up to three digits
        {"a\\0", text, 0, 2},
        {"a\\000b", text, 0, 3},
        {"[\\0]", text, 1, 1},
        {"a.b", text, 0, 3},
        {"\\0", "ab", -1, 0},
    });
}

TEST(Regexp, ClassesTestFullBytes) {
    const std::string e9 = "\xE9";   // 'i' (0x69) + 128
    const std::string high = "\xC8"; // 200
    ExpectFinds({
        {"[i]", e9, -1, 0},
        {"[a-z]", high, -1, 0},
        {"[^i]", e9, 0, 1},
        {"[^a]", "a" + high, 1, 1},
        {"[\\xE9]", "i" + e9, 1, 1},
        {"[\\xC0-\\xFF]+", "a" + e9 + high + "b", 1, 2},
        {"[\\xE9i]+", "x" + e9 + "i", 1, 2},
        {"[^\\xE9]", e9 + "\xEA", 1, 1},
        {"\\xE9", "i" + e9, 1, 1},
        {e9, "i" + e9, 1, 1}, // a raw high byte in the pattern
        {".", high, 0, 1},
    });
}

// The order in which a match is chosen: the leftmost start, then at each star or plus the
// longest run that lets the rest match; '?' takes its character whenever it can.
TEST(Regexp, ChoosesTheMatchTheBacktrackerFindsFirst) {
    ExpectFinds({
        {"ab*", "aabbb", 0, 1},       // leftmost, not longest
        {"a*ab", "aaab", 0, 4},       // a star gives back what the rest needs
        {"a*a?b", "aab", 0, 3},       // '?' with nothing left to take
        {"a*a?a", "aa", 0, 2},        // the star gives back two; '?' takes one of them
        {"a*a?a", "a", -1, 0},        // '?' takes the only 'a' the last element needed
        {".*b", "abab\nb", 0, 4},    // '.' stops at the line feed, then gives back
        {"b*$", "ab\nab", 1, 1},     // an end of line in front of the line feed
        {"a+$", "aa\naaa", 0, 2},
        {"[ab]+b", "abab", 0, 4},
        {"a.*c", "xabcac", 1, 5},     // greedy: the last 'c'
        {"x*$", "ab", -1, 0},         // the position behind the last byte is never a start
        {"b+c?b", "abbb", 1, 3},      // the longest run leaves no 'b': one less
        {"b+c?b", "abbbcb", 1, 5},
    });
    ExpectFinds({{"c?", "abc", 1, 0}}, 1);
}

// Nested stars would make backtracking try every split of a line among them: the
// backtracker remembers failed attempts once a search runs long, the automaton never tries
// a state twice at one position, so these finish at once and find the right match.
TEST(Regexp, NestedRepetitionsStayFast) {
    const std::string stars = Repeat("a*", 20);
    ExpectFinds({
        {stars + "c", Repeat("a", 80), -1, 0},
        {stars + "b", Repeat("a", 60) + "c" + Repeat("a", 20) + "b", 61, 21},
        {Repeat("[ab]*", 5) + "ab*c", Repeat("ab", 50) + "c", 0, 101},
        {Repeat(".+", 30) + "x", Repeat("y", 300), -1, 0},
    });
}

} // namespace
