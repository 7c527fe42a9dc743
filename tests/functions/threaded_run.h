// Runs a script on a thread of its own, optionally breaking it off as F4 does.
#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "tests/engine/test_support.h"

namespace NuvixTest {

struct TGuardedRun {
    std::string outcome;              // as Eval reports it; "(hung)" when it never ended
    std::chrono::milliseconds time{}; // from the break request (or the start) to the end
};

// Runs the script and, when `breakAfter` is given, requests a break that long after the
// start. A run that does not end is given up after `guard` (the thread is left behind,
// owning the script) so a faulty build fails the test instead of hanging the suite.
inline TGuardedRun RunGuarded(std::string_view text, std::optional<std::chrono::milliseconds> breakAfter,
                              std::chrono::milliseconds guard = std::chrono::seconds(20)) {
    auto script = std::make_shared<TScript>(text);
    if (!script->Compile()) return {"Syntax: " + script->parser.ErrorMessage()};
    // Reset here, not on the thread, so the break cannot be cleared by a late reset.
    script->parser.Rebind();
    script->ci.Reset();
    std::packaged_task<std::string()> task([script] {
        NuvixParser::TReturnValue v = script->parser.Calculate(script->ci);
        return script->ci.error ? "Error: " + script->ci.errorMessage : v.ToString();
    });
    std::future<std::string> outcome = task.get_future();
    std::thread calc(std::move(task));
    if (breakAfter) {
        std::this_thread::sleep_for(*breakAfter);
        script->ci.RequestBreak();
    }
    const auto from = std::chrono::steady_clock::now();
    if (outcome.wait_for(guard) != std::future_status::ready) {
        calc.detach();
        return {"(hung)", guard};
    }
    calc.join();
    return {outcome.get(),
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - from)};
}

// Eval on a new thread: fresh thread-local state, such as the random seed.
inline std::string EvalOnNewThread(std::string_view text) {
    std::string out;
    std::thread([&] { out = Eval(text); }).join();
    return out;
}

} // namespace NuvixTest
