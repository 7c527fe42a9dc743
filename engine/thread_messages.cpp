// The message queue of the calculation thread.
#include "engine/thread_messages.h"

namespace NuvixParser {

bool TMessageQueue::Post(const TThreadMessage& m) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(m);
    }
    posted_.notify_one();
    return true;
}

TThreadMessage TMessageQueue::Get() {
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [this] { return !messages_.empty(); });
    TThreadMessage m = messages_.front();
    messages_.pop_front();
    return m;
}

bool TMessageQueue::TryGet(TThreadMessage& m) {
    std::lock_guard lock(mutex_);
    if (messages_.empty()) return false;
    m = messages_.front();
    messages_.pop_front();
    return true;
}

} // namespace NuvixParser
