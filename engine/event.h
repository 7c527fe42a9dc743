// TEvent: manual- and auto-reset events over a mutex and a condition variable.
#pragma once

#include <chrono>
#include <condition_variable>
#include <initializer_list>
#include <memory>
#include <mutex>

namespace NuvixParser {

// Events that one thread may wait on together share a group: one mutex guards all their
// flags and one condition variable wakes every waiter of the group.
struct TEventGroup {
    std::mutex mutex;
    std::condition_variable changed;
};

class TEvent {
public:
    explicit TEvent(bool manualReset, std::shared_ptr<TEventGroup> group = std::make_shared<TEventGroup>())
        : group_(std::move(group)), manualReset_(manualReset) {}
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until signalled; an auto-reset event is reset by the wait that sees it.
    void Wait() { WaitAny({this}, std::chrono::milliseconds(-1)); }
    // False when the time ran out.
    bool WaitFor(std::chrono::milliseconds timeout) { return WaitAny({this}, timeout) == 0; }

    // Waits until one of the events (all of one group) is signalled and returns the index
    // of the first signalled one, consuming it when it is auto-reset; -1 when the timeout
    // (negative: none) ran out.
    static int WaitAny(std::initializer_list<TEvent*> events, std::chrono::milliseconds timeout);

private:
    std::shared_ptr<TEventGroup> group_;
    bool manualReset_;
    bool signalled_ = false; // guarded by group_->mutex
};

} // namespace NuvixParser
