// Width and precision formatting of numbers through std::to_chars, which gives printf's digits.
#include "functions/strings/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "engine/conversions.h"

namespace NuvixParser {
namespace {

// No double has more than 767 significant decimal digits, and %g drops trailing zeros, so
// every precision from here up prints the same text: larger ones need not be honoured.
constexpr std::int32_t kExactGeneralDigits = 800;

// Longest fixed-notation integer part: sign and 309 digits (DBL_MAX), plus the point.
constexpr std::size_t kFixedOverhead = 311;

} // namespace

bool FormatPrintf(std::string& out, double v, TPrintfStyle style, std::int32_t width, std::int32_t precision,
                  std::size_t maxLength) {
    // In 64 bits, so that the width -2^31 has a magnitude.
    const std::int64_t wide = width;
    const std::uint64_t fieldWidth = static_cast<std::uint64_t>(wide < 0 ? -wide : wide);
    if (fieldWidth > maxLength) return false;

    out.clear();
    if (!std::isfinite(v)) {
        AppendNumber(out, v);
    } else {
        std::int32_t digits = precision < 0 ? 6 : precision;
        std::size_t bound;
        std::chars_format format;
        if (style == TPrintfStyle::General) {
            digits = std::clamp(digits, std::int32_t{1}, kExactGeneralDigits);
            // digits, sign, point, "0.000" below 1e-4 or an exponent "e-324": 16 covers both.
            bound = static_cast<std::size_t>(digits) + 16;
            format = std::chars_format::general;
        } else {
            if (static_cast<std::size_t>(digits) > maxLength) return false; // the decimals alone are too long
            bound = static_cast<std::size_t>(digits) + kFixedOverhead;
            format = std::chars_format::fixed;
        }
        out.resize(bound);
        const auto [end, ec] = std::to_chars(out.data(), out.data() + bound, v, format, digits);
        if (ec != std::errc()) return false; // cannot happen with the bounds above
        out.resize(static_cast<std::size_t>(end - out.data()));
        if (out.size() > maxLength) return false;
    }
    if (out.size() < fieldWidth) {
        const std::size_t pad = static_cast<std::size_t>(fieldWidth) - out.size();
        if (wide < 0)
            out.append(pad, ' ');
        else
            out.insert(0, pad, ' ');
    }
    return true;
}

} // namespace NuvixParser
