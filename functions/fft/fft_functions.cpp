// fft and invfft on script arrays, and the registration table of the fft area.
#include "functions/fft/fft_functions.h"

#include <bit>
#include <cmath>
#include <memory>
#include <numbers>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "engine/var_entry.h"
#include "functions/fft/real_transform.h"

namespace NuvixParser {

static_assert(kMaxTransformLength / 2 <= TArrayEntry::kMaxElements,
              "every output array of the longest transform must fit into an array");
static_assert(kMaxTransformLength == 134217728, "the error messages below state the limit");

namespace {

// Evaluates argument i into `result` and takes its integer reading; false after an error.
bool EvaluateInteger(TFunction& f, int i, TCalcInfo& ci, TReturnValue& result, std::int32_t& value) {
    f.Arg(i)->Evaluate(ci, result);
    if (ci.error) return false;
    value = result.GetInt();
    return true;
}

// The working array of one transform; its contents are written before they are read.
std::unique_ptr<double[]> WorkingArray(std::int64_t n) {
    return std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(n));
}

// Reference level of the apodisation (pad 0, 1, 2).
double ReferenceLevel(const double* y, std::int64_t n, std::int32_t pad) {
    if (pad == 1) return y[0];
    if (pad == 2) return y[n - 1];
    double sum = 0;
    for (std::int64_t i = 0; i < n; ++i) sum += y[i];
    return sum / static_cast<double>(n);
}

// Copies the n samples into w and applies the window to them; the zero extension up to
// the transform length stays at 0, not at the reference level.
void ApodisedCopy(const double* y, std::int64_t n, std::int32_t apo, double level, double* w) {
    switch (apo) {
    case 0:
        for (std::int64_t i = 0; i < n; ++i) w[i] = y[i];
        break;
    case 1:
        for (std::int64_t i = 0; i < n; ++i) w[i] = y[i] - level;
        break;
    case 2: { // parabolic: 1 at the centre, 0 at the first sample
        const double q = std::floor(static_cast<double>(n) / 2);
        for (std::int64_t i = 0; i < n; ++i) {
            const double r = (static_cast<double>(i) - q) / q;
            w[i] = (y[i] - level) * (1 - r * r);
        }
        break;
    }
    default: { // squared sine
        const double step = std::numbers::pi / static_cast<double>(n);
        for (std::int64_t i = 0; i < n; ++i) {
            const double s = std::sin(step * static_cast<double>(i));
            w[i] = (y[i] - level) * (s * s);
        }
        break;
    }
    }
}

// fft(xdata[];ydata[];apo;resincr;pad;normout[];realout[];imgout[];scalaout[]): the
// spectrum of real samples, with optional apodisation and zero extension to a power of two
// (and beyond it, for a finer frequency grid). Only apo, resincr and pad are evaluated; the
// other arguments are arrays used in place, and an output given as a non-array value (0)
// is skipped.
void FFT(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    std::int32_t apo, resincr, pad;
    if (!EvaluateInteger(f, 2, ci, result, apo)) return;
    if (apo < 0 || apo > 3) return ci.SetError("FFT: Illegal value for apodisation");
    if (!EvaluateInteger(f, 3, ci, result, resincr)) return;
    if (resincr < 0 || resincr > 10) return ci.SetError("FFT: Illegal value for resincr (resolution increase)");
    if (!EvaluateInteger(f, 4, ci, result, pad)) return;
    if (pad < 0 || pad > 2) return ci.SetError("FFT: Illegal pad value");
    result.SetNumber(0);

    const TArrayEntry* ydata = f.ArgArray(1);
    if (!ydata) return ci.SetError("FFT: ydata array missing.");
    // An array argument whose name is a scalar has nothing to read or write.
    for (int i : {0, 5, 6, 7, 8})
        if (f.ArgIsArray(i) && !f.ArgArray(i)) return f.ReportNotAnArray(ci, i, "FFT");
    // Outputs not written name[] are not wanted.
    TArrayEntry* xdata = f.ArgArray(0);
    TArrayEntry* normout = f.ArgArray(5);
    TArrayEntry* realout = f.ArgArray(6);
    TArrayEntry* imgout = f.ArgArray(7);
    TArrayEntry* scalaout = f.ArgArray(8);

    const std::int64_t n = ydata->Length();
    if (n < 2) return;
    const std::int64_t length = TransformLength(n, resincr);
    if (length > kMaxTransformLength)
        return ci.SetError("FFT: Transform too long (more than 134217728 points with the resolution increase)");

    std::unique_ptr<double[]> work = WorkingArray(length);
    ApodisedCopy(ydata->Data(), n, apo, ReferenceLevel(ydata->Data(), n, pad), work.get());
    for (std::int64_t i = n; i < length; ++i) work[i] = 0;
    RealTransform(work.get(), length, TTransformDirection::Forward);

    // Every output is resized before any is written, and each index is written in the
    // order real, imaginary, amplitude, so that two outputs naming the same array end up
    // holding the amplitudes.
    const std::int64_t half = length / 2;
    for (TArrayEntry* out : {normout, realout, imgout})
        if (out) out->SetLength(half);
    double* norm = normout ? normout->Data() : nullptr;
    double* re = realout ? realout->Data() : nullptr;
    double* im = imgout ? imgout->Data() : nullptr;
    const double ratio = static_cast<double>(n) / static_cast<double>(length);
    const double s = ratio * ratio;
    const double g = apo == 2 ? 0.75 : 1.0;
    for (std::int64_t k = 0; k < half; ++k) {
        const double r = s * work[2 * k];
        const double i = s * work[2 * k + 1];
        if (re) re[k] = r;
        if (im) im[k] = i;
        if (norm) norm[k] = g * std::sqrt(r * r + i * i);
    }
    work.reset();

    // The frequency scale needs the sample spacing; it is the span divided by n, not by
    // n - 1, so the last frequency falls just short of the Nyquist frequency of the span.
    if (scalaout && xdata && xdata->Length() == n) {
        const double* x = xdata->Data();
        const double dt = std::fabs(x[n - 1] - x[0]) / static_cast<double>(n);
        const double step = 0.5 / dt / static_cast<double>(half);
        scalaout->SetLength(half);
        double* f = scalaout->Data();
        for (std::int64_t k = 0; k < half; ++k) f[k] = step * static_cast<double>(k);
    }
    result.SetNumber(static_cast<double>(length));
}

// invfft(real[];img[];out[]): real data of twice the length back from a spectrum in the
// layout fft produces (img[0] holds the Nyquist term).
void InvFFT(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const TArrayEntry* real = f.ArgArray(0);
    const TArrayEntry* img = f.ArgArray(1);
    TArrayEntry* out = f.ArgArray(2);
    if (!real) return ci.SetError("InvFFT: Illegal real parameter");
    if (!img) return ci.SetError("InvFFT: Illegal imaginary parameter");
    if (!out) return ci.SetError("InvFFT: Illegal output parameter");

    const std::int64_t m = std::min(real->Length(), img->Length());
    if (m < 2) return;
    if (!std::has_single_bit(static_cast<std::uint64_t>(m))) return ci.SetError("InvFFT: Illegal input length");
    const std::int64_t length = 2 * m;
    if (length > kMaxTransformLength)
        return ci.SetError("InvFFT: Spectrum too long (more than 67108864 elements)");

    // Interleaved, the two arrays are the packed layout of the transform, so img[0] is the
    // Nyquist term. Copied before out[] is resized: out[] may be one of the inputs.
    std::unique_ptr<double[]> work = WorkingArray(length);
    const double* re = real->Data();
    const double* im = img->Data();
    for (std::int64_t i = 0; i < m; ++i) {
        work[2 * i] = re[i];
        work[2 * i + 1] = im[i];
    }
    RealTransform(work.get(), length, TTransformDirection::Inverse);

    out->SetLength(length);
    double* y = out->Data();
    const double scale = 2.0 / static_cast<double>(length);
    for (std::int64_t i = 0; i < length; ++i) y[i] = scale * work[i];
    result.SetNumber(static_cast<double>(length));
}

constexpr TBuiltin kFftFunctions[] = {
    {.name = "fft",
     .params = "eannneeee",
     .paramText = "xdata[];ydata[];apo;resincr;pad;normout;realout;imgout;scalaout",
     .description = "Performs a fast fourier transform of a real (not imaginary) input data. <ydata[]> holds the samples, "
                    "<xdata[]> their time (or position) scale, which is only needed for <scalaout>; pass 0 if there is "
                    "none. <apo> selects the apodisation: 0 none, 1 subtract the reference level, 2 parabolic window, 3 "
                    "squared sine window. The data is extended with zeros to a power of two; each step of <resincr> (0 to "
                    "10) doubles that length for a finer frequency resolution. <pad> selects the reference level: 0 the "
                    "mean of the samples, 1 the first sample, 2 the last sample. <normout>, <realout> and <imgout> "
                    "receive the amplitudes, the real parts and the imaginary parts of the spectrum, <scalaout> the "
                    "frequencies; pass 0 for an output that is not needed. Returns the length of the transform.",
     .example = "for(i=0;i<1000;i+=1;\n scroll(a[];random();80),\n n=fft(0;a[];2;2;0;norm[];0;0;0),\n "
                "for(k=0;k<n/2;k+=1;f[k]=k),\n plotxy(0;0;f[];norm[])\n)",
     .explanation = "This scrolls random data into a[], transforms it with a parabolic window and a four times finer "
                    "resolution, and plots the amplitude spectrum after every new value.",
     .seeAlso = "invfft",
     .lazy = FFT},
    {.name = "invfft",
     .params = "aaa",
     .paramText = "real[];img[];out[]",
     .description = "Performs an inverse fast fourier transform. <real[]> and <img[]> hold the spectrum as fft returns it "
                    "in realout and imgout; their length must be a power of two. <out[]> receives a real data vector of "
                    "double length. Together with fft this allows filtering in the frequency domain. Returns the length "
                    "of <out[]>.",
     .example = "for(i=0;i<256;i+=1;a[i]=sin(i/5)+random()-0.5),\nfft(0;a[];0;0;0;0;real[];img[];0),\nreal[3]=0,\n"
                "img[3]=0,\ninvfft(real[];img[];out[]),\nfor(i=0;i<256;i+=1;d[i]=a[i]-out[i],x[i]=i),\n"
                "plotxy(0;0;x[];d[])",
     .explanation = "This transforms a noisy sine of 256 points, removes one frequency from the spectrum, transforms it "
                    "back and plots the difference to the original data.",
     .seeAlso = "fft",
     .lazy = InvFFT},
};

} // namespace

std::int64_t TransformLength(std::int64_t n, std::int32_t resincr) {
    return static_cast<std::int64_t>(std::bit_ceil(static_cast<std::uint64_t>(n))) << resincr;
}

std::span<const TBuiltin> FftFunctionTable() {
    return kFftFunctions;
}

} // namespace NuvixParser
