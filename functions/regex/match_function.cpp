// match(s;pat): compiles the pattern per call and cuts the match out of s in place.
#include "functions/regex/match_function.h"

#include <cstddef>
#include <string>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "functions/regex/regexp.h"
#include "functions/strings/text_arguments.h"

namespace NuvixParser {

namespace {

// A break (F4) ends a long search; the run then ends with the break error like a loop.
class TBreakOfRun final : public TStopRequest {
public:
    explicit TBreakOfRun(const TCalcInfo& ci) : ci_(ci) {}
    bool Requested() const override { return ci_.BreakRequested(); }

private:
    const TCalcInfo& ci_;
};

// A pattern that fails to compile, like one that is not found, gives the empty string.
void Match(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    TArgumentSlot slot(f.FillCount(), f.Value(1));
    if (!ReadTextAndNext(f, ci, result, slot)) return;
    MakeText(slot.Value());

    const TRegexp pattern(slot.Value().text);
    std::string& s = result.text;
    std::size_t length = 0;
    const TBreakOfRun stop(ci);
    const std::ptrdiff_t pos = pattern.Find(s, 0, length, &stop);
    if (ci.BreakRequested()) {
        ci.SetBreaked();
        return;
    }
    if (pos < 0 || length == 0) {
        s.clear();
        return;
    }
    // An empty match at the start of an empty text reports length 1: resize never grows here.
    const auto start = static_cast<std::size_t>(pos);
    if (length < s.size() - start) s.resize(start + length);
    s.erase(0, start);
}

constexpr TBuiltin kRegexFunctions[] = {
    {.name = "match",
     .params = "ss",
     .paramText = "s;pat",
     .description = "This returns the part of the string <s> that matches the pattern <pat>. If the pattern is not "
                    "found "
                    "an empty string is returned.\n"
                    "The pattern may contain:\n"
                    "^ the beginning of the text (only as the first character of the pattern)\n"
                    "$ the end of a line (only as the last character of the pattern)\n"
                    ". any character except a line feed\n"
                    "[abc] one of the characters a, b or c; [a-z] one character of a range; [^abc] any character that "
                    "is not a, b or c\n"
                    "? the preceding character, '.' or class once or not at all\n"
                    "* the preceding character, '.' or class any number of times\n"
                    "+ the preceding character, '.' or class at least once\n"
                    "\\b backspace, \\e escape, \\f form feed, \\n line feed, \\r carriage return, \\s space, \\t "
                    "tab\n"
                    "\\xHHH the character with the hexadecimal code HHH, \\DDD the character with the octal code DDD\n"
                    "\\^c the control character c (\\^M is a carriage return)\n"
                    "\\ followed by any other character gives that character, for example \\. \\* \\[ \\\\ \\$",
     .example = "match('The length is 120 km and more';'[0-9]+\\s*km')",
     .explanation = "This returns '120 km'.",
     .lazy = Match},
};

} // namespace

std::span<const TBuiltin> RegexFunctionTable() {
    return kRegexFunctions;
}

} // namespace NuvixParser
