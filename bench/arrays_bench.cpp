// Array functions on a million elements: sort, mean and stddev, each beside a plain C++
// baseline on the same data, so the ratio does not depend on the machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "bench/bench_support.h"
#include "engine/var_entry.h"
#include "engine/var_handler.h"

namespace {

constexpr std::int32_t kCount = 1'000'000;

const std::vector<double>& RandomData() {
    static const std::vector<double> data = [] {
        std::mt19937_64 gen(42);
        std::uniform_real_distribution<double> dist(-1e6, 1e6);
        std::vector<double> v(kCount);
        for (double& x : v) x = dist(gen);
        return v;
    }();
    return data;
}

// A script whose array a[] holds the random data; each iteration runs the script again on
// the same variables.
void RunOnData(benchmark::State& state, const char* text) {
    NuvixBench::TCompiledScript script(text);
    script.parser.Rebind();
    NuvixParser::TArrayEntry* a = script.parser.Store().GetArray("a");
    const std::vector<double>& data = RandomData();
    a->SetLength(kCount);
    std::copy(data.begin(), data.end(), a->Data());
    for (auto _ : state) {
        script.ci.Reset();
        benchmark::DoNotOptimize(script.parser.Calculate(script.ci));
        if (script.ci.error) {
            state.SkipWithError(script.ci.errorMessage.c_str());
            break;
        }
    }
}

// ---- sort ---------------------------------------------------------------------------------

void BM_SortBaseline_StdSortOfACopy(benchmark::State& state) {
    const std::vector<double>& data = RandomData();
    for (auto _ : state) {
        std::vector<double> copy = data;
        std::sort(copy.begin(), copy.end());
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_SortBaseline_StdSortOfACopy)->Unit(benchmark::kMillisecond);

void BM_SortScript(benchmark::State& state) {
    RunOnData(state, "sort(a[];b[])");
}
BENCHMARK(BM_SortScript)->Unit(benchmark::kMillisecond);

// ---- mean and stddev ------------------------------------------------------------------------

void BM_MeanBaseline_PlainSum(benchmark::State& state) {
    const std::vector<double>& data = RandomData();
    for (auto _ : state) {
        double s = 0;
        for (double x : data) s += x;
        benchmark::DoNotOptimize(s / static_cast<double>(data.size()));
    }
}
BENCHMARK(BM_MeanBaseline_PlainSum)->Unit(benchmark::kMicrosecond);

void BM_MeanScript(benchmark::State& state) {
    RunOnData(state, "mean(a[])");
}
BENCHMARK(BM_MeanScript)->Unit(benchmark::kMicrosecond);

void BM_StdDevBaseline_PlainSumOfSquares(benchmark::State& state) {
    const std::vector<double>& data = RandomData();
    for (auto _ : state) {
        double s = 0;
        for (double x : data) s += x * x;
        benchmark::DoNotOptimize(std::sqrt(s / static_cast<double>(data.size())));
    }
}
BENCHMARK(BM_StdDevBaseline_PlainSumOfSquares)->Unit(benchmark::kMicrosecond);

void BM_StdDevScript(benchmark::State& state) {
    RunOnData(state, "stddev(a[])");
}
BENCHMARK(BM_StdDevScript)->Unit(benchmark::kMicrosecond);

} // namespace
