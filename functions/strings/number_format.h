// printf's "%*.*lg" and "%*.*lf" for str and strzero, free of the C locale and of fixed buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace NuvixParser {

enum class TPrintfStyle {
    General, // %g: at most `precision` significant digits, trailing zeros dropped
    Fixed,   // %f: exactly `precision` decimals
};

// Replaces `out` with v formatted as printf("%*.*lg" or "%*.*lf", width, precision, v) does
// in the C locale: a negative width aligns left, a negative precision means 6, and %g
// counts a precision of 0 as 1. Infinities and NaN give the engine's texts "+INF", "-INF",
// "+NAN" and "-NAN", padded like any other. Returns false, with `out` unspecified, when the
// text would be longer than maxLength bytes.
bool FormatPrintf(std::string& out, double v, TPrintfStyle style, std::int32_t width, std::int32_t precision,
                  std::size_t maxLength);

} // namespace NuvixParser
