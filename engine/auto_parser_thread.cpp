// TAutoParserThread: the message loop of the calculation thread.
#include "engine/auto_parser_thread.h"

#include <exception>

#include "engine/parser.h"

namespace NuvixParser {

TAutoParserThread::TAutoParserThread(TParser& panelParser, TParser& globalParser, TMessageTarget* mainWindow)
    : TLargeStackThread(true, kStackSize), panelParser_(panelParser), globalParser_(globalParser),
      mainWindow_(mainWindow) {}

TAutoParserThread::~TAutoParserThread() {
    EndThread();
}

bool TAutoParserThread::PostThreadMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) {
    return queue_.Post(TThreadMessage{id, wParam, lParam});
}

bool TAutoParserThread::StartRun() {
    calcInfo_.Reset();
    return PostThreadMessage(kMsgStartRun);
}

void TAutoParserThread::Execute() {
    for (;;) {
        const TThreadMessage m = queue_.Get();
        if (m.id == kMsgQuit) break;
        if (m.id != kMsgStartRun) continue; // everything else is discarded
        calcInfo_.owner = this;
        try {
            result_ = globalParser_.Calculate(calcInfo_);
            // A Global program that failed (or was broken) keeps the panel from running.
            if (!calcInfo_.error) result_ = panelParser_.Calculate(calcInfo_);
        } catch (const std::exception& e) {
            // Whatever else escapes a run ends it with an error, and the thread lives on.
            result_ = TReturnValue();
            calcInfo_.SetError(std::string("Internal error: ") + e.what());
        }
        if (mainWindow_) mainWindow_->PostMessage(kMsgRunEnded, 0, reinterpret_cast<std::intptr_t>(&result_));
    }
}

} // namespace NuvixParser
