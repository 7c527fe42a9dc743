// TAutoParserThread: the calculation thread that runs the Global and panel scripts.
#pragma once

#include <cstddef>
#include <memory>

#include "engine/calc_info.h"
#include "engine/large_stack_thread.h"
#include "engine/return_value.h"
#include "engine/thread_messages.h"

namespace NuvixParser {

class TParser;

class TAutoParserThread : public TLargeStackThread {
public:
    // Deep recursion of user functions needs a large stack; only used pages are committed.
    static constexpr std::size_t kStackSize = std::size_t{1} << 29; // 512 MiB

    // Created suspended; Resume() starts the message loop. mainWindow is told after every
    // run.
    TAutoParserThread(TParser& panelParser, TParser& globalParser, TRunEndListener* mainWindow);
    ~TAutoParserThread() override;

    // Posts a message to the thread's queue (kMsgStartRun, kMsgBreakRun, kMsgQuit, others
    // are discarded by the loop).
    bool PostThreadMessage(std::uint32_t id);
    // Resets the run record, then posts the start request. Resetting here, not in the
    // thread, keeps a break requested right after the start from being lost.
    bool StartRun();
    // Called from the main thread while a run is active.
    void Break() { calcInfo_.RequestBreak(); }

    // Readable by the main thread once the end of the run was reported.
    TCalcInfo& CalcInfo() { return calcInfo_; }
    const TReturnValue& Result() const { return result_; }

protected:
    void Execute() override;

private:
    TParser& panelParser_;
    TParser& globalParser_;
    TRunEndListener* mainWindow_;
    TCalcInfo calcInfo_;
    TMessageQueue queue_;
    TReturnValue result_;
};

} // namespace NuvixParser
