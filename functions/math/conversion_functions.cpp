// Reading hexadecimal text.
#include "functions/math/conversion_functions.h"

#include "engine/conversions.h"

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

} // namespace NuvixParser
