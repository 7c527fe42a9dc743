// TEvent: manual- and auto-reset events.
#include "engine/event.h"

namespace NuvixParser {

void TEvent::Set() {
    {
        std::lock_guard lock(group_->mutex);
        signalled_ = true;
    }
    group_->changed.notify_all();
}

void TEvent::Reset() {
    std::lock_guard lock(group_->mutex);
    signalled_ = false;
}

bool TEvent::IsSet() const {
    std::lock_guard lock(group_->mutex);
    return signalled_;
}

int TEvent::WaitAny(std::initializer_list<TEvent*> events, std::chrono::milliseconds timeout) {
    if (events.size() == 0) return -1;
    TEventGroup& group = *(*events.begin())->group_;
    std::unique_lock lock(group.mutex);
    int found = -1;
    auto ready = [&] {
        int i = 0;
        for (TEvent* e : events) {
            if (e->signalled_) {
                found = i;
                return true;
            }
            ++i;
        }
        return false;
    };
    if (timeout.count() < 0)
        group.changed.wait(lock, ready);
    else if (!group.changed.wait_for(lock, timeout, ready))
        return -1;
    TEvent* e = *(events.begin() + found);
    if (!e->manualReset_) e->signalled_ = false;
    return found;
}

} // namespace NuvixParser
