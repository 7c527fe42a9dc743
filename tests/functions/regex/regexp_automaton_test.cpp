// The automaton behind TRegexp::Find against the backtracker, on random patterns and texts;
// long texts; a stop request.
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "functions/regex/regexp.h"

namespace {

using NuvixParser::TRegexp;

// Bytes shown as C escapes, so that a failing pair can be pasted into a test.
std::string Escaped(std::string_view s) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += ch;
        } else if (c >= 32 && c < 127) {
            out += ch;
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
            out += "\"\""; // ends the hex escape before a following hex digit
        }
    }
    return out;
}

// Random patterns and texts over a few bytes, so that most pairs come close to matching and
// every part of the pattern language meets every kind of byte: line feeds, zero bytes, a
// byte above 127, pattern characters inside texts.
class TPairMaker {
public:
    explicit TPairMaker(std::uint32_t seed) : random_(seed) {}

    std::string Pattern() {
        static const char* const kElements[] = {
            "a", "b", "c", ".", "[ab]", "[^a]", "[a-c]", "[]", "[^\\n]", "[\\x00-b]", "\\n", "\\x00",
            "\xE9", "[\xE9-\xFF]", "\\.", "-", "^", "$", "\\", "[",
        };
        // Mostly well-formed, sometimes with a repetition where none may stand ('^*', 'a**',
        // a leading '+'), which must fail to compile in both.
        static const char* const kRepeats[] = {"", "", "", "*", "+", "?"};
        std::string p;
        if (Chance(6)) p += '^';
        const int count = 1 + Below(5);
        for (int i = 0; i < count; ++i) {
            p += Pick(kElements);
            p += Pick(kRepeats);
            if (Chance(40)) p += Pick(kRepeats);
        }
        if (Chance(6)) p += '$';
        if (Chance(60)) p += static_cast<char>(Below(256)); // any byte, even a line feed
        return p;
    }

    // Some bytes come in runs: the automaton passes over runs of alike bytes in one go.
    std::string Text() {
        static const char kBytes[] = {'a', 'a', 'a', 'b', 'b', 'c', '\n', '\0', '\xE9', '.', '-', 'x'};
        std::string t;
        const int pieces = Below(3) == 0 ? Below(4) : Below(24);
        for (int i = 0; i < pieces; ++i)
            t.append(Chance(4) ? 2 + Below(20) : 1, kBytes[Below(static_cast<int>(sizeof kBytes))]);
        return t;
    }

    // Usually 0 (as match searches), else any position up to one behind the end.
    std::size_t Start(std::size_t textSize) {
        return Chance(4) ? static_cast<std::size_t>(Below(static_cast<int>(textSize) + 2)) : 0;
    }

private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(int oneIn) { return Below(oneIn) == 0; }
    template <std::size_t N> const char* Pick(const char* const (&list)[N]) { return list[Below(static_cast<int>(N))]; }

    std::mt19937 random_;
};

// The normal build checks 100,000 pairs; the sanitizer and Debug builds, ten times slower,
// fewer. VARNEX_REGEXP_PAIRS=n asks for another number (a million, now and then).
int PairCount() {
    if (const char* asked = std::getenv("VARNEX_REGEXP_PAIRS")) return std::atoi(asked);
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
    return 100000;
#else
    return 10000;
#endif
}

TEST(RegexpAutomaton, AgreesWithTheBacktrackerOnRandomPairs) {
    TPairMaker maker(20240611);
    const int count = PairCount();
    int matched = 0;
    int compiled = 0;
    for (int i = 0; i < count; ++i) {
        const std::string pattern = maker.Pattern();
        const std::string text = maker.Text();
        const std::size_t start = maker.Start(text.size());
        const TRegexp regexp(pattern);
        std::size_t length = 99;
        std::size_t expectedLength = 99;
        const std::ptrdiff_t pos = regexp.Find(text, start, length);
        const std::ptrdiff_t expected = regexp.FindByBacktracking(text, start, expectedLength);
        ASSERT_TRUE(pos == expected && length == expectedLength)
            << "pair " << i << ": pattern \"" << Escaped(pattern) << "\" text \"" << Escaped(text) << "\" start "
            << start << ": automaton " << pos << "/" << length << ", backtracker " << expected << "/"
            << expectedLength;
        compiled += regexp.Status() == TRegexp::kOk;
        matched += pos >= 0 && length > 0;
    }
    RecordProperty("compiled", compiled);
    RecordProperty("matched", matched);
    // The pairs are worth their time only if they mix successes and failures.
    EXPECT_GT(compiled, count / 2);
    EXPECT_GT(matched, count / 10);
    EXPECT_LT(matched, count * 9 / 10);
}

