// Locale-independent number reading and formatting.
#include "engine/conversions.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace NuvixParser {
namespace {

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// from_chars reports out_of_range for overflow and underflow instead of returning
// the IEEE result that a C-locale strtod gives; this slow path produces it.
double ConvertOutOfRange(std::string_view literal) {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    std::string copy(literal);
    if (cLocale != static_cast<locale_t>(nullptr)) return strtod_l(copy.c_str(), nullptr, cLocale);
    // Without a C locale object fall back to the sign of the exponent.
    const auto e = copy.find_first_of("eE");
    const bool negative = !copy.empty() && copy[0] == '-';
    const bool tiny = e != std::string::npos && e + 1 < copy.size() && copy[e + 1] == '-';
    const double magnitude = tiny ? 0.0 : HUGE_VAL;
    return negative ? -magnitude : magnitude;
}

} // namespace

double DecimalLiteralToNumber(std::string_view literal) {
    const char* first = literal.data();
    const char* last = first + literal.size();
    if (first != last && *first == '+') ++first; // from_chars takes '-' only
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) return ConvertOutOfRange(std::string_view(first, last - first));
    if (ec != std::errc()) return 0;
    (void)ptr;
    return value;
}

double TextToNumber(std::string_view text, std::size_t* consumed) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && IsSpaceByte(static_cast<unsigned char>(text[i]))) ++i;
    const std::size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && IsDigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    }
    if (digits == 0) {
        if (consumed) *consumed = 0;
        return 0;
    }
    // An exponent counts only when at least one digit follows the letter and sign.
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < n && IsDigit(static_cast<unsigned char>(text[j]))) {
            while (j < n && IsDigit(static_cast<unsigned char>(text[j]))) ++j;
            i = j;
        }
    }
    if (consumed) *consumed = i;
    return DecimalLiteralToNumber(text.substr(start, i - start));
}

void AppendNumber(std::string& out, double v) {
    if (std::isnan(v)) {
        out += std::signbit(v) ? "-NAN" : "+NAN";
        return;
    }
    if (std::isinf(v)) {
        out += v < 0 ? "-INF" : "+INF";
        return;
    }
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 15);
    (void)ec; // 64 bytes always hold a 15-digit %g rendering
    out.append(buffer, ptr);
}

std::string FormatNumber(double v) {
    std::string s;
    AppendNumber(s, v);
    return s;
}

std::string FormatHex32(std::uint32_t v) {
    char buffer[16];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, 16);
    (void)ec;
    std::string s(buffer, ptr);
    for (char& c : s)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string FormatBinary32(std::uint32_t v) {
    char buffer[40];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, 2);
    (void)ec;
    return std::string(buffer, ptr);
}

} // namespace NuvixParser
