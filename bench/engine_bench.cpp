// Hot paths of the engine: loops, user function calls, array fill, text append, compile.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.h"

namespace {

void RunScript(benchmark::State& state, const char* text) {
    NuvixBench::TCompiledScript script(text);
    for (auto _ : state) benchmark::DoNotOptimize(script.Run());
}

void BM_WhileLoop(benchmark::State& state) {
    RunScript(state, "s=0, i=0, while(i<1000000; s+=i, i+=1), s");
}
BENCHMARK(BM_WhileLoop)->Unit(benchmark::kMillisecond);

void BM_RecursiveCalls(benchmark::State& state) {
    RunScript(state, "define(fib(n);if(n<2;n;fib(n-1)+fib(n-2))), fib(22)");
}
BENCHMARK(BM_RecursiveCalls)->Unit(benchmark::kMillisecond);

void BM_ArrayFill(benchmark::State& state) {
    RunScript(state, "for(i=0;i<1000000;i+=1;a[i]=i*0.5), s=0, foreach(i;a[];s+=a[i]), s");
}
BENCHMARK(BM_ArrayFill)->Unit(benchmark::kMillisecond);

void BM_TextAppend(benchmark::State& state) {
    RunScript(state, "s='', for(i=0;i<10000;i+=1;s+='x'), s");
}
BENCHMARK(BM_TextAppend)->Unit(benchmark::kMillisecond);

void BM_Compile1000Lines(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "x" + std::to_string(i % 50) + " = sin(" + std::to_string(i) + ") * 2 + a[" + std::to_string(i) +
                "] /* note */,\n";
    text += "0";
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TParser parser(globals);
    parser.SetText(text);
    for (auto _ : state) benchmark::DoNotOptimize(parser.Compile());
}
BENCHMARK(BM_Compile1000Lines)->Unit(benchmark::kMicrosecond);

} // namespace
