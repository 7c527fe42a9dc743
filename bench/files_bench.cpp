// The matrix text format and execute: formatting and scanning against C stdio baselines.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/calc_info.h"
#include "functions/files/matrix_format.h"
#include "functions/files/process_runner.h"
#include "functions/standard_table.h"

namespace {

constexpr std::int64_t kElements = 1 << 20;
constexpr std::int64_t kColumns = 2;

const std::vector<double>& Data() {
    static const std::vector<double> data = [] {
        std::vector<double> d(kElements);
        for (std::int64_t i = 0; i < kElements; ++i) d[i] = std::sin(i * 0.001) * 1000.0 + i * 1e-7;
        return d;
    }();
    return data;
}

std::string Table() {
    const std::int64_t rows = NuvixParser::MatrixRowCount(kElements, kColumns);
    std::string out;
    NuvixParser::AppendMatrixCells(out, Data().data(), kElements, kColumns, rows, 0, rows * kColumns);
    return out;
}

void BM_MatrixFormat(benchmark::State& state) {
    const std::int64_t rows = NuvixParser::MatrixRowCount(kElements, kColumns);
    std::string out;
    for (auto _ : state) {
        out.clear();
        NuvixParser::AppendMatrixCells(out, Data().data(), kElements, kColumns, rows, 0, rows * kColumns);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_MatrixFormat)->Unit(benchmark::kMillisecond);

// Baseline: the same table with snprintf("%.10g") in the C locale.
void BM_MatrixFormatBaselineSnprintf(benchmark::State& state) {
    std::setlocale(LC_NUMERIC, "C");
    const std::int64_t rows = NuvixParser::MatrixRowCount(kElements, kColumns);
    std::string out;
    char buffer[32];
    for (auto _ : state) {
        out.clear();
        for (std::int64_t r = 0; r < rows; ++r) {
            for (std::int64_t k = 0; k < kColumns; ++k) {
                if (k > 0) out += '\t';
                const std::int64_t i = k * rows + r;
                if (i < kElements)
                    out.append(buffer, std::snprintf(buffer, sizeof buffer, "%.10g", Data()[i]));
            }
            out += "\r\n";
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_MatrixFormatBaselineSnprintf)->Unit(benchmark::kMillisecond);

void BM_MatrixScan(benchmark::State& state) {
    const std::string text = Table();
    std::vector<double> out;
    for (auto _ : state) {
        const NuvixParser::TMatrixShape shape = NuvixParser::MeasureMatrix(text);
        out.assign(static_cast<std::size_t>(shape.Elements()), 0.0);
        NuvixParser::FillMatrix(text, shape, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_MatrixScan)->Unit(benchmark::kMillisecond);

// Baseline: strtod over the same text, numbers only, no placement.
void BM_MatrixScanBaselineStrtod(benchmark::State& state) {
    std::setlocale(LC_NUMERIC, "C");
    const std::string text = Table();
    std::vector<double> out(static_cast<std::size_t>(kElements));
    for (auto _ : state) {
        const char* p = text.c_str();
        std::size_t k = 0;
        while (*p) {
            char* end = nullptr;
            const double v = std::strtod(p, &end);
            if (end == p) {
                ++p;
                continue;
            }
            if (k < out.size()) out[k++] = v;
            p = end;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_MatrixScanBaselineStrtod)->Unit(benchmark::kMillisecond);

// writematrix and readmatrix of a million elements through a file, as a script does it.
void BM_MatrixFileRoundTrip(benchmark::State& state) {
    std::string dir = (std::filesystem::temp_directory_path() / "varnex_bench_XXXXXX").string();
    if (!::mkdtemp(dir.data())) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const std::string file = dir + "/m.txt";
    // The array is filled once by another parser over the same globals ($ names).
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TParser fill(globals, NuvixParser::StandardRegistry());
    NuvixParser::TParser roundTrip(globals, NuvixParser::StandardRegistry());
    fill.SetText("for(i=0;i<1048576;i+=1;$a[i]=i*0.001), 0");
    roundTrip.SetText("writematrix('" + file + "';$a[];2), readmatrix(b[];'" + file + "')");
    if (!fill.Compile() || !roundTrip.Compile()) {
        state.SkipWithError("compile failed");
        return;
    }
    NuvixParser::TCalcInfo ci;
    fill.Rebind();
    ci.Reset();
    fill.Calculate(ci);
    for (auto _ : state) {
        roundTrip.Rebind();
        ci.Reset();
        benchmark::DoNotOptimize(roundTrip.Calculate(ci));
        if (ci.error) state.SkipWithError(ci.errorMessage.c_str());
    }
    state.SetItemsProcessed(state.iterations() * kElements);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_MatrixFileRoundTrip)->Unit(benchmark::kMillisecond);

// 8 MiB through cat and back.
void BM_ExecuteCat(benchmark::State& state) {
    const std::string input(8 << 20, 'x');
    NuvixParser::TCalcInfo ci;
    for (auto _ : state) {
        auto r = NuvixParser::RunProcess({"cat"}, input, ci);
        if (r.output.size() != input.size()) state.SkipWithError("cat lost data");
        benchmark::DoNotOptimize(r.output.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}
BENCHMARK(BM_ExecuteCat)->Unit(benchmark::kMillisecond);

} // namespace
