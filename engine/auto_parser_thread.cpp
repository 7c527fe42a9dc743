// TAutoParserThread: the message loop of the calculation thread.
#include "engine/auto_parser_thread.h"

#include <exception>

#include "engine/parser.h"

namespace NuvixParser {

TAutoParserThread::TAutoParserThread(TParser& panelParser, TParser& globalParser, TRunEndListener* mainWindow)
    : TLargeStackThread(true, kStackSize), panelParser_(panelParser), globalParser_(globalParser),
      mainWindow_(mainWindow) {}

TAutoParserThread::~TAutoParserThread() {
    EndThread();
}

bool TAutoParserThread::PostThreadMessage(std::uint32_t id) {
    return queue_.Post(id);
}

bool TAutoParserThread::StartRun() {
    calcInfo_.Reset();
    return PostThreadMessage(kMsgStartRun);
}

void TAutoParserThread::Execute() {
    for (;;) {
        const std::uint32_t id = queue_.Get();
        if (id == kMsgQuit) break;
        if (id != kMsgStartRun) continue; // everything else is discarded
        try {
            result_ = globalParser_.Calculate(calcInfo_);
            // A Global program that failed (or was broken) keeps the panel from running.
            if (!calcInfo_.error) result_ = panelParser_.Calculate(calcInfo_);
        } catch (const std::exception& e) {
            // Whatever else escapes a run ends it with an error, and the thread lives on.
            result_ = TReturnValue();
            calcInfo_.SetError(std::string("Internal error: ") + e.what());
        }
        if (mainWindow_) mainWindow_->RunEnded(result_);
    }
}

} // namespace NuvixParser
