// mean, stddev, arraymin, arraymax, seekmin, seekmax: results, empty arrays, NaN, accuracy.
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "functions/arrays/array_statistics.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixParser::MeanOf;
using NuvixParser::RootMeanSquareOf;
using NuvixTest::ExpectResults;

TEST(Statistics, OfOrdinaryArrays) {
    ExpectResults({
        {"a[0]=1, a[1]=2, a[2]=4, mean(a[])", "2.33333333333333"},
        {"a[0]=3, a[1]=4, stddev(a[]) == sqrt(12.5)", "1"},
        {"a[0]=-2, stddev(a[])", "2"},
        {"a[0]=1, a[1]=-1, stddev(a[])", "1"}, // around zero, not around the mean
        {"a[0]=2, a[1]=-7, a[2]=5, arraymin(a[])", "-7"},
        {"a[0]=2, a[1]=-7, a[2]=5, arraymax(a[])", "5"},
        {"a[0]=1, a[1]=3, a[2]=3, a[3]=0, a[4]=0, seekmax(a[])", "1"},
        {"a[0]=1, a[1]=3, a[2]=3, a[3]=0, a[4]=0, seekmin(a[])", "3"},
    });
}

TEST(Statistics, OfEmptyArrays) {
    ExpectResults({
        {"e[0]=1, clear(e[]), mean(e[])", "0"},
        {"e[0]=1, clear(e[]), stddev(e[])", "-NAN"}, // 0/0, as the script's own 0/0 shows it
        {"arraymin(e[])", "+INF"},
        {"arraymax(e[])", "-INF"},
        {"seekmin(e[])", "0"},
        {"seekmax(e[])", "0"},
    });
}

TEST(Statistics, WithNotANumberAndInfinities) {
    ExpectResults({
        {"a[0]=1, a[1]=0/0, mean(a[])", "-NAN"},
        {"a[0]=1, a[1]=-(0/0), stddev(a[])", "+NAN"},
        {"a[0]=1, a[1]=1/0, mean(a[])", "+INF"},
        {"a[0]=1/0, a[1]=-1/0, mean(a[])", "-NAN"},
        {"a[0]=1, a[1]=-1/0, stddev(a[])", "+INF"},
        // arraymin, arraymax and seekmax skip NaN elements.
        {"a[0]=0/0, a[1]=2, a[2]=1, arraymin(a[])", "1"},
        {"a[0]=1, a[1]=0/0, a[2]=3, arraymax(a[])", "3"},
        {"a[0]=0/0, a[1]=0/0, arraymin(a[])", "+INF"},
        {"a[0]=0/0, a[1]=5, a[2]=5, seekmax(a[])", "1"},
        // seekmin takes a NaN, and then the element after it whatever its value; from
        // there on it compares as usual.
        {"a[0]=1, a[1]=0, a[2]=0/0, seekmin(a[])", "2"},
        {"a[0]=1, a[1]=0/0, a[2]=5, a[3]=7, seekmin(a[])", "2"},
        {"a[0]=1, a[1]=0/0, a[2]=5, a[3]=3, seekmin(a[])", "3"},
        {"a[0]=0/0, a[1]=0/0, seekmin(a[])", "1"},
    });
}

TEST(Statistics, KeepSmallPartsAndSurviveOverflowAndUnderflow) {
    ExpectResults({
        {"a[0]=1e16, a[1]=1, a[2]=-1e16, mean(a[])", "0.333333333333333"},
        {"a[0]=1e16, a[1]=1e16, a[2]=1, a[3]=1, a[4]=-1e16, a[5]=-1e16, mean(a[])", "0.333333333333333"},
        {"a[0]=1e308, a[1]=1e308, mean(a[])", "1e+308"},
        {"a[0]=1e200, a[1]=1e200, stddev(a[])", "1e+200"},
        {"a[0]=-1e300, a[1]=1e300, a[2]=0, stddev(a[]) / 1e300 == sqrt(2/3)", "1"},
        {"a[0]=1e-200, a[1]=-1e-200, stddev(a[])", "1e-200"},
        {"a[2]=0, stddev(a[])", "0"},
    });
}

