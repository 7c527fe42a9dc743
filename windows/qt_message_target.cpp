// TQtMessageTarget: posted and sent messages as queued calls into the GUI thread.
#include "windows/qt_message_target.h"

#include <QMetaObject>
#include <QThread>

namespace NuvixWindows {

TQtMessageTarget::TQtMessageTarget(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

bool TQtMessageTarget::PostMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) {
    return QMetaObject::invokeMethod(
        this, [this, id, wParam, lParam] { handler_(id, wParam, lParam); }, Qt::QueuedConnection);
}

std::intptr_t TQtMessageTarget::SendMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) {
    if (QThread::currentThread() == thread()) return handler_(id, wParam, lParam);
    std::intptr_t answer = 0;
    QMetaObject::invokeMethod(
        this, [&] { answer = handler_(id, wParam, lParam); }, Qt::BlockingQueuedConnection);
    return answer;
}

} // namespace NuvixWindows
