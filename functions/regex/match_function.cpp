// match(s;pat): compiles the pattern per call and cuts the match out of s in place.
#include "functions/regex/match_function.h"

#include <cstddef>
#include <string>

#include "engine/calc_info.h"
#include "engine/stack_guard.h"
#include "functions/regex/regexp.h"
#include "functions/strings/text_arguments.h"

namespace NuvixParser {

const char* TMatch::Description() const {
    return "This returns the part of the string <s> that matches the pattern <pat>. If the pattern is not "
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
           "\\ followed by any other character gives that character, for example \\. \\* \\[ \\\\ \\$";
}

namespace {

// A break (F4) ends a long search; the run then ends with the break error like a loop.
class TBreakOfRun final : public TStopRequest {
public:
    explicit TBreakOfRun(const TCalcInfo& ci) : ci_(ci) {}
    bool Requested() const override { return ci_.BreakRequested(); }

private:
    const TCalcInfo& ci_;
};

} // namespace

void TMatch::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    MakeText(result);
    TArgumentSlot slot(filling_, values_[1]);
    Arg(1)->Evaluate(ci, slot.Value());
    if (ci.error) return;
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

namespace {

constexpr TFunctionTableEntry kRegexFunctions[] = {
    {"match", &MakeFunction<TMatch>},
};

} // namespace

std::span<const TFunctionTableEntry> RegexFunctionTable() {
    return kRegexFunctions;
}

} // namespace NuvixParser