TEST(Statistics, RejectArgumentsThatAreNotArrays) {
    ExpectResults({
        {"mean(1)", "Error: Mean: Array expected"},
        {"x=1, mean(x)", "Error: Mean: Array expected"},
        {"stddev(x)", "Error: StdDev: Array expected"},
        {"arraymin(1)", "Error: arraymin: Variable expected"},
        {"x=1, arraymin(x)", "Error: arraymin: Not an array"},
        {"arraymax(1)", "Error: arraymax: Array expected"},
        {"seekmin(x)", "Error: seekmin: Array expected"},
        {"seekmax(2)", "Error: seekmax: Array expected"},
        // An arr[] whose name belongs to a scalar: the flag without a message.
        {"x=1, mean(x[])", "Error: Mean: x is not an array"},
        {"x=1, arraymin(x[])", "Error: arraymin: x is not an array"},
        {"x=1, seekmax(x[])", "Error: seekmax: x is not an array"},
    });
}

// A million integers on a large offset. Every square and every rounding error of the
// sums is an integer below 2^53, so a compensated sum comes out as the exactly rounded
// total, while a plain running sum drops the small parts once it passes 2^53.
constexpr std::int64_t kCount = 1'000'000;

std::int64_t Wiggle(std::int64_t i) {
    return (i * 7919) % 1001 - 300; // -300 .. 700, mean not 0
}

TEST(StatisticsAccuracy, MeanOfALargeOffsetIsExactlyRounded) {
    const std::int64_t offset = std::int64_t{1} << 40;
    std::vector<double> x(kCount);
    std::int64_t exactSum = 0; // below 2^61
    for (std::int64_t i = 0; i < kCount; ++i) {
        x[static_cast<std::size_t>(i)] = static_cast<double>(offset + Wiggle(i));
        exactSum += offset + Wiggle(i);
    }
    EXPECT_EQ(MeanOf(x), static_cast<double>(exactSum) / static_cast<double>(kCount));
}

TEST(StatisticsAccuracy, RootMeanSquareOfALargeOffsetIsExactlyRounded) {
    const std::int64_t offset = std::int64_t{1} << 26; // squares just below 2^53
    std::vector<double> x(kCount);
    unsigned __int128 exactSum = 0;
    for (std::int64_t i = 0; i < kCount; ++i) {
        const std::int64_t v = offset + Wiggle(i);
        x[static_cast<std::size_t>(i)] = static_cast<double>(v);
        exactSum += static_cast<unsigned __int128>(v * v);
    }
    EXPECT_EQ(RootMeanSquareOf(x), std::sqrt(static_cast<double>(exactSum) / static_cast<double>(kCount)));
    // Negated data has the same squares.
    for (double& v : x) v = -v;
    EXPECT_EQ(RootMeanSquareOf(x), std::sqrt(static_cast<double>(exactSum) / static_cast<double>(kCount)));
}

TEST(StatisticsAccuracy, ScaledSumsStayWithinAnUlpOfTheTruth) {
    // 1e300 * (1, 2, ..., 1000): the squares overflow, the mean of them is known.
    std::vector<double> big;
    for (int i = 1; i <= 1000; ++i) big.push_back(1e300 * i);
    const double rmsFactor = std::sqrt(1001.0 * 2001.0 / 6.0); // sqrt of mean of i^2
    EXPECT_NEAR(RootMeanSquareOf(big) / 1e300, rmsFactor, 4 * rmsFactor * 1e-16);
    // The same shifted far into the subnormal-square range.
    std::vector<double> small;
    for (int i = 1; i <= 1000; ++i) small.push_back(1e-300 * i);
    EXPECT_NEAR(RootMeanSquareOf(small) / 1e-300, rmsFactor, 4 * rmsFactor * 1e-16);
    // Subnormal elements: scaled up exactly, the result rounded once into the subnormals.
    const std::vector<double> subnormal{0x3p-1070, -0x4p-1070};
    EXPECT_EQ(RootMeanSquareOf(subnormal), std::ldexp(std::sqrt(12.5), -1070));
    // The sum of a million elements of 1.5e308 overflows, their mean does not.
    std::vector<double> huge(kCount, 1.5e308);
    EXPECT_EQ(MeanOf(huge), 1.5e308);
}

} // namespace
