// Numeric kernels of the statistics functions: one pass over a block of doubles each.
#pragma once

#include <cstdint>
#include <span>

namespace NuvixParser {

// The arithmetic mean; 0 for an empty block. Summed with an error-free transformation
// (TwoSum), so a large common offset or cancelling terms do not eat the small parts:
// (1e16, 1, -1e16) gives 1/3, not 0. Finite data whose sum overflows is summed again at a
// reduced scale, so the mean of (1e308, 1e308) is 1e308.
double MeanOf(std::span<const double> x);

// The root mean square, sqrt((x0^2 + ... + xn-1^2) / n): the spread around zero, not
// around the mean. Compensated like MeanOf; data whose squares overflow or underflow
// (1e200, 1e-200) is summed again scaled by a power of two, so those give 1e200 and
// 1e-200 instead of +INF and 0. An empty block gives NaN (0/0).
double RootMeanSquareOf(std::span<const double> x);

// Smallest and largest element; NaN elements are skipped. +INF and -INF for an empty block.
double MinOf(std::span<const double> x);
double MaxOf(std::span<const double> x);

// Index of the first largest element, NaN skipped; 0 for an empty block.
std::int32_t SeekMaxOf(std::span<const double> x);
// Index of the first smallest element; 0 for an empty block. A NaN element is taken, and
// then the element after it whatever its value (nothing compares as at least NaN); from
// there on the comparison works as usual.
std::int32_t SeekMinOf(std::span<const double> x);

} // namespace NuvixParser
