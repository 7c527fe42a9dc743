// Fuzz target: reading and formatting numbers, checked against the C library in the C
// locale and against their own round trips.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>
#include <string_view>

#include "engine/conversions.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace NuvixFuzz {

namespace {

using namespace NuvixParser;

bool SameNumber(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// strtod in the C locale over exactly the bytes TextToNumber consumed (which hold no
// "inf", "nan" or "0x" form that strtod would read differently).
double ReferenceReading(std::string_view prefix) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const std::string copy(prefix);
    return strtod_l(copy.c_str(), nullptr, cLocale);
}

void CheckFormatting(double v) {
    const std::string text = FormatNumber(v);
    FUZZ_CHECK(!text.empty());
    if (!std::isfinite(v)) {
        FUZZ_CHECK(text == (std::isnan(v) ? (std::signbit(v) ? "-NAN" : "+NAN") : (v < 0 ? "-INF" : "+INF")));
        return;
    }
    // 15 significant digits survive a reading: the text is a fixed point of format-read.
    std::size_t consumed = 0;
    const double read = TextToNumber(text, &consumed);
    FUZZ_CHECK(consumed == text.size());
    // Rounding to 15 digits can pass the largest double: 1.79769313486232e+308 (printf's
    // text of DBL_MAX too) reads as infinity.
    if (std::isinf(read)) {
        FUZZ_CHECK(std::fabs(v) > 1.797693134862e308);
        return;
    }
    FUZZ_CHECK(FormatNumber(read) == text);
    FUZZ_CHECK(std::fabs(read - v) <= std::fabs(v) * 1e-14);
}

void CheckIntegerReading(double v) {
    const std::int32_t got = DoubleToInt32(v);
    if (std::isnan(v) || !(std::fabs(v) < 9223372036854775808.0)) {
        FUZZ_CHECK(got == 0);
        return;
    }
    const double t = std::trunc(v);
    if (t >= -2147483648.0 && t <= 2147483647.0) FUZZ_CHECK(got == static_cast<std::int32_t>(t));
    // Wider values keep the low 32 bits of their two's complement.
    const auto wide = static_cast<std::uint64_t>(static_cast<std::int64_t>(t));
    FUZZ_CHECK(static_cast<std::uint32_t>(wide) == static_cast<std::uint32_t>(got));
}

} // namespace

void FuzzConversions(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t consumed = 99;
    const double v = TextToNumber(text, &consumed);
    FUZZ_CHECK(consumed <= text.size());
    if (consumed == 0) {
        FUZZ_CHECK(v == 0 && !std::signbit(v));
    } else {
        FUZZ_CHECK(!std::isnan(v));
        FUZZ_CHECK(SameNumber(v, ReferenceReading(text.substr(0, consumed))));
        // The consumed prefix alone reads the same.
        std::size_t again = 0;
        FUZZ_CHECK(SameNumber(TextToNumber(text.substr(0, consumed), &again), v));
        FUZZ_CHECK(again == consumed);
    }
    CheckFormatting(v);
    CheckIntegerReading(v);

    // The first eight bytes as the bits of a double reach every value, NaNs included.
    if (size >= sizeof(double)) {
        double bits;
        std::memcpy(&bits, data, sizeof bits);
        CheckFormatting(bits);
        CheckIntegerReading(bits);
    }
}

} // namespace NuvixFuzz
