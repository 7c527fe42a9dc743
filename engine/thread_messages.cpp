// The message queue of the calculation thread.
#include "engine/thread_messages.h"

namespace NuvixParser {

bool TMessageQueue::Post(std::uint32_t id) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(id);
    }
    posted_.notify_one();
    return true;
}

std::uint32_t TMessageQueue::Get() {
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [this] { return !messages_.empty(); });
    const std::uint32_t id = messages_.front();
    messages_.pop_front();
    return id;
}

} // namespace NuvixParser
