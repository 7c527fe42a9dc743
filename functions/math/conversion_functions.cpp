// Number, text and hexadecimal conversions.
#include "functions/math/conversion_functions.h"

#include "engine/calc_info.h"
#include "engine/conversions.h"
#include "engine/stack_guard.h"

namespace NuvixParser {
namespace {

int HexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::uint32_t ReadHex32(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && IsSpaceByte(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // "0x" is a prefix only when a digit follows; "0xg" reads as the number 0.
    if (i + 2 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigit(static_cast<unsigned char>(text[i + 2])) >= 0)
        i += 2;
    std::uint32_t value = 0;
    for (; i < n; ++i) {
        const int d = HexDigit(static_cast<unsigned char>(text[i]));
        if (d < 0) break;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return negative ? 0u - value : value;
}

long double TNumber::Compute(TCalcInfo&) {
    return Value(0).GetNumber();
}

void TString::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    Arg(0)->Evaluate(ci, result);
    if (ci.error || result.isString) return;
    // Formatted into the result's own buffer: its capacity is reused from call to call.
    const double v = result.number;
    result.text.clear();
    AppendNumber(result.text, v);
    result.isString = true;
}

void TDezHex::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    Arg(0)->Evaluate(ci, result);
    if (ci.error) return;
    result.SetString(FormatHex32(static_cast<std::uint32_t>(result.GetInt())));
}

long double THexDez::Compute(TCalcInfo& ci) {
    const TReturnValue& v = Value(0);
    if (!v.isString) {
        ci.SetError("HexDez: String expected");
        return 0;
    }
    return static_cast<std::int32_t>(ReadHex32(v.text));
}

} // namespace NuvixParser
