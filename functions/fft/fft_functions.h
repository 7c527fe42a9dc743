// The FFT functions fft and invfft, and the registration table of the fft area.
#pragma once

#include <cstdint>
#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

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

// fft(xdata[];ydata[];apo;resincr;pad;normout[];realout[];imgout[];scalaout[]): the
// spectrum of real samples, with optional apodisation and zero extension to a power of two
// (and beyond it, for a finer frequency grid). Only apo, resincr and pad are evaluated; the
// other arguments are arrays used in place, and an output given as a non-array value (0)
// is skipped.
class TFFT final : public TFunction {
public:
    int ArgumentCount() const override { return 9; }
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override {
        return "xdata[],ydata[],apo,resincr,pad,normout,realout,imgout,scalaout";
    }
    const char* Description() const override;
    const char* Example() const override;
    const char* ExampleExplanation() const override;
    const char* SeeAlso() const override { return "invfft"; }
};

// invfft(real[];img[];out[]): real data of twice the length back from a spectrum in the
// layout fft produces (img[0] holds the Nyquist term).
class TInvFFT final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "real[],img[],out[]"; }
    const char* Description() const override;
    const char* Example() const override;
    const char* ExampleExplanation() const override;
    const char* SeeAlso() const override { return "fft"; }
};

std::span<const TFunctionTableEntry> FftFunctionTable();

} // namespace NuvixParser
