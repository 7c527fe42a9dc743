// match(s;pat) through scripts: every rule of the pattern language, as (script, result) rows.
#include <string>

#include <gtest/gtest.h>

#include "tests/functions/script_cases.h"
#include "tests/functions/threaded_run.h"

namespace {

using NuvixTest::ExpectResults;

// Results are compared with a '|' behind them where an empty or blank-edged text matters.

TEST(MatchFunction, FindsTheLeftmostMatch) {
    ExpectResults({
        {"match('The length is 120 km and more';'[0-9]+\\s*km')", "120 km"},
        {"match('abc';'b')", "b"},
        {"match('abcabc';'bc')", "bc"},
        {"match('abc';'d')+'|'", "|"},
        {"match('';'a')+'|'", "|"},
        {"match(12345;'3.')", "34"},    // the text reading of a number
        {"match('a2b';2)", "2"},        // and of a numeric pattern
        {"match('abc';'b')+'1'", "b1"}, // the result is a text
    });
}

TEST(MatchFunction, Anchors) {
    ExpectResults({
        {"match('abc';'^a')", "a"},
        {"match('abc';'^b')+'|'", "|"},
        {"match('a^b';'a^b')", "a^b"}, // '^' inside: a literal
        {"match('abc';'c$')", "c"},
        {"match('ab'+chr(10)+'cd';'b$')", "b"}, // end of line before a line feed
        {"match('abc';'b$')+'|'", "|"},
        {"match('abc';'$')+'|'", "|"}, // only '$' never matches a non-empty text
        {"match('a$b';'a$b')", "a$b"}, // '$' inside: a literal
        {"match('abc';'^abc$')", "abc"},
        {"match('';'^$')+'|'", "|"},          // matches with length 1: the empty substring
        {"match('ab'+chr(10);'$')+'|'", "|"}, // an empty match behind position 0 is no match
    });
}

TEST(MatchFunction, AnyCharacterStopsAtLineFeeds) {
    ExpectResults({
        {"match('abc';'a.c')", "abc"},
        {"match('ab'+chr(10)+'cd';'b.c')+'|'", "|"},
        {"match('abc'+chr(10)+'def';'.*')", "abc"},
        {"match('a.c';'\\.')", "."},
    });
}

TEST(MatchFunction, CharacterClasses) {
    ExpectResults({
        {"match('x42y';'[0-9]+')", "42"},
        {"match('x42y';'[9-0]+')", "42"}, // a range in either order
        {"match('A1';'[^0-9]')", "A"},
        {"match('1A';'[^0-9]')", "A"},
        {"match('-5';'[-0-9]+')", "-5"},    // a leading '-' is a member
        {"match('x-a-';'[a-]+')", "-a-"},   // so is a '-' before ']'
        {"match('#-9z';'[a-c-9]+')", "-9"}, // a '-' right after a range is a member
        {"match('abc';'[]')+'|'", "|"},     // an empty class matches nothing
        {"match('abc';'[^]')", "a"},        // its complement matches everything
        {"match('a]b';'[\\]]')", "]"},
        {"match('xbz';'[a-c')", "b"},              // closed by the end of the pattern
        {"match('ABCD';'[\\x41-\\x43]+')", "ABC"}, // escapes as range ends
        {"match('a'+chr(9)+'b';'[\\t]')", "\t"},
        {"match('ab'+chr(10);'[^ab]')", "\n"}, // a complement includes the line feed
    });
}

TEST(MatchFunction, Repetitions) {
    ExpectResults({
        {"match('xaaay';'a+')", "aaa"},
        {"match('xaaay';'xa*y')", "xaaay"},
        {"match('xy';'xa*y')", "xy"},
        {"match('xy';'xa+y')+'|'", "|"},
        {"match('aa';'a?a')", "aa"},
        {"match('a';'a?a')+'|'", "|"}, // no backtracking into '?'
        {"match('xay';'xa?y')", "xay"},
        {"match('abc';'x*')", "a"}, // empty at the start: the first character
        {"match('cb';'b*')", "c"},
        {"match('aaab';'a*ab')", "aaab"},   // a star gives back what the rest needs
        {"match('abcbc';'a.*c')", "abcbc"}, // greedy
        {"match('ac';'a.+c')+'|'", "|"},
        {"match('a';'a+a')+'|'", "|"},
        {"match('12x3y';'[0-9]*x[0-9]+')", "12x3"},
        {"match('a**';'a\\*+')", "a**"},
    });
}

TEST(MatchFunction, Escapes) {
    ExpectResults({
        {"match('tab'+chr(9)+'x';'\\t.')", "\tx"},
        {"match('AB';'\\x41')", "A"},
        {"match('AB';'\\X42')", "B"},      // escape letters in either case
        {"match('AB';'\\102')", "B"},      // octal
        {"match('AB';'\\1012')+'|'", "|"}, // three octal digits at most: 'A' then '2'
        {"match('A2';'\\1012')", "A2"},
        {"match('AB';'\\101B')", "AB"},
        {"match('a'+chr(20);'a\\x414')", "a\x14"}, // three hex digits, low 8 bits of 0x414
        {"match('ab c';'\\s')+'|'", " |"},
        {"match('ab c';'\\S')+'|'", " |"},
        {"match('a'+chr(13);'\\^M')", "\r"}, // control code: 'M' - 64
        {"match('a'+chr(13);'\\^m')", "\r"},
        {"match('a'+chr(27);'\\e')", "\x1B"},
        {"match('a'+chr(12)+chr(8);'\\f\\b')", "\f\b"},
        {"match('a'+chr(10);'\\n')", "\n"},
        {"match('a'+chr(13);'\\r')", "\r"},
        {"match('98';'\\8')", "8"}, // not octal: the character itself
        {"match('a\\b';'\\\\')", "\\"},
        {"match('a\\';'a\\')", "a\\"}, // a trailing backslash is itself
        {"match('a$';'a\\$')", "a$"},
        {"match('x^';'\\^')", "^"}, // '\\^' with nothing behind it
        {"match('[x]';'\\[x')", "[x"},
    });
}

// A \x00 or \0 must not end the compiled program: 'a' followed by a zero byte is not 'a'.
TEST(MatchFunction, ZeroEscapesKeepTheirPlace) {
    ExpectResults({
        {"match('ab';'a\\x')+'|'", "|"}, // \x without digits is 0
        {"match('ab';'a\\0')+'|'", "|"},
        {"match('ab';'a\\x00')+'|'", "|"},
        {"match('ab';'a\\^@')+'|'", "|"},
    });
}

TEST(MatchFunction, PatternsThatFailToCompileGiveTheEmptyString) {
    const std::string longPattern(128, 'a');
    const std::string fits(127, 'a');
    ExpectResults({
        {"match('abc';'')+'|'", "|"},
        {"match('*a';'*a')+'|'", "|"},
        {"match('+a';'+a')+'|'", "|"},
        {"match('?a';'?a')+'|'", "|"},
        {"match('aaa';'a**')+'|'", "|"},
        {"match('abc';'^*')+'|'", "|"},
    });
    EXPECT_EQ(NuvixTest::Eval("match('" + fits + "';'" + fits + "')"), fits);
    EXPECT_EQ(NuvixTest::Eval("match('" + longPattern + "';'" + longPattern + "')+'|'"), "|");
}

TEST(MatchFunction, PatternEndsAtALineFeed) {
    ExpectResults({
        {"match('xab';'a'+chr(10)+'c')", "a"},
        {"match('xab';chr(10)+'a')+'|'", "|"},
    });
}

// s is cut where it lies and the pattern waits in a slot; a recursive call of the same call
// site through the pattern argument must not disturb either.
TEST(MatchFunction, SurvivesRecursionThroughThePattern) {
    ExpectResults({
        {"define(q(n); match('abbbc'; if(n<1; 'b+'; q(n-1)))), q(2)", "bbb"},
        {"define(r(n); match(if(n<1; 'x12y'; r(n-1)); '[0-9]+')), r(3)", "12"},
    });
}

// A search walks every text byte once for each element of the pattern that is still alive
// (only runs of bytes that leave every element as it was are passed over at once): 62 stars
// over 16 MiB of alternating bytes take seconds, and a break must end the search like a loop.
TEST(MatchFunction, BreakEndsALongSearch) {
    using namespace std::chrono_literals;
    std::string stars;
    for (int i = 0; i < 62; ++i) stars += ".*";
    const std::string script = "s = 'ab', for(i = 0; i < 23; i += 1; s = s + s), match(s; '" + stars + "ax')";
    const auto run = NuvixTest::RunGuarded(script, 500ms);
    EXPECT_EQ(run.outcome, "Error: Breaked");
    EXPECT_LT(run.time, 5s);
}

} // namespace
