// The in-place radix-2 transform of real data: a complex FFT of half the length plus the
// step that separates the spectra of the even and the odd samples.
#include "functions/fft/real_transform.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace NuvixParser {
namespace {

// Twiddle factors w = e^{i k theta}, k = 0, 1, ..., by the recurrence
//   w <- w + w (cos theta - 1) + i w sin theta,
// with cos theta - 1 taken as -2 sin^2(theta/2): one sine pair per pass instead of a
// sine call per factor, and without the cancellation of computing cos theta - 1.
class TTwiddle {
public:
    explicit TTwiddle(double theta) {
        const double half = std::sin(0.5 * theta);
        wpr_ = -2.0 * half * half;
        wpi_ = std::sin(theta);
    }
    double Re() const { return wr_; }
    double Im() const { return wi_; }
    void Next() {
        const double t = wr_;
        wr_ = wr_ * wpr_ - wi_ * wpi_ + wr_;
        wi_ = wi_ * wpr_ + t * wpi_ + wi_;
    }

private:
    double wpr_, wpi_;
    double wr_ = 1.0, wi_ = 0.0;
};

// Puts the m complex numbers (pairs of doubles) into bit-reversed index order.
void BitReverse(double* d, std::int64_t m) {
    std::int64_t j = 0;
    for (std::int64_t i = 0; i < m; ++i) {
        if (j > i) {
            std::swap(d[2 * i], d[2 * j]);
            std::swap(d[2 * i + 1], d[2 * j + 1]);
        }
        // j + 1 in reversed bit order: clear the leading ones, set the next bit.
        std::int64_t bit = m >> 1;
        while (bit > 0 && (j & bit)) {
            j ^= bit;
            bit >>= 1;
        }
        j |= bit;
    }
}

// How many twiddle factors a pass computes ahead into a table on the stack (16 KiB). Each
// pass walks the array group by group with the factors of one table, so the memory is
// read front to back once per pass however long the array is; visiting the array once
// per factor instead strides through all of it for every factor, and on large arrays
// that costs a cache miss per butterfly.
constexpr std::int64_t kTwiddleBlock = 1024;

// In-place radix-2 FFT of m complex numbers (m a power of two), decimation in time:
// H_k = sum_j h_j e^{sign 2 pi i jk/m}, sign +1 forward and -1 inverse.
void ComplexTransform(double* d, std::int64_t m, int sign) {
    BitReverse(d, m);
    double table[2 * kTwiddleBlock];
    for (std::int64_t half = 1; half < m; half *= 2) {
        // Butterflies of span 2*half combine two transforms of length half.
        TTwiddle w(sign * (std::numbers::pi / static_cast<double>(half)));
        const std::int64_t span = 2 * half;
        for (std::int64_t first = 0; first < half; first += kTwiddleBlock) {
            const std::int64_t count = std::min(kTwiddleBlock, half - first);
            for (std::int64_t k = 0; k < count; ++k) {
                table[2 * k] = w.Re();
                table[2 * k + 1] = w.Im();
                w.Next();
            }
            for (std::int64_t group = 0; group < m; group += span) {
                double* a = d + 2 * (group + first);
                double* b = a + 2 * half;
                for (std::int64_t k = 0; k < count; ++k) {
                    const double wr = table[2 * k], wi = table[2 * k + 1];
                    const double br = b[2 * k], bi = b[2 * k + 1];
                    const double tr = wr * br - wi * bi;
                    const double ti = wr * bi + wi * br;
                    b[2 * k] = a[2 * k] - tr;
                    b[2 * k + 1] = a[2 * k + 1] - ti;
                    a[2 * k] += tr;
                    a[2 * k + 1] += ti;
                }
            }
        }
    }
}

// Seen as m = n/2 complex numbers z_j = y_2j + i y_2j+1, the complex transform Z holds
// the transforms of the even samples E and of the odd samples O mixed:
//   E_k = (Z_k + conj Z_{m-k}) / 2,   O_k = (Z_k - conj Z_{m-k}) / 2i,
// and the real transform is F_k = E_k + w^k O_k with w = e^{+i pi/m}. Pair k and pair
// m-k are rewritten together; the inverse direction runs the same formulas backwards
// (c2 and the angle change sign). Pair m/2 maps to itself unchanged and is left alone.
void SeparateHalves(double* d, std::int64_t n, int sign) {
    const double c1 = 0.5;
    const double c2 = sign > 0 ? -0.5 : 0.5;
    TTwiddle w(sign * (std::numbers::pi / static_cast<double>(n / 2)));
    w.Next(); // the loop starts at k = 1
    for (std::int64_t k = 1; k < n / 4; ++k) {
        double* a = d + 2 * k;
        double* b = d + (n - 2 * k);
        const double h1r = c1 * (a[0] + b[0]);
        const double h1i = c1 * (a[1] - b[1]);
        const double h2r = -c2 * (a[1] + b[1]);
        const double h2i = c2 * (a[0] - b[0]);
        const double wr = w.Re(), wi = w.Im();
        a[0] = h1r + wr * h2r - wi * h2i;
        a[1] = h1i + wr * h2i + wi * h2r;
        b[0] = h1r - wr * h2r + wi * h2i;
        b[1] = -h1i + wr * h2i + wi * h2r;
        w.Next();
    }
    // F_0 = E_0 + O_0 and F_m = E_0 - O_0 are real and share the first pair.
    const double first = d[0];
    if (sign > 0) {
        d[0] = first + d[1];
        d[1] = first - d[1];
    } else {
        d[0] = c1 * (first + d[1]);
        d[1] = c1 * (first - d[1]);
    }
}

} // namespace

void RealTransform(double* data, std::int64_t n, TTransformDirection direction) {
    if (n < 2) return;
    if (direction == TTransformDirection::Forward) {
        ComplexTransform(data, n / 2, +1);
        SeparateHalves(data, n, +1);
    } else {
        SeparateHalves(data, n, -1);
        ComplexTransform(data, n / 2, -1);
    }
}

} // namespace NuvixParser
