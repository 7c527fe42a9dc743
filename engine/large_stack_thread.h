// TLargeStackThread: a POSIX thread with a stack size of its own choosing.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <pthread.h>

namespace NuvixParser {

class TLargeStackThread {
public:
    // Reserves (not commits) a stack of stackSize bytes. A derived class must create the
    // thread suspended and Resume it once constructed: Execute is virtual.
    TLargeStackThread(bool createSuspended, std::size_t stackSize);
    TLargeStackThread(const TLargeStackThread&) = delete;
    TLargeStackThread& operator=(const TLargeStackThread&) = delete;
    // Waits for the thread to end (a thread never resumed does not run Execute).
    virtual ~TLargeStackThread();

    // Only the start can be held back: POSIX threads cannot be suspended from outside,
    // so SetSuspended(true) after the start has no effect.
    void SetSuspended(bool suspended);
    void Resume() { SetSuspended(false); }
    bool Suspended() const;
    // Waits without time limit for the thread to end; returns its exit value.
    int WaitFor();
    bool Finished() const { return finished_.load(); }
    bool Started() const { return created_; }

    // Called on the worker thread after Execute returns.
    std::function<void(TLargeStackThread&)> onTerminate;

protected:
    virtual void Execute() = 0;
    // Call first in the destructor of a derived class: a thread that was never resumed is
    // released without running Execute, and a running one is waited for while the derived
    // part still exists.
    void EndThread();
    int returnValue = 0;

private:
    static void* ThreadFunction(void* self);
    pthread_t thread_{};
    bool created_ = false;
    bool joined_ = false;
    mutable std::mutex mutex_;
    std::condition_variable gate_;
    bool suspended_;
    bool cancelled_ = false;
    std::atomic<bool> finished_{false};
};

} // namespace NuvixParser
