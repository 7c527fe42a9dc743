// Locale-independent conversions between numbers and engine texts (8-bit byte strings).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace NuvixParser {

// True for the bytes the C locale's isspace() accepts: blank, \t, \n, \v, \f, \r.
constexpr bool IsSpaceByte(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Reads the longest prefix of `text` of the form
//   [white space] [+|-] digits [. digits] [(e|E) [+|-] digits]
// (at least one digit before or after the point) and returns its value, or 0 when
// there is none. Unlike strtod it accepts no "inf", "nan" or hexadecimal forms and
// never looks at LC_NUMERIC. `consumed`, when given, receives the prefix length.
double TextToNumber(std::string_view text, std::size_t* consumed = nullptr);

// Converts an exact decimal literal (already checked by a lexer) to the nearest double.
double DecimalLiteralToNumber(std::string_view literal);

// The text reading of a number: printf's %.15g in the C locale, with "+INF", "-INF",
// "+NAN" and "-NAN" for the special values.
std::string FormatNumber(double v);
void AppendNumber(std::string& out, double v);

// The integer reading: truncation toward zero to 64 bits, of which the low 32 bits are
// kept as a signed value. NaN, the infinities and values outside the signed 64-bit
// range give 0 (explicitly, instead of an undefined cast).
constexpr std::int32_t DoubleToInt32(double v) {
    // 2^63 as a double; the range check also rejects NaN (every comparison is false).
    if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return 0;
    const auto wide = static_cast<std::int64_t>(v);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

// Text of a 32-bit pattern in upper-case hexadecimal ("%X") or binary, no leading zeros.
std::string FormatHex32(std::uint32_t v);
std::string FormatBinary32(std::uint32_t v);

} // namespace NuvixParser
