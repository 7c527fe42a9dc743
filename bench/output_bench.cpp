// Cost of text output per call (formatting, payload, hand-over) and of making a TCommParser.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "engine/calc_info.h"
#include "engine/thread_messages.h"
#include "instruments/comm_parser.h"
#include "instruments/output_functions.h"
#include "instruments/output_messages.h"

namespace {

// Takes and frees every payload on the calling thread: the call's own cost, without a GUI.
class TDiscardingWindow final : public NuvixParser::TWindowTarget {
public:
    bool PostMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) override {
        SendMessage(id, wParam, lParam);
        return true;
    }
    std::intptr_t SendMessage(std::uint32_t id, std::uintptr_t, std::intptr_t lParam) override {
        if (id != NuvixParser::kMsgOutputClear) benchmark::DoNotOptimize(NuvixParser::TakeOutputText(lParam));
        return 1;
    }
};

void RunCommScript(benchmark::State& state, const char* text) {
    TDiscardingWindow window;
    NuvixParser::SetOutputWindow(&window);
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TCommParser parser(globals);
    parser.SetText(text);
    if (!parser.Compile()) {
        state.SkipWithError("compile failed");
        return;
    }
    NuvixParser::TCalcInfo ci;
    for (auto _ : state) {
        parser.Rebind();
        ci.Reset();
        benchmark::DoNotOptimize(parser.Calculate(ci));
    }
    NuvixParser::SetOutputWindow(nullptr);
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
    for (auto _ : state) benchmark::DoNotOptimize(NuvixParser::TParser(globals).HasError());
}
BENCHMARK(BM_MakeParser);

void BM_MakeCommParser(benchmark::State& state) {
    NuvixParser::TGlobalVarList globals;
    for (auto _ : state) benchmark::DoNotOptimize(NuvixParser::TCommParser(globals).HasError());
}
BENCHMARK(BM_MakeCommParser);

} // namespace
