// The FFT functions fft and invfft, and the registration table of the fft area.
#pragma once

#include <cstdint>
#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// The longest transform either function makes: a working array of 1 GiB, and output
// arrays of half that length each. Beyond it the call fails with a script error instead
// of exhausting memory (2^28 samples with the largest resolution increase would ask for
// 2 TiB).
constexpr std::int64_t kMaxTransformLength = std::int64_t{1} << 27;

// The transform length of n samples (n >= 1) with a resolution increase of r (0 to 10):
// the smallest power of two not below n, times 2^r. Decided on the integer n, so every
// length is exact (a test in single precision takes 2^24 + 1 for a power of two), and
// computed in 64 bits: at most 2^28 x 2^10.
std::int64_t TransformLength(std::int64_t n, std::int32_t resincr);

std::span<const TBuiltin> FftFunctionTable();

} // namespace NuvixParser
