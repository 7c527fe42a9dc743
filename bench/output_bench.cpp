// Cost of text output per call (formatting and hand-over) and of making a TCommParser.
#include <benchmark/benchmark.h>

#include <string_view>

#include "engine/calc_info.h"
#include "functions/standard_table.h"
#include "instruments/calculator.h"
#include "instruments/comm_parser.h"
#include "instruments/run_context.h"
#include "instruments/text_output.h"

namespace {

// Takes every text on the calling thread: the call's own cost, without a GUI.
class TDiscardingOutput final : public NuvixParser::TTextOutput {
public:
    void Print(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
    void PrintLine(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
    void Clear() override {}
};

void RunCommScript(benchmark::State& state, const char* text) {
    TDiscardingOutput output;
    NuvixParser::TRunContext windows{&output, nullptr, nullptr};
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TCommParser parser(globals, NuvixParser::CalculatorRegistry());
    parser.SetText(text);
    if (!parser.Compile()) {
        state.SkipWithError("compile failed");
        return;
    }
    NuvixParser::TCalcInfo ci;
    ci.context = &windows;
    for (auto _ : state) {
        parser.Rebind();
        ci.Reset();
        benchmark::DoNotOptimize(parser.Calculate(ci));
    }
}

// Baseline: the same loop, its body a call of similar weight that writes nothing.
void BM_LoopWithoutOutput(benchmark::State& state) {
    RunCommScript(state, "for(i=0;i<100000;i+=1;abs(i))");
}
BENCHMARK(BM_LoopWithoutOutput)->Unit(benchmark::kMillisecond);

void BM_PrintlnNumbers(benchmark::State& state) {
    RunCommScript(state, "for(i=0;i<100000;i+=1;println(i))");
}
BENCHMARK(BM_PrintlnNumbers)->Unit(benchmark::kMillisecond);

void BM_PrintTexts(benchmark::State& state) {
    RunCommScript(state, "s='a line of output text', for(i=0;i<100000;i+=1;print(s))");
}
BENCHMARK(BM_PrintTexts)->Unit(benchmark::kMillisecond);

// A parser is made per panel and per clone: the shared registry keeps this cheap.
void BM_MakeParser(benchmark::State& state) {
    NuvixParser::TGlobalVarList globals;
    const auto registry = NuvixParser::StandardRegistry();
    for (auto _ : state) benchmark::DoNotOptimize(NuvixParser::TParser(globals, registry).HasError());
}
BENCHMARK(BM_MakeParser);

void BM_MakeCommParser(benchmark::State& state) {
    NuvixParser::TGlobalVarList globals;
    const auto registry = NuvixParser::CalculatorRegistry();
    for (auto _ : state) benchmark::DoNotOptimize(NuvixParser::TCommParser(globals, registry).HasError());
}
BENCHMARK(BM_MakeCommParser);

} // namespace
