// Calls from the calculation thread handed to the GUI thread.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

namespace NuvixWindows {

// Runs `call` on the thread of `context` and returns its answer once it ran; called on that
// thread already, it runs at once. The caller's arguments stay valid for the call, since the
// caller waits. The GUI thread must never wait for the calling thread meanwhile.
template <class F> auto CallAndWait(QObject* context, F call) {
    if (QThread::currentThread() == context->thread()) return call();
    using TAnswer = decltype(call());
    if constexpr (std::is_void_v<TAnswer>) {
        QMetaObject::invokeMethod(context, std::move(call), Qt::BlockingQueuedConnection);
    } else {
        TAnswer answer{};
        QMetaObject::invokeMethod(
            context, [&] { answer = call(); }, Qt::BlockingQueuedConnection);
        return answer;
    }
}

// Queues `call` for the thread of `context` behind everything queued before it, and returns
// at once: false when it could not be queued. The call must own what it uses.
template <class F> bool Post(QObject* context, F call) {
    return QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

} // namespace NuvixWindows
