// Numeric kernels of the statistics functions: compensated sums, extremes and their positions.
#include "functions/arrays/array_statistics.h"

#include <bit>
#include <cmath>
#include <limits>

namespace NuvixParser {
namespace {

// A running sum that also keeps the exact rounding error of every addition (Knuth's
// TwoSum, which needs no branch on the magnitudes); Total() adds the collected error back.
// Once the running sum is INF or NaN the error term is NaN, and so is Total().
class TCompensatedSum {
public:
    void Add(double x) {
        const double t = sum_ + x;
        const double z = t - sum_;
        error_ += (sum_ - (t - z)) + (x - z);
        sum_ = t;
    }
    void Merge(const TCompensatedSum& other) {
        Add(other.sum_);
        error_ += other.error_;
    }
    double Total() const { return sum_ + error_; }

private:
    double sum_ = 0;
    double error_ = 0;
};

// The compensated sum of term(v) over the block. Two interleaved sums, merged at the end,
// give the adder two independent chains of additions to work on, which nearly halves the
// time of one chain.
template <class Term> double CompensatedSumOf(std::span<const double> x, Term term) {
    TCompensatedSum even;
    TCompensatedSum odd;
    std::size_t i = 0;
    for (; i + 1 < x.size(); i += 2) {
        even.Add(term(x[i]));
        odd.Add(term(x[i + 1]));
    }
    if (i < x.size()) even.Add(term(x[i]));
    even.Merge(odd);
    return even.Total();
}

// The plain left-to-right sum of term(v): with INF or NaN elements, what IEEE arithmetic
// makes of them is the answer.
template <class Term> double PlainSumOf(std::span<const double> x, Term term) {
    double s = 0;
    for (double v : x) s += term(v);
    return s;
}

double Identity(double v) {
    return v;
}

double Square(double v) {
    return v * v;
}

// Multiplies by 2^k for any k a double's exponent can take, in two exact steps so that
// neither factor overflows or underflows on its own.
struct TPowerOfTwoScale {
    explicit TPowerOfTwoScale(int k) : first(std::ldexp(1.0, k / 2)), second(std::ldexp(1.0, k - k / 2)) {}
    double Apply(double v) const { return v * first * second; }
    double first;
    double second;
};

bool AllFinite(std::span<const double> x) {
    for (double v : x)
        if (!std::isfinite(v)) return false;
    return true;
}

// Below this a sum of squares may have lost digits to the subnormal range.
constexpr double kSmallestExactSquareSum = 0x1p-960;

} // namespace

double MeanOf(std::span<const double> x) {
    if (x.empty()) return 0;
    const double n = static_cast<double>(x.size());
    const double total = CompensatedSumOf(x, Identity);
    if (std::isfinite(total)) return total / n;
    if (!AllFinite(x)) return PlainSumOf(x, Identity) / n;
    // Finite elements whose sum overflowed: sum them scaled down far enough that even
    // n elements of the largest double cannot overflow, then scale the mean back up.
    const int shift = static_cast<int>(std::bit_width(x.size())) + 1;
    const TPowerOfTwoScale down(-shift);
    const double scaled = CompensatedSumOf(x, [&down](double v) { return down.Apply(v); });
    return std::ldexp(scaled / n, shift);
}

double RootMeanSquareOf(std::span<const double> x) {
    // The empty block divides 0 by 0; this is the NaN an x86 FPU produces for that (sign
    // bit set), which a script's own 0/0 shows as -NAN.
    if (x.empty()) return -std::numeric_limits<double>::quiet_NaN();
    const double n = static_cast<double>(x.size());
    const double total = CompensatedSumOf(x, Square);
    if (std::isfinite(total) && total >= kSmallestExactSquareSum) return std::sqrt(total / n);

    // NaN, INF, overflow or underflow.
    double largest = 0;
    for (double v : x) {
        if (!std::isfinite(v)) return std::sqrt(PlainSumOf(x, Square) / n);
        largest = std::fmax(largest, std::fabs(v));
    }
    if (largest == 0) return 0;
    // Scale every element by the power of two that brings the largest into [0.5, 1): its
    // square is then well inside the normal range, and the scaling itself is exact.
    int exponent = 0;
    (void)std::frexp(largest, &exponent);
    const TPowerOfTwoScale down(-exponent);
    const double scaled = CompensatedSumOf(x, [&down](double v) { return Square(down.Apply(v)); });
    return std::ldexp(std::sqrt(scaled / n), exponent);
}

double MinOf(std::span<const double> x) {
    double m = std::numeric_limits<double>::infinity();
    for (double v : x)
        if (m >= v) m = v;
    return m;
}

double MaxOf(std::span<const double> x) {
    double m = -std::numeric_limits<double>::infinity();
    for (double v : x)
        if (v >= m) m = v;
    return m;
}

std::int32_t SeekMaxOf(std::span<const double> x) {
    double m = -std::numeric_limits<double>::infinity();
    std::size_t k = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i] > m) m = x[i], k = i;
    return static_cast<std::int32_t>(k);
}

std::int32_t SeekMinOf(std::span<const double> x) {
    double m = std::numeric_limits<double>::infinity();
    std::size_t k = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (!(x[i] >= m)) m = x[i], k = i;
    return static_cast<std::int32_t>(k);
}

} // namespace NuvixParser
