// String functions and match in script loops, against the same loop that only copies a text.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

namespace {

void RunScript(benchmark::State& state, const char* text) {
    NuvixBench::TCompiledScript script(text);
    for (auto _ : state) benchmark::DoNotOptimize(script.Run());
}

// The baseline: the loop and one text assignment per iteration, no function call.
void BM_TextLoopBaseline(benchmark::State& state) {
    RunScript(state, "s='The length is 120 km and more', for(i=0;i<100000;i+=1; r=s), r");
}
BENCHMARK(BM_TextLoopBaseline)->Unit(benchmark::kMillisecond);

void BM_MatchNumberWithUnit(benchmark::State& state) {
    RunScript(state,
              "s='The length is 120 km and more', for(i=0;i<100000;i+=1; r=match(s;'[0-9]+\\s*km')), r");
}
BENCHMARK(BM_MatchNumberWithUnit)->Unit(benchmark::kMillisecond);

// Every start position backtracks over the rest of a 200-byte line.
void BM_MatchBacktracking(benchmark::State& state) {
    RunScript(state, "s='', for(i=0;i<200;i+=1; s+='a'), for(i=0;i<1000;i+=1; r=match(s;'a.*b')), r");
}
BENCHMARK(BM_MatchBacktracking)->Unit(benchmark::kMillisecond);

// Eight nested stars over 60 bytes: a search that falls back to recording failures.
void BM_MatchNestedStars(benchmark::State& state) {
    RunScript(state,
              "s='', for(i=0;i<60;i+=1; s+='a'), for(i=0;i<100;i+=1; r=match(s;'a*a*a*a*a*a*a*a*c')), r");
}
BENCHMARK(BM_MatchNestedStars)->Unit(benchmark::kMillisecond);

void BM_SubStr(benchmark::State& state) {
    RunScript(state, "s='The length is 120 km and more', for(i=0;i<100000;i+=1; r=substr(s;14;6)), r");
}
BENCHMARK(BM_SubStr)->Unit(benchmark::kMillisecond);

void BM_FindStr(benchmark::State& state) {
    RunScript(state, "s='The length is 120 km and more', for(i=0;i<100000;i+=1; r=findstr(s;'km')), r");
}
BENCHMARK(BM_FindStr)->Unit(benchmark::kMillisecond);

void BM_Str(benchmark::State& state) {
    RunScript(state, "for(i=0;i<100000;i+=1; r=str(i*0.37;12;6)), r");
}
BENCHMARK(BM_Str)->Unit(benchmark::kMillisecond);

} // namespace
