// The string area's registration table and the help texts of its ten functions.
#include <gtest/gtest.h>

#include "functions/strings/string_functions.h"
#include "tests/functions/help_texts.h"

namespace {

using NuvixTest::THelpRow;

constexpr THelpRow kStringHelp[] = {
    {"str", "str(a;minlen;digits)",
     "Converts <a> into a string in general format that is at least <minlen> characters wide and has at most "
     "<digits> significant digits.",
     "str(3.14159;8;3)", "This returns '    3.14'.", "strzero(a;minlen;decimals)"},
    {"strzero", "strzero(a;minlen;decimals)",
     "Converts <a> into a string in fixed format with <decimals> decimals that is padded to <minlen> "
     "characters "
     "with leading zeros.",
     "strzero(10.6;8;4)", "This returns '010.6000'.", "str(a;minlen;digits)"},
    {"substr", "substr(s;idx;len)",
     "Returns the part of the string <s> that starts at position <idx> and is <len> characters long. The "
     "first "
     "position is 0.",
     "substr('hugo';1;2)", "This returns 'ug'."},
    {"concat", "concat(s1;s2)", "Concatenates the strings <s1> and <s2> and returns the result.",
     "println(concat('hey ';'you'))", "This writes 'hey you' to the output window."},
    {"findstr", "findstr(s;subs)",
     "Finds the substring <subs> in <s> and returns the starting position of <subs> in <s>. The first "
     "position "
     "is 0. If the string is not found -1 is returned.",
     "findstr('hugo';'ug')", "This returns 1."},
    {"asc", "asc(s)", "Returns the code (0 to 255) of the first character of the string <s>.", "asc('x')",
     "The result is the ASCII code of 'x' which is 120.", "chr(a)"},
    {"chr", "chr(a)", "Returns a string of one character with the code <a>.", "commwrite(0;'test'+chr(13))",
     "This writes a string 'test' terminated by a carriage return to the first serial port.", "asc(s)"},
    {"strcmp", "strcmp(s1;s2)",
     "Compares the strings <s1> and <s2> with regard to case. Returns a negative number if <s1> is less than "
     "<s2>, 0 if both are equal and a positive number if <s1> is greater than <s2>.",
     "strcmp('alpha';'egon')", "This returns -4.", "stricmp(s1;s2)"},
    {"stricmp", "stricmp(s1;s2)",
     "Compares the strings <s1> and <s2> without regard to case. Returns a negative number if <s1> is less "
     "than "
     "<s2>, 0 if both are equal and a positive number if <s1> is greater than <s2>.",
     "stricmp('Alpha';'ALPHA')", "This returns 0.", "strcmp(s1;s2)"},
    {"xorstr", "xorstr(s)",
     "Performs a logical xor of all characters in the string <s> and returns the result."},
};

TEST(StringsHelp, EveryFunctionHasItsHelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::StringFunctionTable(), kStringHelp);
}

} // namespace
