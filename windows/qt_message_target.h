// TQtMessageTarget: window messages from the calculation thread, delivered on the GUI thread.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "engine/thread_messages.h"

namespace NuvixWindows {

// Posted messages become queued calls of the handler; sent messages become blocking
// queued calls (the sender waits until the handler returned), or direct calls when the
// sender already is the GUI thread. The handler runs on the thread of `context`.
class TQtMessageTarget final : public QObject, public NuvixParser::TWindowTarget {
public:
    using Handler =
        std::function<std::intptr_t(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam)>;

    explicit TQtMessageTarget(Handler handler, QObject* parent = nullptr);

    bool PostMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::intptr_t SendMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    Handler handler_;
};

} // namespace NuvixWindows
