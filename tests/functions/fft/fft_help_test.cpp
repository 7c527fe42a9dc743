// The fft area's registration table and the help texts of fft and invfft.
#include <string>

#include <gtest/gtest.h>

#include "engine/function_registry.h"
#include "functions/fft/fft_functions.h"
#include "tests/functions/help_texts.h"

namespace {

using NuvixTest::THelpRow;

constexpr THelpRow kFftHelp[] = {
    {"fft", "fft(xdata[],ydata[],apo,resincr,pad,normout,realout,imgout,scalaout)",
     "Performs a fast fourier transform of a real (not imaginary) input data. <ydata[]> holds the samples, "
     "<xdata[]> their time (or position) scale, which is only needed for <scalaout>; pass 0 if there is "
     "none. <apo> selects the apodisation: 0 none, 1 subtract the reference level, 2 parabolic window, 3 "
     "squared sine window. The data is extended with zeros to a power of two; each step of <resincr> (0 to "
     "10) doubles that length for a finer frequency resolution. <pad> selects the reference level: 0 the "
     "mean of the samples, 1 the first sample, 2 the last sample. <normout>, <realout> and <imgout> "
     "receive the amplitudes, the real parts and the imaginary parts of the spectrum, <scalaout> the "
     "frequencies; pass 0 for an output that is not needed. Returns the length of the transform.",
     "for(i=0;i<1000;i+=1;\n scroll(a[];random();80),\n n=fft(0;a[];2;2;0;norm[];0;0;0),\n "
     "for(k=0;k<n/2;k+=1;f[k]=k),\n plotxy(0;0;f[];norm[])\n)",
     "This scrolls random data into a[], transforms it with a parabolic window and a four times finer "
     "resolution, and plots the amplitude spectrum after every new value.",
     "invfft"},
    {"invfft", "invfft(real[],img[],out[])",
     "Performs an inverse fast fourier transform. <real[]> and <img[]> hold the spectrum as fft returns it "
     "in realout and imgout; their length must be a power of two. <out[]> receives a real data vector of "
     "double length. Together with fft this allows filtering in the frequency domain. Returns the length "
     "of <out[]>.",
     "for(i=0;i<256;i+=1;a[i]=sin(i/5)+random()-0.5),\nfft(0;a[];0;0;0;0;real[];img[];0),\nreal[3]=0,\n"
     "img[3]=0,\ninvfft(real[];img[];out[]),\nfor(i=0;i<256;i+=1;d[i]=a[i]-out[i],x[i]=i),\n"
     "plotxy(0;0;x[];d[])",
     "This transforms a noisy sine of 256 points, removes one frequency from the spectrum, transforms it "
     "back and plots the difference to the original data.",
     "fft"},
};

TEST(FftHelp, EveryFunctionShowsItsHelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::FftFunctionTable(), kFftHelp);
}

TEST(FftHelp, TheStandardTableRegistersTheWholeArea) {
    const auto standard = NuvixParser::StandardFunctionTable();
    for (const auto& e : NuvixParser::FftFunctionTable()) {
        int found = 0;
        for (const auto& s : standard) found += std::string(s.name) == e.name && s.factory == e.factory;
        EXPECT_EQ(found, 1) << e.name;
    }
}

} // namespace
