// Soak test: one calculation thread runs a mixed script 1,000 times, rebinding between
// runs; resident memory after the warm-up must stay flat. Not a unit test: run it by hand
// (build/bench/soak [runs]) after changes to the engine's memory handling.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/auto_parser_thread.h"
#include "engine/parser.h"
#include "engine/thread_messages.h"
#include "engine/var_handler.h"
#include "functions/standard_table.h"

namespace {

using namespace NuvixParser;

// Arithmetic, texts, arrays, a recursive user function, sort and match, each leaving
// something behind (variables, array storage, texts) that the next run's rebind releases.
constexpr const char* kMixedScript = R"(
define(fib(n); if(n < 2; n; fib(n - 1) + fib(n - 2))),
define(fill(a[]; n); for(i = 0; i < n; i = i + 1; a[i] = mod(i * 7919; 1000) / 10)),
x = 0,
for(i = 1; i <= 2000; i = i + 1; x = x + sqrt(i) * sin(i) / (1 + i)),
fill(v[]; 5000),
sort(v[]; order[]),
s = '',
for(i = 0; i < 200; i = i + 1; s = concat(s; str(v[order[i]]; 0; 4))),
t = substr(s; 10; 40) + strzero(42; 8; 0),
m = match('reading: VOLT +12.500E+0 V'; 'VOLT\s[-+0-9.E]+'),
string(fib(15)) + ' ' + string(length(s)) + ' ' + m + ' ' + string(x > -1000)
)";
constexpr const char* kExpectedStart = "610 ";

constexpr int kDefaultRuns = 1000;
constexpr int kWarmUpRuns = 100;
// Allowed growth after the warm-up: 10 % of the resident size then, at least 4 MiB
// (allocator caches and thread-local pools move by a few MiB without any leak).
constexpr double kAllowedGrowth = 0.10;
constexpr std::int64_t kMinimumSlackKiB = 4 * 1024;

std::int64_t ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtoll(line.c_str() + 6, nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    if (runs <= kWarmUpRuns) {
        std::fprintf(stderr, "soak: need more than %d runs\n", kWarmUpRuns);
        return 2;
    }
    TGlobalVarList globals;
    TParser global(globals, StandardRegistry()), panel(globals, StandardRegistry());
    global.SetText("");
    panel.SetText(kMixedScript);
    if (!global.Compile() || !panel.Compile()) {
        std::fprintf(stderr, "soak: script does not compile: %s\n", panel.ErrorMessage().c_str());
        return 2;
    }
    TRunEndWaiter window;
    TAutoParserThread thread(panel, global, &window);
    thread.Resume();

    const std::int64_t startKiB = ResidentKiB();
    std::int64_t warmKiB = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int run = 1; run <= runs; ++run) {
        global.Rebind();
        panel.Rebind();
        thread.StartRun();
        window.WaitForRunEnd();
        const std::string result = thread.Result().ToString();
        if (thread.CalcInfo().error || result.rfind(kExpectedStart, 0) != 0) {
            std::fprintf(stderr, "soak: run %d failed: %s%s\n", run, thread.CalcInfo().errorMessage.c_str(),
                         result.c_str());
            thread.PostThreadMessage(kMsgQuit);
            return 1;
        }
        if (run == kWarmUpRuns) warmKiB = ResidentKiB();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::int64_t endKiB = ResidentKiB();
    thread.PostThreadMessage(kMsgQuit);

    const std::int64_t slackKiB =
        std::max<std::int64_t>(kMinimumSlackKiB, static_cast<std::int64_t>(warmKiB * kAllowedGrowth));
    std::printf("soak: %d runs in %.1f s (%.2f ms per run)\n", runs, seconds, seconds * 1000 / runs);
    std::printf("soak: resident memory at start %lld KiB, after %d runs %lld KiB, at end %lld KiB\n",
                static_cast<long long>(startKiB), kWarmUpRuns, static_cast<long long>(warmKiB),
                static_cast<long long>(endKiB));
    if (endKiB > warmKiB + slackKiB) {
        std::printf("soak: FAILED: grew by %lld KiB after the warm-up (allowed %lld KiB)\n",
                    static_cast<long long>(endKiB - warmKiB), static_cast<long long>(slackKiB));
        return 1;
    }
    std::printf("soak: passed: growth after the warm-up %lld KiB (allowed %lld KiB)\n",
                static_cast<long long>(endKiB - warmKiB), static_cast<long long>(slackKiB));
    return 0;
}
