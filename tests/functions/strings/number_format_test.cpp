// FormatPrintf against the C library's own printf (tests run in the C locale), and its cap.
#include <cfloat>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "functions/strings/number_format.h"

namespace {

using NuvixParser::FormatPrintf;
using NuvixParser::TPrintfStyle;

// The C library's own formatting, the reference (through vsnprintf, which the compiler
// does not second-guess about sizes it cannot know).
int CFormat(char* buffer, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, size, format, args);
    va_end(args);
    return n;
}

std::string Printf(const char* format, int width, int precision, double v) {
    const int n = CFormat(nullptr, 0, format, width, precision, v);
    if (n < 0) return "<snprintf failed>";
    std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
    if (CFormat(buffer.data(), buffer.size(), format, width, precision, v) != n) return "<snprintf changed>";
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string Format(double v, TPrintfStyle style, int width, int precision) {
    std::string out = "old text";
    EXPECT_TRUE(FormatPrintf(out, v, style, width, precision, 100000));
    return out;
}

const double kValues[] = {0.0,       -0.0,    1.0,     -1.0,      0.1,  1.0 / 3,       2.5,  -3.5,
                          0.125,     99999.5, 1e-4,    9.9995e-5, 1e-5, 123456789.125, 1e15, 1e21,
                          -2.5e-300, DBL_MAX, DBL_MIN, 5e-324,    0.5,  1e100};

TEST(NumberFormat, GeneralMatchesPrintf) {
    for (double v : kValues)
        for (int width : {-12, -1, 0, 1, 8, 30})
            for (int precision : {-1, 0, 1, 3, 6, 15, 17, 40, 400, 767, 800, 2000})
                EXPECT_EQ(Format(v, TPrintfStyle::General, width, precision),
                          Printf("%*.*g", width, precision, v))
                    << v << " width " << width << " precision " << precision;
}

TEST(NumberFormat, FixedMatchesPrintf) {
    for (double v : kValues)
        for (int width : {-12, -1, 0, 1, 8, 30, 400})
            for (int precision : {-1, 0, 1, 2, 6, 20, 330, 1100})
                EXPECT_EQ(Format(v, TPrintfStyle::Fixed, width, precision),
                          Printf("%*.*f", width, precision, v))
                    << v << " width " << width << " precision " << precision;
}

TEST(NumberFormat, SpecialValuesUseTheEngineTexts) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Format(inf, TPrintfStyle::General, 6, 3), "  +INF");
    EXPECT_EQ(Format(-inf, TPrintfStyle::Fixed, -6, 3), "-INF  ");
    EXPECT_EQ(Format(nan, TPrintfStyle::Fixed, 0, 2), "+NAN");
    EXPECT_EQ(Format(-nan, TPrintfStyle::General, 0, 2), "-NAN");
}

TEST(NumberFormat, RefusesTextsBeyondTheCap) {
    std::string out;
    EXPECT_TRUE(FormatPrintf(out, 1, TPrintfStyle::General, 10, 3, 10));
    EXPECT_EQ(out, "         1");
    EXPECT_FALSE(FormatPrintf(out, 1, TPrintfStyle::General, 11, 3, 10));
    EXPECT_FALSE(FormatPrintf(out, 1, TPrintfStyle::General, -11, 3, 10));
    EXPECT_FALSE(
        FormatPrintf(out, 1, TPrintfStyle::General, std::numeric_limits<std::int32_t>::min(), 3, 10));
    EXPECT_TRUE(FormatPrintf(out, 1, TPrintfStyle::Fixed, 0, 8, 10));  // "1.00000000"
    EXPECT_FALSE(FormatPrintf(out, 1, TPrintfStyle::Fixed, 0, 9, 10)); // eleven characters
    EXPECT_FALSE(FormatPrintf(out, 1, TPrintfStyle::Fixed, 0, std::numeric_limits<std::int32_t>::max(), 10));
    EXPECT_FALSE(FormatPrintf(out, 1e15, TPrintfStyle::Fixed, 0, 0, 10)); // sixteen digits
    EXPECT_TRUE(
        FormatPrintf(out, 1e-300, TPrintfStyle::General, 0, std::numeric_limits<std::int32_t>::max(), 1000));
    EXPECT_EQ(out.substr(0, 8), "1.000000");
}

} // namespace
