// The regex area's registration table and the help texts of match.
#include <gtest/gtest.h>

#include "functions/regex/match_function.h"
#include "tests/functions/help_texts.h"

namespace {

using NuvixTest::THelpRow;

constexpr THelpRow kRegexHelp[] = {
    {"match", "match(s;pat)",
     "This returns the part of the string <s> that matches the pattern <pat>. If the pattern is not found an "
     "empty string is returned.\n"
     "The pattern may contain:\n"
     "^ the beginning of the text (only as the first character of the pattern)\n"
     "$ the end of a line (only as the last character of the pattern)\n"
     ". any character except a line feed\n"
     "[abc] one of the characters a, b or c; [a-z] one character of a range; [^abc] any character that is "
     "not "
     "a, b or c\n"
     "? the preceding character, '.' or class once or not at all\n"
     "* the preceding character, '.' or class any number of times\n"
     "+ the preceding character, '.' or class at least once\n"
     "\\b backspace, \\e escape, \\f form feed, \\n line feed, \\r carriage return, \\s space, \\t tab\n"
     "\\xHHH the character with the hexadecimal code HHH, \\DDD the character with the octal code DDD\n"
     "\\^c the control character c (\\^M is a carriage return)\n"
     "\\ followed by any other character gives that character, for example \\. \\* \\[ \\\\ \\$",
     "match('The length is 120 km and more';'[0-9]+\\s*km')", "This returns '120 km'."},
};

TEST(RegexHelp, MatchHasItsHelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::RegexFunctionTable(), kRegexHelp);
}

} // namespace
