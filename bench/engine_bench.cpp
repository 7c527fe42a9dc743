// Hot paths of the engine: loops, user function calls, array fill, text append, compile.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <initializer_list>

#include "bench/bench_support.h"
#include "functions/standard_table.h"

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
    for (int i = 0; i < 1000; ++i) {
        text += 'x';
        text += std::to_string(i % 50);
        text += " = sin(";
        text += std::to_string(i);
        text += ") * 2 + a[";
        text += std::to_string(i);
        text += "] /* note */,\n";
    }
    text += "0";
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TParser parser(globals, NuvixParser::StandardRegistry());
    parser.SetText(text);
    for (auto _ : state) benchmark::DoNotOptimize(parser.Compile());
}
BENCHMARK(BM_Compile1000Lines)->Unit(benchmark::kMicrosecond);

// The script bench/compare compiles: five kinds of line in turn (arithmetic, array store
// with functions and a comment, a branch, text building, a function definition).
std::string GeneratedScript(int lines) {
    std::string text;
    auto add = [&text](std::initializer_list<std::string_view> parts) {
        for (std::string_view part : parts) text.append(part);
        text += '\n';
    };
    for (int k = 0; k < lines; ++k) {
        const std::string n = std::to_string(k);
        std::string p = "v";
        p += std::to_string(k > 0 ? k - 1 : 0);
        const std::string m50 = std::to_string(k % 50), m100 = std::to_string(k % 100);
        const std::string m17 = std::to_string(k % 17);
        switch (k % 5) {
        case 0: add({"v", n, " = ", n, " * 0.5 + w", m50, " / 3,"}); break;
        case 1: add({"a[", m100, "] = sin(", p, ") * cos(", n, ") - 1e-3,  /* element ", m100, " */"}); break;
        case 2: add({"if(", p, " > ", m17, "; s += ", p, "; s -= 1),"}); break;
        case 3: add({"t", n, " = 'line ' + string(", p, "),"}); break;
        default: add({"define(f", n, "(x); x * x + ", n, "),"}); break;
        }
    }
    if (!text.empty()) text.resize(text.size() - 2); // the last statement ends the sequence
    return text + "\n";
}

// What the editor pays on a keystroke: parse the text and bind its names, on a parser that
// held the previous compile's tree.
void BM_CompileGenerated(benchmark::State& state) {
    const std::string text = GeneratedScript(static_cast<int>(state.range(0)));
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TParser parser(globals, NuvixParser::StandardRegistry());
    for (auto _ : state) {
        parser.SetText(text);
        if (!parser.Compile()) state.SkipWithError(parser.ErrorMessage().c_str());
        parser.Rebind();
    }
}
BENCHMARK(BM_CompileGenerated)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
