// The shared real transform against a direct DFT in long double, and inverse after forward.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "functions/fft/real_transform.h"

namespace {

using NuvixParser::RealTransform;
using NuvixParser::TTransformDirection;

std::vector<double> RandomSamples(std::int64_t n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> y(static_cast<std::size_t>(n));
    for (double& v : y) v = dist(gen) + 0.25; // an offset, so F_0 is not near zero
    return y;
}

// F_k = sum_j y_j e^{+2 pi i jk/n} in the packed layout RealTransform documents.
std::vector<double> PackedDft(const std::vector<double>& y) {
    const auto n = static_cast<std::int64_t>(y.size());
    std::vector<double> packed(y.size());
    for (std::int64_t k = 0; k <= n / 2; ++k) {
        long double re = 0, im = 0;
        for (std::int64_t j = 0; j < n; ++j) {
            const long double angle = 2 * std::numbers::pi_v<long double> * static_cast<long double>((j * k) % n) / n;
            re += y[j] * std::cos(angle);
            im += y[j] * std::sin(angle);
        }
        if (k == 0)
            packed[0] = static_cast<double>(re);
        else if (k == n / 2)
            packed[1] = static_cast<double>(re);
        else
            packed[2 * k] = static_cast<double>(re), packed[2 * k + 1] = static_cast<double>(im);
    }
    return packed;
}

double MaxAbs(const std::vector<double>& v) {
    double m = 0;
    for (double x : v) m = std::max(m, std::fabs(x));
    return m;
}

TEST(RealTransform, ForwardMatchesADirectDftWithThePositiveExponent) {
    for (std::int64_t n = 2; n <= 1024; n *= 2) {
        SCOPED_TRACE(n);
        const std::vector<double> y = RandomSamples(n, static_cast<unsigned>(n));
        const std::vector<double> expected = PackedDft(y);
        std::vector<double> d = y;
        RealTransform(d.data(), n, TTransformDirection::Forward);
        const double tolerance = 1e-14 * MaxAbs(expected) * std::log2(static_cast<double>(n) + 1);
        for (std::int64_t i = 0; i < n; ++i) EXPECT_NEAR(d[i], expected[i], tolerance) << "element " << i;
    }
}

TEST(RealTransform, InverseOfForwardGivesHalfTheLengthTimesTheSamples) {
    for (std::int64_t n : {2, 4, 8, 64, 1024, 1 << 18}) {
        SCOPED_TRACE(n);
        const std::vector<double> y = RandomSamples(n, 7);
        std::vector<double> d = y;
        RealTransform(d.data(), n, TTransformDirection::Forward);
        RealTransform(d.data(), n, TTransformDirection::Inverse);
        double worst = 0;
        for (std::int64_t i = 0; i < n; ++i) worst = std::max(worst, std::fabs(d[i] / (n / 2) - y[i]));
        EXPECT_LT(worst, 1e-12);
    }
}

} // namespace
