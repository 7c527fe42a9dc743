// TCalcInfo: the run record every node and function reports errors and breaks through.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "engine/event.h"

namespace NuvixParser {

// What a run reaches beyond the engine: the windows and instruments of the calculator that
// runs it. Defined where calculators are assembled; the engine only carries the pointer.
struct TRunContext;

class TCalcInfo {
public:
    // The record of a calculation thread: own break flag and events, created unsignalled.
    TCalcInfo();
    // A record for evaluating something whose errors must not reach the run (an array
    // index inside HasValue/AssignNumber): own error flag and message, but the break flag
    // and the events and context of `parent`, so a break still ends a loop evaluated in
    // there.
    struct PrivateTag {};
    TCalcInfo(TCalcInfo& parent, PrivateTag);
    TCalcInfo(const TCalcInfo&) = delete;
    TCalcInfo& operator=(const TCalcInfo&) = delete;

    std::string errorMessage;
    bool error = false;
    // The last TParser::Calculate ended with the result text "Stack Overflow". That run is
    // not an error, but a caller that reports how a run ended (the runner's exit status)
    // must tell it from a script that returns the same text.
    bool endedInStackOverflow = false;
    // None for a record that runs without a calculator (tests, benchmarks): functions
    // that need a window then have nothing to reach.
    TRunContext* context = nullptr;

    // Error false (and not ended in Stack Overflow), break cleared, message emptied, break
    // event reset.
    void Reset();
    void SetError(std::string message) {
        error = true;
        errorMessage = std::move(message);
    }
    // The error "Breaked" of a run the user broke off. Out of line and cold: it sits on
    // the path of every loop iteration and sequence step, which stay lean without it.
    [[gnu::cold, gnu::noinline]] void SetBreaked();
    // The stack of the thread ran low: stops the evaluation like an error (flag only). A
    // private record passes this on to the run's record.
    void SetStackOverflow() {
        *overflowFlag_ = true;
        error = true;
    }
    bool StackOverflowed() const { return *overflowFlag_; }
    void ClearStackOverflow() { *overflowFlag_ = false; }

    // Safe from any thread: sets the break flag and signals the break event.
    void RequestBreak();
    // Read at every sequence step and loop iteration; written by another thread.
    bool BreakRequested() const { return breakFlag_->load(std::memory_order_relaxed); }

    TEvent& BreakEvent() { return *breakEvent_; }
    // Signalled by user changes in a runtime control panel; waited for together with the
    // break event. Not reset between runs: a change no wait consumed wakes the next wait.
    TEvent& GuiEvent() { return *guiEvent_; }

private:
    bool ownOverflow_ = false;
    bool* overflowFlag_;
    std::atomic<bool> ownBreak_{false};
    std::atomic<bool>* breakFlag_;
    std::unique_ptr<TEvent> ownBreakEvent_;
    std::unique_ptr<TEvent> ownGuiEvent_;
    TEvent* breakEvent_;
    TEvent* guiEvent_;
};

} // namespace NuvixParser
