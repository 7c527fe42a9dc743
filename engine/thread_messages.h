// The requests the calculation thread takes from its queue, and how it reports the end of
// a run to the main window (or the command-line runner).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace NuvixParser {

class TReturnValue;

// Ids of the calculation thread's queue, numbered from the application range 0x8000.
constexpr std::uint32_t kMsgQuit = 0x0012;     // ends the thread's loop
constexpr std::uint32_t kMsgAppFirst = 0x8000; // first application-defined id
constexpr std::uint32_t kMsgStartRun = 0x8001; // start one run
constexpr std::uint32_t kMsgBreakRun = 0x8002; // posted by Break; ignored by the loop

// A thread's message queue: any thread posts ids, the owner takes them in order.
class TMessageQueue {
public:
    bool Post(std::uint32_t id);
    std::uint32_t Get(); // waits for the next id

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::uint32_t> messages_;
};

// Told by the calculation thread, on that thread, that a run ended. It must not wait for
// the receiver: the main window hands the call to its own thread and returns. `result`
// stays valid and unchanged until the next run is started.
class TRunEndListener {
public:
    virtual ~TRunEndListener() = default;
    virtual void RunEnded(const TReturnValue& result) = 0;
};

// A main window reduced to waiting for the end of a run (the command-line runner, the
// soak program).
class TRunEndWaiter final : public TRunEndListener {
public:
    void RunEnded(const TReturnValue&) override {
        {
            std::lock_guard lock(mutex_);
            ++ended_;
        }
        endedSignal_.notify_all();
    }
    // Waits until a run ended that was not waited for yet.
    void WaitForRunEnd() {
        std::unique_lock lock(mutex_);
        endedSignal_.wait(lock, [this] { return ended_ > 0; });
        --ended_;
    }

private:
    std::mutex mutex_;
    std::condition_variable endedSignal_;
    int ended_ = 0;
};

} // namespace NuvixParser
