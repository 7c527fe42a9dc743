// String functions. Texts are byte strings and positions count bytes from 0.
#include "functions/strings/string_functions.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "functions/strings/number_format.h"
#include "functions/strings/text_arguments.h"

namespace NuvixParser {
namespace {

// str and strzero take only numbers, each read as soon as it is evaluated, so the caller's
// result serves as the scratch value and no slot is held across a nested evaluation.
bool ReadFormatArguments(const TFunction& f, TCalcInfo& ci, TReturnValue& result, double& a,
                         std::int32_t& width, std::int32_t& precision) {
    f.Arg(0)->Evaluate(ci, result);
    if (ci.error) return false;
    a = result.GetNumber();
    f.Arg(1)->Evaluate(ci, result);
    if (ci.error) return false;
    width = result.GetInt();
    f.Arg(2)->Evaluate(ci, result);
    if (ci.error) return false;
    precision = result.GetInt();
    return true;
}

void SetTooLong(TCalcInfo& ci, const char* name) {
    ci.SetError(std::string(name) + ": Text longer than " + std::to_string(kMaxFormattedLength) +
                " characters");
}

unsigned char UpperAscii(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

// printf's "%*.*lg": right-aligned in minlen (left-aligned when negative), at most digits
// significant digits.
void Str(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    double a = 0;
    std::int32_t width = 0, digits = 0;
    if (!ReadFormatArguments(f, ci, result, a, width, digits)) return;
    if (!FormatPrintf(result.text, a, TPrintfStyle::General, width, digits, kMaxFormattedLength)) {
        SetTooLong(ci, "Str");
        return;
    }
    result.isString = true;
}

// printf's "%*.*lf" with every leading space turned into '0', so a negative number gets its
// zeros in front of the sign: strzero(-3.5;8;2) is '000-3.50'.
void StrZero(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    double a = 0;
    std::int32_t width = 0, decimals = 0;
    if (!ReadFormatArguments(f, ci, result, a, width, decimals)) return;
    std::string& text = result.text;
    if (!FormatPrintf(text, a, TPrintfStyle::Fixed, width, decimals, kMaxFormattedLength)) {
        SetTooLong(ci, "StrZero");
        return;
    }
    // Only the padding of right-aligned text can be leading spaces.
    for (char& c : text) {
        if (c != ' ') break;
        c = '0';
    }
    result.isString = true;
}

// A start outside 0..length gives the empty string; a negative len reaches to the end.
void SubStr(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    // s is cut where it lies, in the caller's result.
    TArgumentSlot slot(f.FillCount(), f.Value(1));
    if (!ReadTextAndNext(f, ci, result, slot)) return;
    const std::int64_t idx = slot.Value().GetInt();
    f.Arg(2)->Evaluate(ci, slot.Value());
    if (ci.error) return;
    const std::int64_t len = slot.Value().GetInt();

    std::string& s = result.text;
    const auto size = static_cast<std::int64_t>(s.size());
    if (idx < 0 || idx > size) {
        s.clear();
        return;
    }
    if (len >= 0 && len < size - idx) s.resize(static_cast<std::size_t>(idx + len));
    s.erase(0, static_cast<std::size_t>(idx));
}

// The joined text ends at its first zero byte.
void Concat(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    // s2 is appended to s1 where s1 lies, in the caller's result.
    TArgumentSlot slot(f.FillCount(), f.Value(1));
    if (!ReadTextAndNext(f, ci, result, slot)) return;

    std::string& s = result.text;
    const std::size_t zero = s.find('\0');
    if (zero != std::string::npos) {
        s.resize(zero);
        return;
    }
    const TReturnValue& s2 = slot.Value();
    if (s2.isString)
        s.append(std::string_view(s2.text).substr(0, s2.text.find('\0')));
    else
        AppendNumber(s, s2.number);
}

void FindStr(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    TArgumentSlot slot(f.FillCount(), f.Value(1));
    if (!ReadTextAndNext(f, ci, result, slot)) return;
    std::string buffer;
    const std::size_t pos = result.text.find(TextView(slot.Value(), buffer));
    result.SetNumber(pos == std::string::npos ? -1.0 : static_cast<double>(pos));
}

void Asc(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    f.Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    std::string buffer;
    const std::string_view s = TextView(result, buffer);
    result.SetNumber(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}

// The low 8 bits of the integer reading are the code; code 0 gives the empty string.
void Chr(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    f.Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    const auto code = static_cast<unsigned char>(result.GetInt() & 0xFF);
    result.text.clear();
    if (code != 0) result.text.push_back(static_cast<char>(code));
    result.isString = true;
}

// Unsigned bytes: the difference at the first differing byte, else -1 or 1 for a prefix.
double StrCmp(TBuiltinCall& f, TCalcInfo&) {
    std::string buffer1, buffer2;
    const std::string_view a = TextView(f.Value(0), buffer1);
    const std::string_view b = TextView(f.Value(1), buffer2);
    const auto [pa, pb] = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin());
    if (pa != a.begin() + std::min(a.size(), b.size()))
        return static_cast<unsigned char>(*pa) - static_cast<unsigned char>(*pb);
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// As zero-terminated strings with a-z upper-cased: stricmp('_';'a') is 95 - 65 = 30.
double StrICmp(TBuiltinCall& f, TCalcInfo&) {
    std::string buffer1, buffer2;
    const std::string_view a = TextView(f.Value(0), buffer1);
    const std::string_view b = TextView(f.Value(1), buffer2);
    // Zero-terminated: the end of a text, like a zero byte inside it, reads as 0.
    for (std::size_t i = 0;; ++i) {
        const unsigned char x = i < a.size() ? UpperAscii(static_cast<unsigned char>(a[i])) : 0;
        const unsigned char y = i < b.size() ? UpperAscii(static_cast<unsigned char>(b[i])) : 0;
        if (x != y) return x - y;
        if (x == 0) return 0;
    }
}

// The result is a signed byte: xorstr(chr(200)) is -56.
void XorStr(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    f.Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    std::string buffer;
    unsigned char x = 0;
    for (const char c : TextView(result, buffer)) x ^= static_cast<unsigned char>(c);
    result.SetNumber(static_cast<std::int8_t>(x));
}

constexpr TBuiltin kStringFunctions[] = {
    {.name = "str",
     .params = "nnn",
     .paramText = "a;minlen;digits",
     .description = "Converts <a> into a string in general format that is at least <minlen> characters wide and "
                    "has "
                    "at most <digits> significant digits.",
     .example = "str(3.14159;8;3)",
     .explanation = "This returns '    3.14'.",
     .seeAlso = "strzero(a;minlen;decimals)",
     .lazy = Str},
    {.name = "strzero",
     .params = "nnn",
     .paramText = "a;minlen;decimals",
     .description = "Converts <a> into a string in fixed format with <decimals> decimals that is padded to "
                    "<minlen> "
                    "characters with leading zeros.",
     .example = "strzero(10.6;8;4)",
     .explanation = "This returns '010.6000'.",
     .seeAlso = "str(a;minlen;digits)",
     .lazy = StrZero},
    {.name = "substr",
     .params = "snn",
     .paramText = "s;idx;len",
     .description = "Returns the part of the string <s> that starts at position <idx> and is <len> characters "
                    "long. "
                    "The first position is 0.",
     .example = "substr('hugo';1;2)",
     .explanation = "This returns 'ug'.",
     .lazy = SubStr},
    {.name = "concat",
     .params = "ss",
     .paramText = "s1;s2",
     .description = "Concatenates the strings <s1> and <s2> and returns the result.",
     .example = "println(concat('hey ';'you'))",
     .explanation = "This writes 'hey you' to the output window.",
     .lazy = Concat},
    {.name = "findstr",
     .params = "ss",
     .paramText = "s;subs",
     .description = "Finds the substring <subs> in <s> and returns the starting position of <subs> in <s>. The "
                    "first "
                    "position is 0. If the string is not found -1 is returned.",
     .example = "findstr('hugo';'ug')",
     .explanation = "This returns 1.",
     .lazy = FindStr},
    {.name = "asc",
     .params = "s",
     .paramText = "s",
     .description = "Returns the code (0 to 255) of the first character of the string <s>.",
     .example = "asc('x')",
     .explanation = "The result is the ASCII code of 'x' which is 120.",
     .seeAlso = "chr(a)",
     .lazy = Asc},
    {.name = "chr",
     .params = "n",
     .description = "Returns a string of one character with the code <a>.",
     .example = "commwrite(0;'test'+chr(13))",
     .explanation = "This writes a string 'test' terminated by a carriage return to the first serial port.",
     .seeAlso = "asc(s)",
     .lazy = Chr},
    {.name = "strcmp",
     .params = "ss",
     .paramText = "s1;s2",
     .description = "Compares the strings <s1> and <s2> with regard to case. Returns a negative number if <s1> is "
                    "less "
                    "than <s2>, 0 if both are equal and a positive number if <s1> is greater than <s2>.",
     .example = "strcmp('alpha';'egon')",
     .explanation = "This returns -4.",
     .seeAlso = "stricmp(s1;s2)",
     .number = StrCmp},
    {.name = "stricmp",
     .params = "ss",
     .paramText = "s1;s2",
     .description = "Compares the strings <s1> and <s2> without regard to case. Returns a negative number if <s1> "
                    "is "
                    "less than <s2>, 0 if both are equal and a positive number if <s1> is greater than <s2>.",
     .example = "stricmp('Alpha';'ALPHA')",
     .explanation = "This returns 0.",
     .seeAlso = "strcmp(s1;s2)",
     .number = StrICmp},
    {.name = "xorstr",
     .params = "s",
     .paramText = "s",
     .description = "Performs a logical xor of all characters in the string <s> and returns the result.",
     .lazy = XorStr},
};

} // namespace

std::span<const TBuiltin> StringFunctionTable() {
    return kStringFunctions;
}

} // namespace NuvixParser
