// Message ids and the message queue between the GUI (or the command-line runner) and the
// calculation thread. Ids are numbered per receiver, from the application range 0x8000.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace NuvixParser {

constexpr std::uint32_t kMsgQuit = 0x0012;     // ends the thread's loop
constexpr std::uint32_t kMsgAppFirst = 0x8000; // first application-defined id
// To the calculation thread:
constexpr std::uint32_t kMsgStartRun = 0x8001; // start one run
constexpr std::uint32_t kMsgBreakRun = 0x8002; // posted by Break; ignored by the loop
// To the main window:
constexpr std::uint32_t kMsgRunEnded = 0x8001; // lParam: address of the thread's TReturnValue

struct TThreadMessage {
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// A thread's message queue: any thread posts, the owner takes messages in order.
class TMessageQueue {
public:
    bool Post(const TThreadMessage& m);
    TThreadMessage Get();           // waits for the next message
    bool TryGet(TThreadMessage& m); // without waiting

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<TThreadMessage> messages_;
};

// Something the calculation thread posts to (the main window; the runner's main loop).
// Posting must not block: the receiver handles the message on its own thread.
class TMessageTarget {
public:
    virtual ~TMessageTarget() = default;
    virtual bool PostMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// A window on the GUI thread as the calculation thread sees it: posted messages are
// queued; a sent message blocks until the window has handled it and returns its answer.
// Ids are numbered per receiving window.
class TWindowTarget : public TMessageTarget {
public:
    virtual std::intptr_t SendMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// A main window reduced to waiting for the end of a run (the command-line runner, the
// soak program): messages other than kMsgRunEnded are dropped.
class TRunEndWaiter final : public TMessageTarget {
public:
    bool PostMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) override {
        return queue_.Post(TThreadMessage{id, wParam, lParam});
    }
    void WaitForRunEnd() {
        while (queue_.Get().id != kMsgRunEnded) {
        }
    }

private:
    TMessageQueue queue_;
};

} // namespace NuvixParser
