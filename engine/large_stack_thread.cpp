// TLargeStackThread: POSIX thread creation with a chosen stack size and a start gate.
#include "engine/large_stack_thread.h"

#include <stdexcept>

namespace NuvixParser {

TLargeStackThread::TLargeStackThread(bool createSuspended, std::size_t stackSize)
    : suspended_(createSuspended) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    // glibc maps the stack without committing it; pages are used as the stack grows.
    pthread_attr_setstacksize(&attr, stackSize);
    created_ = pthread_create(&thread_, &attr, &TLargeStackThread::ThreadFunction, this) == 0;
    pthread_attr_destroy(&attr);
    if (!created_) throw std::runtime_error("cannot create the calculation thread");
}

TLargeStackThread::~TLargeStackThread() {
    EndThread();
}

void TLargeStackThread::EndThread() {
    {
        std::lock_guard lock(mutex_);
        if (suspended_) cancelled_ = true;
        suspended_ = false;
    }
    gate_.notify_all();
    WaitFor();
}

void TLargeStackThread::SetSuspended(bool suspended) {
    {
        std::lock_guard lock(mutex_);
        if (suspended || finished_) return;
        suspended_ = false;
    }
    gate_.notify_all();
}

bool TLargeStackThread::Suspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
}

int TLargeStackThread::WaitFor() {
    if (created_ && !joined_) {
        pthread_join(thread_, nullptr);
        joined_ = true;
    }
    return returnValue;
}

void* TLargeStackThread::ThreadFunction(void* param) {
    auto* self = static_cast<TLargeStackThread*>(param);
    bool run;
    {
        std::unique_lock lock(self->mutex_);
        self->gate_.wait(lock, [self] { return !self->suspended_; });
        run = !self->cancelled_;
    }
    if (run) {
        self->Execute();
        if (self->onTerminate) self->onTerminate(*self);
    }
    self->finished_ = true;
    return nullptr;
}

} // namespace NuvixParser
