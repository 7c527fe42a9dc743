// String functions. Texts are byte strings and positions count bytes from 0.
#include "functions/strings/string_functions.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/calc_info.h"
#include "engine/stack_guard.h"
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

} // namespace

void TStr::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    double a = 0;
    std::int32_t width = 0, digits = 0;
    if (!ReadFormatArguments(*this, ci, result, a, width, digits)) return;
    if (!FormatPrintf(result.text, a, TPrintfStyle::General, width, digits, kMaxFormattedLength)) {
        SetTooLong(ci, "Str");
        return;
    }
    result.isString = true;
}

void TStrZero::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    double a = 0;
    std::int32_t width = 0, decimals = 0;
    if (!ReadFormatArguments(*this, ci, result, a, width, decimals)) return;
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

void TSubStr::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    // s is cut where it lies, in the caller's result.
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    MakeText(result);
    TArgumentSlot slot(filling_, values_[1]);
    Arg(1)->Evaluate(ci, slot.Value());
    if (ci.error) return;
    const std::int64_t idx = slot.Value().GetInt();
    Arg(2)->Evaluate(ci, slot.Value());
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

void TConcat::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    // s2 is appended to s1 where s1 lies, in the caller's result.
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    MakeText(result);
    TArgumentSlot slot(filling_, values_[1]);
    Arg(1)->Evaluate(ci, slot.Value());
    if (ci.error) return;

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

void TFindStr::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    MakeText(result);
    TArgumentSlot slot(filling_, values_[1]);
    Arg(1)->Evaluate(ci, slot.Value());
    if (ci.error) return;
    std::string buffer;
    const std::size_t pos = result.text.find(TextView(slot.Value(), buffer));
    result.SetNumber(pos == std::string::npos ? -1.0 : static_cast<double>(pos));
}

void TAsc::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    std::string buffer;
    const std::string_view s = TextView(result, buffer);
    result.SetNumber(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}

void TChr::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    const auto code = static_cast<unsigned char>(result.GetInt() & 0xFF);
    result.text.clear();
    if (code != 0) result.text.push_back(static_cast<char>(code));
    result.isString = true;
}

long double TStrCmp::Compute(TCalcInfo&) {
    std::string buffer1, buffer2;
    const std::string_view a = TextView(Value(0), buffer1);
    const std::string_view b = TextView(Value(1), buffer2);
    const auto [pa, pb] = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin());
    if (pa != a.begin() + std::min(a.size(), b.size()))
        return static_cast<unsigned char>(*pa) - static_cast<unsigned char>(*pb);
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

long double TStrICmp::Compute(TCalcInfo&) {
    std::string buffer1, buffer2;
    const std::string_view a = TextView(Value(0), buffer1);
    const std::string_view b = TextView(Value(1), buffer2);
    // Zero-terminated: the end of a text, like a zero byte inside it, reads as 0.
    for (std::size_t i = 0;; ++i) {
        const unsigned char x = i < a.size() ? UpperAscii(static_cast<unsigned char>(a[i])) : 0;
        const unsigned char y = i < b.size() ? UpperAscii(static_cast<unsigned char>(b[i])) : 0;
        if (x != y) return x - y;
        if (x == 0) return 0;
    }
}

void TXorStr::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    std::string buffer;
    unsigned char x = 0;
    for (const char c : TextView(result, buffer)) x ^= static_cast<unsigned char>(c);
    result.SetNumber(static_cast<std::int8_t>(x));
}

namespace {

constexpr TFunctionTableEntry kStringFunctions[] = {
    {"str", &MakeFunction<TStr>},         {"strzero", &MakeFunction<TStrZero>},
    {"substr", &MakeFunction<TSubStr>},   {"concat", &MakeFunction<TConcat>},
    {"findstr", &MakeFunction<TFindStr>}, {"asc", &MakeFunction<TAsc>},
    {"chr", &MakeFunction<TChr>},         {"strcmp", &MakeFunction<TStrCmp>},
    {"stricmp", &MakeFunction<TStrICmp>}, {"xorstr", &MakeFunction<TXorStr>},
};

} // namespace

std::span<const TFunctionTableEntry> StringFunctionTable() {
    return kStringFunctions;
}

} // namespace NuvixParser
