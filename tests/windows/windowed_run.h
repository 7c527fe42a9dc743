// Runs a calculator's scripts on its calculation thread while the GUI event loop runs, as
// the main window does.
#pragma once

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "instruments/calculator.h"
#include "instruments/run_context.h"

namespace NuvixTest {

using namespace NuvixParser;

// The outcome of one run: the result text, or "Error: " and the message.
struct TRun {
    std::string result;
    bool error = false;
};

// Ends the event loop when the run ended, as the main window ends its "Running..." state.
class TLoopQuitter final : public TRunEndListener {
public:
    explicit TLoopQuitter(QEventLoop& loop) : loop_(loop) {}
    void RunEnded(const TReturnValue&) override {
        QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
    }

private:
    QEventLoop& loop_;
};

// Runs the panel script once with the given windows: the GUI event loop keeps running while
// the calculation thread blocks in its sends, until the end-of-run message arrives.
// `whileRunning`, when given, runs on the GUI thread once the run has started (a user
// acting on the windows, or breaking the run).
inline TRun RunWithWindows(TRunContext windows, const char* globalText, const char* panelText,
                           const std::function<void(TCalculator&)>& whileRunning = {}) {
    QEventLoop loop;
    TLoopQuitter mainWindow(loop);
    TCalculator calculator(&mainWindow);
    calculator.SetWindows(windows);
    calculator.GlobalParser().SetText(globalText);
    calculator.PanelParser().SetText(panelText);
    EXPECT_TRUE(calculator.GlobalParser().Compile());
    EXPECT_TRUE(calculator.PanelParser().Compile());

    EXPECT_TRUE(calculator.Start());
    if (whileRunning) QTimer::singleShot(0, &loop, [&] { whileRunning(calculator); });
    bool timedOut = false;
    QTimer::singleShot(30000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec();
    if (timedOut) {
        // The calculation thread may be blocked in a call that nobody handles any more;
        // waiting for it would hang the suite instead of failing this test.
        ADD_FAILURE() << "the run did not end";
        std::fflush(nullptr);
        std::_Exit(1);
    }
    TRun run{calculator.Result().ToString(), calculator.CalcInfo().error};
    if (run.error) run.result = "Error: " + calculator.CalcInfo().errorMessage;
    return run;
}

} // namespace NuvixTest
