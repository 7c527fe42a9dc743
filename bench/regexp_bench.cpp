// match over long texts: its time must grow linearly with the text (compare the bytes per
// second of the sizes N and 10N), and a megabyte (1,048,576 bytes) must take under 50 ms.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "bench/bench_support.h"

namespace {

void RunMatch(benchmark::State& state, const char* pattern, std::string text) {
    const std::string script = std::string("match(s;'") + pattern + "')";
    NuvixBench::TPreparedScript prepared(script.c_str());
    const auto size = static_cast<std::int64_t>(text.size());
    prepared.SetText("s", std::move(text));
    for (auto _ : state) benchmark::DoNotOptimize(prepared.Run());
    state.SetBytesProcessed(state.iterations() * size);
}

// A run of digits without the unit: every start position begins a run to the end of the
// text (quadratic for a backtracker).
void BM_MatchDigitsWithoutUnit(benchmark::State& state) {
    std::string digits;
    for (std::int64_t i = 0; i < state.range(0); ++i) digits += static_cast<char>('0' + i % 10);
    RunMatch(state, "[0-9]+km", std::move(digits));
}
BENCHMARK(BM_MatchDigitsWithoutUnit)->Arg(100'000)->Arg(1'000'000)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// Twelve stars that can split a line among them in every way, and an 'x' that never comes.
void BM_MatchTwelveStars(benchmark::State& state) {
    RunMatch(state, ".*.*.*.*.*.*.*.*.*.*.*.*x", std::string(static_cast<std::size_t>(state.range(0)), 'a'));
}
BENCHMARK(BM_MatchTwelveStars)->Arg(20'000)->Arg(200'000)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// The same pattern where every other byte is an 'x': the threads change at every byte, so no
// run of bytes is passed over at once and every byte costs a step of all thirteen states
// (the match is the whole text).
void BM_MatchTwelveStarsEveryByte(benchmark::State& state) {
    std::string text;
    for (std::int64_t i = 0; i < state.range(0); ++i) text += i % 2 ? 'x' : 'a';
    RunMatch(state, ".*.*.*.*.*.*.*.*.*.*.*.*x", std::move(text));
}
BENCHMARK(BM_MatchTwelveStarsEveryByte)->Arg(20'000)->Arg(200'000)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// A sentence over and over, with numbers but never the unit: most bytes begin no attempt.
void BM_MatchNumberInProse(benchmark::State& state) {
    const std::string sentence = "The width is 120 mm and the height 75 mm; ";
    std::string text;
    while (static_cast<std::int64_t>(text.size()) < state.range(0)) text += sentence;
    text.resize(static_cast<std::size_t>(state.range(0)));
    RunMatch(state, "[0-9]+\\s*km", std::move(text));
}
BENCHMARK(BM_MatchNumberInProse)->Arg(100'000)->Arg(1'000'000)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

} // namespace
