// fft and invfft: transform lengths, scaling, windows, outputs, frequency scale and errors.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "functions/fft/fft_functions.h"
#include "tests/functions/script_arrays.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::ExpectResults;
using NuvixTest::TScriptRun;
using Vec = std::vector<double>;

void ExpectNear(const std::optional<Vec>& got, const Vec& want, double tolerance, const char* what) {
    ASSERT_TRUE(got.has_value()) << what << " is no array";
    ASSERT_EQ(got->size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR((*got)[i], want[i], tolerance) << what << "[" << i << "]";
}

TEST(TransformLength, IsTheNextPowerOfTwoOfTheIntegerLengthTimesTheIncrease) {
    struct {
        std::int64_t n;
        std::int32_t resincr;
        std::int64_t length;
    } const cases[] = {
        {1, 0, 1},
        {2, 0, 2},
        {3, 0, 4},
        {100, 0, 128},
        {100, 2, 512},
        {128, 0, 128}, // a power of two is not doubled
        {129, 0, 256},
        {(1 << 24) + 1, 0, 1 << 25}, // single precision would call this 2^24
        {1 << 24, 0, 1 << 24},
        {std::int64_t{1} << 28, 10, std::int64_t{1} << 38}, // no overflow at the extremes
    };
    for (const auto& c : cases)
        EXPECT_EQ(NuvixParser::TransformLength(c.n, c.resincr), c.length) << c.n << " << " << c.resincr;
}

// Hand-computed spectra: F_k = sum y_j e^{+2 pi i jk/N}, scaled by (n/N)^2; realout[0] is
// F_0, imgout[0] the Nyquist term F_{N/2}.
TEST(Fft, SpectraOfSmallSeries) {
    const double s34 = 0.5625; // (3/4)^2
    const double s38 = 0.140625; // (3/8)^2
    struct {
        const char* name;
        Vec y;
        int apo, resincr, pad;
        Vec re, im, norm;
    } const cases[] = {
        {"constant", Vec(8, 2.5), 0, 0, 0, {20, 0, 0, 0}, {0, 0, 0, 0}, {20, 0, 0, 0}},
        {"constant minus its mean", Vec(8, 2.5), 1, 0, 0, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"impulse", {1, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, {1, 1, 1, 1}, {1, 0, 0, 0}, {std::sqrt(2.0), 1, 1, 1}},
        {"padded to 4", {1, 1, 1}, 0, 0, 0, {3 * s34, 0}, {s34, s34}, {s34 * std::sqrt(10.0), s34}},
        {"padded to 8", {4, 0, 0}, 0, 1, 0, {4 * s38, 4 * s38, 4 * s38, 4 * s38}, {4 * s38, 0, 0, 0},
         {4 * s38 * std::sqrt(2.0), 4 * s38, 4 * s38, 4 * s38}},
        {"mean removed", {0, 1, 2, 3}, 1, 0, 0, {0, -2}, {-2, -2}, {2, 2 * std::sqrt(2.0)}},
        {"first sample removed", {0, 1, 2, 3}, 1, 0, 1, {6, -2}, {-2, -2}, {std::sqrt(40.0), 2 * std::sqrt(2.0)}},
        // window 0, 3/4, 1, 3/4; amplitudes times 3/4
        {"parabolic", {0, 1, 2, 3}, 2, 0, 1, {5, -2}, {-1, -1.5}, {0.75 * std::sqrt(26.0), 0.75 * 2.5}},
        // window 0, 1/2, 1, 1/2 on y - 3
        {"squared sine", {0, 1, 2, 3}, 3, 0, 2, {-2, 1}, {0, -1}, {2, std::sqrt(2.0)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptRun run("fft(0;a[];" + std::to_string(c.apo) + ";" + std::to_string(c.resincr) + ";" +
                       std::to_string(c.pad) + ";no[];re[];im[];0)");
        run.SetArray("a", c.y);
        EXPECT_EQ(run.Run(), std::to_string(2 * c.re.size()));
        ExpectNear(run.Array("re"), c.re, 1e-13, "realout");
        ExpectNear(run.Array("im"), c.im, 1e-13, "imgout");
        ExpectNear(run.Array("no"), c.norm, 1e-13, "normout");
    }
}

TEST(Fft, SineHasAPositiveImaginaryPart) {
    TScriptRun run("for(i=0;i<8;i+=1;a[i]=sin(2*pi()*i/8)), fft(0;a[];0;0;0;no[];re[];im[];0)");
    EXPECT_EQ(run.Run(), "8");
    ExpectNear(run.Array("re"), {0, 0, 0, 0}, 1e-14, "realout");
    ExpectNear(run.Array("im"), {0, 4, 0, 0}, 1e-14, "imgout");
    ExpectNear(run.Array("no"), {0, 4, 0, 0}, 1e-14, "normout");
}

TEST(Fft, LengthsAndResolutionIncrease) {
    ExpectResults({
        {"for(i=0;i<100;i+=1;a[i]=i), fft(0;a[];0;0;0;0;0;0;0)", "128"},
        {"for(i=0;i<100;i+=1;a[i]=i), fft(0;a[];0;2;0;0;0;0;0)", "512"},
        {"for(i=0;i<128;i+=1;a[i]=i), fft(0;a[];0;0;0;0;0;0;0)", "128"},
        {"a[1]=1, fft(0;a[];0;0;0;0;0;0;0)", "2"},
        {"a[0]=1, fft(0;a[];0;0;0;0;0;0;0)", "0"},
        {"fft(0;a[];0;0;0;0;0;0;0)", "0"},
        {"a[1]=1, fft(0;a[];3.9;10.5;2.9;0;0;0;0)", "2048"}, // integer readings truncate
    });
    TScriptRun run("for(i=0;i<100;i+=1;a[i]=i), fft(0;a[];0;2;0;no[];re[];im[];0)");
    EXPECT_EQ(run.Run(), "512");
    for (const char* out : {"no", "re", "im"}) EXPECT_EQ(run.Array(out)->size(), 256u) << out;
}

// The direct sum over the zero-extended, windowed series, for every window and reference.
TEST(Fft, MatchesADirectSumForEveryOption) {
    std::mt19937_64 gen(5);
    std::uniform_real_distribution<double> dist(-1, 2);
    Vec y(37);
    for (double& v : y) v = dist(gen);
    const auto n = static_cast<double>(y.size());
    for (int apo = 0; apo <= 3; ++apo) {
        for (int pad = 0; pad <= 2; ++pad) {
            const int resincr = (apo + pad) % 3;
            SCOPED_TRACE("apo " + std::to_string(apo) + " pad " + std::to_string(pad));
            double level = pad == 1 ? y.front() : pad == 2 ? y.back() : 0;
            if (pad == 0) {
                for (double v : y) level += v;
                level /= n;
            }
            Vec w(y.size());
            const double q = std::floor(n / 2);
            for (std::size_t i = 0; i < y.size(); ++i) {
                const double d = apo == 0 ? y[i] : y[i] - level;
                const double r = (static_cast<double>(i) - q) / q;
                const double sine = std::sin(std::numbers::pi * static_cast<double>(i) / n);
                w[i] = apo == 2 ? d * (1 - r * r) : apo == 3 ? d * sine * sine : d;
            }
            const std::int64_t length = std::int64_t{64} << resincr;
            const double s = (n / static_cast<double>(length)) * (n / static_cast<double>(length));
            Vec re(length / 2), im(length / 2), norm(length / 2);
            for (std::int64_t k = 0; k < length / 2; ++k) {
                long double fr = 0, fi = 0, nyquist = 0;
                for (std::size_t j = 0; j < w.size(); ++j) {
                    const long double angle =
                        2 * std::numbers::pi_v<long double> * static_cast<long double>(j * k % length) / length;
                    fr += w[j] * std::cos(angle);
                    fi += w[j] * std::sin(angle);
                    nyquist += (j % 2 ? -1 : 1) * w[j];
                }
                re[k] = s * static_cast<double>(fr);
                im[k] = s * static_cast<double>(k == 0 ? nyquist : fi);
                norm[k] = (apo == 2 ? 0.75 : 1) * std::hypot(re[k], im[k]);
            }
            TScriptRun run("fft(0;a[];" + std::to_string(apo) + ";" + std::to_string(resincr) + ";" +
                           std::to_string(pad) + ";no[];re[];im[];0)");
            run.SetArray("a", y);
            EXPECT_EQ(run.Run(), std::to_string(length));
            ExpectNear(run.Array("re"), re, 1e-13, "realout");
            ExpectNear(run.Array("im"), im, 1e-13, "imgout");
            ExpectNear(run.Array("no"), norm, 1e-13, "normout");
        }
    }
}

TEST(Fft, FrequencyScale) {
    // dt = span / n = 7/8, so f_max = 4/7 over N/2 = 4 steps.
    TScriptRun run("for(i=0;i<8;i+=1;(x[i]=i, a[i]=1, r[i]=7-i)), fft(x[];a[];0;0;0;0;0;0;s[]),"
                   "fft(r[];a[];0;0;0;0;0;0;sr[]), fft(x[];a[];0;1;0;0;0;0;s16[])");
    run.Run();
    ExpectNear(run.Array("s"), {0, 1.0 / 7, 2.0 / 7, 3.0 / 7}, 1e-15, "scalaout");
    ExpectNear(run.Array("sr"), {0, 1.0 / 7, 2.0 / 7, 3.0 / 7}, 1e-15, "scalaout of a falling scale");
    ExpectNear(run.Array("s16"), {0, 1.0 / 14, 2.0 / 14, 3.0 / 14, 4.0 / 14, 5.0 / 14, 6.0 / 14, 7.0 / 14}, 1e-15,
               "scalaout with resincr 1");
}

TEST(Fft, FrequencyScaleNeedsATimeScaleOfTheSameLength) {
    TScriptRun run("for(i=0;i<8;i+=1;a[i]=i), x[6]=1, s[0]=9, t[0]=9, fft(x[];a[];0;0;0;0;0;0;s[]),"
                   "fft(0;a[];0;0;0;0;0;0;t[])");
    EXPECT_EQ(run.Run(), "8");
    ExpectNear(run.Array("s"), {9}, 0, "scalaout with 7 times");
    ExpectNear(run.Array("t"), {9}, 0, "scalaout without times");
}

TEST(Fft, OutputsMayNameTheInputOrEachOther) {
    TScriptRun run("a[0]=1, a[7]=0, fft(0;a[];0;0;0;a[];0;0;0),"
                   "b[0]=1, b[7]=0, fft(0;b[];0;0;0;c[];c[];0;0),"
                   "d[0]=1, d[7]=0, fft(0;d[];0;0;0;0;e[];e[];0)");
    EXPECT_EQ(run.Run(), "8");
    const Vec amplitudes = {std::sqrt(2.0), 1, 1, 1};
    ExpectNear(run.Array("a"), amplitudes, 1e-15, "input overwritten by the amplitudes");
    ExpectNear(run.Array("c"), amplitudes, 1e-15, "amplitudes written after the real parts");
    ExpectNear(run.Array("e"), {1, 0, 0, 0}, 1e-15, "imaginary parts written after the real parts");
}

TEST(Fft, ArgumentErrors) {
    ExpectResults({
        {"a[1]=1, fft(0;a[];4;0;0;0;0;0;0)", "Error: FFT: Illegal value for apodisation"},
        {"a[1]=1, fft(0;a[];-1;0;0;0;0;0;0)", "Error: FFT: Illegal value for apodisation"},
        {"a[1]=1, fft(0;a[];0;11;0;0;0;0;0)", "Error: FFT: Illegal value for resincr (resolution increase)"},
        {"a[1]=1, fft(0;a[];0;-1;0;0;0;0;0)", "Error: FFT: Illegal value for resincr (resolution increase)"},
        {"a[1]=1, fft(0;a[];0;0;3;0;0;0;0)", "Error: FFT: Illegal pad value"},
        {"a[1]=1, fft(0;a[];0;0;-1;0;0;0;0)", "Error: FFT: Illegal pad value"},
        // Checked as soon as the argument is evaluated, before the next one is.
        {"a[1]=1, fft(0;a[];4;u;0;0;0;0;0)", "Error: FFT: Illegal value for apodisation"},
        {"a[1]=1, fft(0;a[];0;11;u;0;0;0;0)", "Error: FFT: Illegal value for resincr (resolution increase)"},
        {"a[1]=1, fft(0;a[];u;0;0;0;0;0;0)", "Error: Variable u has no value"},
        // Outputs and the time scale given as plain values are not evaluated.
        {"a[1]=1, fft(u;a[];0;0;0;v;w;y;z)", "2"},
        // Names that belong to scalars.
        {"a=1, fft(0;a[];0;0;0;0;0;0;0)", "Error: FFT: ydata array missing."},
        {"b=1, a[1]=1, fft(0;a[];0;0;0;b[];0;0;0)", "Error: FFT: b is not an array"},
        {"b=1, a[1]=1, fft(b[];a[];0;0;0;0;0;0;0)", "Error: FFT: b is not an array"},
        // 2^17 + 1 samples extend to 2^18, which the increase takes beyond 2^27.
        {"a[131072]=1, fft(0;a[];0;10;0;0;0;0;0)",
         "Error: FFT: Transform too long (more than 134217728 points with the resolution increase)"},
        {"fft(0;5;0;0;0;0;0;0;0)", "Syntax: Illegal argument"},
        {"fft(0;a;0;0;0;0;0;0;0)", "Syntax: Illegal argument"},
    });
}

TEST(Fft, ErrorsAndShortSeriesLeaveTheOutputsAlone) {
    for (const char* call : {"fft(0;a[];4;0;0;no[];re[];im[];0)", "fft(0;a[];0;0;9;no[];re[];im[];0)",
                             "fft(0;e[];0;0;0;no[];re[];im[];0)", "fft(0;one[];0;0;0;no[];re[];im[];0)"}) {
        SCOPED_TRACE(call);
        TScriptRun run(std::string("a[3]=1, one[0]=5, no[0]=7, re[0]=7, im[0]=7, e[]=0, ") + call);
        run.Run();
        for (const char* out : {"no", "re", "im"}) ExpectNear(run.Array(out), {7}, 0, out);
    }
}

TEST(InvFft, KnownSpectra) {
    const double pi = std::numbers::pi;
    Vec cosine(8), sine(8), alternating(8);
    for (int j = 0; j < 8; ++j) {
        cosine[j] = std::cos(2 * pi * j / 8) / 4;
        sine[j] = std::sin(2 * pi * j / 8) / 4;
        alternating[j] = (j % 2 ? -1.0 : 1.0) / 8;
    }
    struct {
        const char* name;
        Vec re, im, out;
    } const cases[] = {
        {"sum term", {1, 0, 0, 0}, {0, 0, 0, 0}, Vec(8, 0.125)},
        {"Nyquist term in img[0]", {0, 0, 0, 0}, {1, 0, 0, 0}, alternating},
        {"real first bin", {0, 1, 0, 0}, {0, 0, 0, 0}, cosine},
        {"imaginary first bin", {0, 0, 0, 0}, {0, 1, 0, 0}, sine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptRun run("invfft(re[];im[];out[])");
        run.SetArray("re", c.re);
        run.SetArray("im", c.im);
        EXPECT_EQ(run.Run(), "8");
        ExpectNear(run.Array("out"), c.out, 1e-16, "out");
    }
}

TEST(InvFft, UndoesFft) {
    std::mt19937_64 gen(11);
    std::normal_distribution<double> dist(3, 2);
    Vec y(256);
    for (double& v : y) v = dist(gen);
    TScriptRun run("fft(0;a[];0;0;0;0;re[];im[];0), invfft(re[];im[];out[])");
    run.SetArray("a", y);
    EXPECT_EQ(run.Run(), "256");
    ExpectNear(run.Array("out"), y, 1e-13, "out");
}

TEST(InvFft, LengthsAndErrors) {
    ExpectResults({
        {"re[2]=1, im[2]=1, invfft(re[];im[];out[])", "Error: InvFFT: Illegal input length"},
        {"re[3]=1, im[5]=1, invfft(re[];im[];out[])", "8"}, // the shorter array counts
        {"re[0]=1, im[3]=1, invfft(re[];im[];out[])", "0"},
        {"re=1, im[3]=1, invfft(re[];im[];out[])", "Error: InvFFT: Illegal real parameter"},
        {"im=1, re[3]=1, invfft(re[];im[];out[])", "Error: InvFFT: Illegal imaginary parameter"},
        {"out=1, re[3]=1, im[3]=1, invfft(re[];im[];out[])", "Error: InvFFT: Illegal output parameter"},
        {"invfft(re[];1;out[])", "Syntax: Illegal argument"},
        // 2^27 elements each (storage that is never touched): 2^28 samples are too many.
        {"re[134217727]=0, im[134217727]=0, invfft(re[];im[];out[])",
         "Error: InvFFT: Spectrum too long (more than 67108864 elements)"},
    });
    TScriptRun run("re[3]=1, im[5]=1, out[0]=7, invfft(re[];im[];out[]), re[1]=1, invfft(re[];im[];re[])");
    EXPECT_EQ(run.Run(), "8");
    EXPECT_EQ(run.Array("out")->size(), 8u);
    EXPECT_EQ(run.Array("re")->size(), 8u); // an input may receive the output
}

TEST(InvFft, ErrorsAndShortSpectraLeaveTheOutputAlone) {
    for (const char* setup : {"re[2]=1, im[2]=1", "re[0]=1, im[0]=1"}) {
        SCOPED_TRACE(setup);
        TScriptRun run(std::string(setup) + ", out[0]=7, invfft(re[];im[];out[])");
        run.Run();
        ExpectNear(run.Array("out"), {7}, 0, "out");
    }
}

} // namespace