// Texts far longer than any the random pairs reach, with known matches: these are the
// searches the backtracker needs seconds or more for, and long runs of alike bytes that the
// automaton passes over in one go.
TEST(RegexpAutomaton, FindsMatchesInLongTexts) {
    const std::string digits(1'000'000, '7');
    std::string cycling; // bytes that differ but are alike to every element of '[0-9]+km'
    for (int i = 0; i < 1'000'000; ++i) cycling += static_cast<char>('0' + i % 10);
    std::string twelveStars;
    for (int i = 0; i < 12; ++i) twelveStars += ".*";
    const struct {
        std::string pattern;
        std::string text;
        std::ptrdiff_t position;
        std::size_t length;
    } cases[] = {
        {"[0-9]+km", digits, -1, 0},
        {"[0-9]+km", digits + "km", 0, digits.size() + 2},
        {"[0-9]+km", cycling + "km", 0, cycling.size() + 2},
        {"[0-9]+km", cycling + "k" + cycling + "km", static_cast<std::ptrdiff_t>(cycling.size()) + 1,
         cycling.size() + 2},
        {"[0-9]+km", "x" + digits + " km 12km", static_cast<std::ptrdiff_t>(digits.size()) + 5, 4},
        {twelveStars + "x", digits, -1, 0},
        {twelveStars + "x", digits + "x" + digits + "x7", 0, 2 * digits.size() + 2},
        {twelveStars + "x", "\n" + digits + "x", 1, digits.size() + 1}, // '.' stops at line feeds
        {"7*$", digits + "\n" + digits, 0, digits.size()},
        {".*x", digits + "\nx", static_cast<std::ptrdiff_t>(digits.size()) + 1, 1}, // all before die at the line feed
        {"^7+8", digits + "8", 0, digits.size() + 1},
        {"^7+8", digits, -1, 0},
        {"7x", digits + "x", static_cast<std::ptrdiff_t>(digits.size()) - 1, 2}, // the latest attempt
        {"7+x", digits + "x", 0, digits.size() + 1},                           // the first attempt
        {"x[0-9]*y", "x" + digits + "y", 0, digits.size() + 2},
    };
    for (const auto& c : cases) {
        std::size_t length = 99;
        EXPECT_EQ(TRegexp(c.pattern).Find(c.text, 0, length), c.position) << c.pattern;
        EXPECT_EQ(length, c.length) << c.pattern;
    }
}

class TStopAfter final : public NuvixParser::TStopRequest {
public:
    explicit TStopAfter(int answersNo) : answersNo_(answersNo) {}
    bool Requested() const override { return ++asked_ > answersNo_; }
    int Asked() const { return asked_; }

private:
    int answersNo_;
    mutable int asked_ = 0;
};

// A long search asks whether to stop as it goes; told to stop, it reports no match.
TEST(RegexpAutomaton, StopsWhenAsked) {
    const std::string text = std::string(1'000'000, 'a') + "b";
    const TRegexp regexp("a*a*b");
    std::size_t length = 99;

    const TStopAfter never(1'000'000);
    EXPECT_EQ(regexp.Find(text, 0, length, &never), 0);
    EXPECT_EQ(length, text.size());
    EXPECT_GT(never.Asked(), 0);

    const TStopAfter atOnce(0);
    EXPECT_EQ(regexp.Find(text, 0, length, &atOnce), -1);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(atOnce.Asked(), 1);
}

} // namespace
