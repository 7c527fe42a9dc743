// The in-place radix-2 transform of real data that fft and invfft share.
#pragma once

#include <cstdint>

namespace NuvixParser {

enum class TTransformDirection : int { Forward = 1, Inverse = -1 };

// Transforms n doubles in place; n must be a power of two and at least 2.
//
// Forward: y_0 .. y_{n-1} become the "packed" spectrum F_k = sum_j y_j e^{+2 pi i jk/n}:
//   data[0] = F_0, data[1] = F_{n/2} (both real), data[2k], data[2k+1] = Re F_k, Im F_k
//   for k = 1 .. n/2-1.
// Inverse: a packed spectrum becomes n/2 times the samples it came from.
void RealTransform(double* data, std::int64_t n, TTransformDirection direction);

} // namespace NuvixParser
