// fft, invfft and fit: the transform alone, the script calls on prepared arrays, a fit.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "functions/fft/real_transform.h"

namespace {

using NuvixBench::TPreparedScript;

std::vector<double> Samples(std::int64_t n) {
    std::mt19937_64 gen(1);
    std::uniform_real_distribution<double> dist(-1, 1);
    std::vector<double> y(static_cast<std::size_t>(n));
    for (double& v : y) v = dist(gen);
    return y;
}

// The transform alone, on a fresh copy of the samples each time (the copy is timed too; it
// is a small part of the whole).
void BM_FftRealTransform(benchmark::State& state) {
    const std::vector<double> y = Samples(state.range(0));
    std::vector<double> work(y.size());
    for (auto _ : state) {
        std::copy(y.begin(), y.end(), work.begin());
        NuvixParser::RealTransform(work.data(), state.range(0), NuvixParser::TTransformDirection::Forward);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FftRealTransform)->RangeMultiplier(4)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMillisecond);

// What a script sees: fft of n samples into amplitudes, real and imaginary parts.
void BM_FftScriptCall(benchmark::State& state) {
    TPreparedScript script("fft(0;a[];0;0;0;no[];re[];im[];0)");
    script.SetArray("a", Samples(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(script.Run());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FftScriptCall)->RangeMultiplier(4)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMillisecond);

// The same with a window, a frequency scale and an increase: n samples, 4n transform.
void BM_FftScriptCallWindowed(benchmark::State& state) {
    TPreparedScript script("fft(t[];a[];3;2;0;no[];re[];im[];f[])");
    std::vector<double> t(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = 1e-3 * static_cast<double>(i);
    script.SetArray("a", Samples(state.range(0)));
    script.SetArray("t", t);
    for (auto _ : state) benchmark::DoNotOptimize(script.Run());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FftScriptCallWindowed)->Arg(1 << 18)->Unit(benchmark::kMillisecond);

void BM_FftInverseScriptCall(benchmark::State& state) {
    TPreparedScript script("invfft(re[];im[];out[])");
    script.SetArray("re", Samples(state.range(0) / 2));
    script.SetArray("im", Samples(state.range(0) / 2));
    for (auto _ : state) benchmark::DoNotOptimize(script.Run());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FftInverseScriptCall)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// A Gaussian peak on a sloping background, 200 points, five parameters: every model
// evaluation walks the parse tree.
void BM_FitGaussianPeak(benchmark::State& state) {
    std::vector<double> x(200), y(200);
    std::mt19937_64 gen(3);
    std::normal_distribution<double> noise(0, 0.1);
    for (int i = 0; i < 200; ++i) {
        x[i] = i * 0.05;
        y[i] = 4 * std::exp(-0.5 * std::pow((x[i] - 5) / 0.7, 2)) + 1 + 0.1 * x[i] + noise(gen);
    }
    TPreparedScript script("p[0]=3, p[1]=4.6, p[2]=1, p[3]=0.5, p[4]=0.05,"
                           "fit(xd[];yd[];p[];x;p[0]*exp(0-0.5*((x-p[1])/p[2])^2)+p[3]+p[4]*x;0;0;chi)");
    script.SetArray("xd", x);
    script.SetArray("yd", y);
    for (auto _ : state) benchmark::DoNotOptimize(script.Run());
}
BENCHMARK(BM_FitGaussianPeak)->Unit(benchmark::kMillisecond);

} // namespace
