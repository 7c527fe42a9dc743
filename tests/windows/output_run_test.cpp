// End to end: a calculator's run on the calculation thread writes into a TOutputForm.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "instruments/calculator.h"
#include "windows/output_form.h"

namespace {

using namespace NuvixParser;

// Runs the panel script once, with the form as the output window, the way the main
// window does: the GUI event loop keeps running while the calculation thread blocks in
// its sends, until the end-of-run message arrives.
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

TRun RunWithOutputWindow(NuvixWindows::TOutputForm& form, const char* globalText, const char* panelText) {
    QEventLoop loop;
    TLoopQuitter mainWindow(loop);
    TCalculator calculator(&mainWindow);
    calculator.SetWindows(TRunContext{&form.TextOutput(), nullptr, nullptr});
    calculator.GlobalParser().SetText(globalText);
    calculator.PanelParser().SetText(panelText);
    EXPECT_TRUE(calculator.GlobalParser().Compile());
    EXPECT_TRUE(calculator.PanelParser().Compile());

    EXPECT_TRUE(calculator.Start());
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

TEST(OutputRun, ScriptOutputReachesTheWindowInCallOrder) {
    NuvixWindows::TOutputForm form;
    const TRun run = RunWithOutputWindow(form, "print('global '), $n = 200",
                                         "print('a'), print('b'), println('c'), "
                                         "for(i=0; i<$n; i+=1; println(i)), print('\xFC'), print(1/4)");
    EXPECT_FALSE(run.error) << run.result;
    EXPECT_EQ(run.result, "1");
    QStringList expected{"global abc"};
    for (int i = 0; i < 200; ++i) expected << QString::number(i);
    expected << QStringLiteral("\u00FC0.25");
    EXPECT_EQ(form.Lines(), expected);
    EXPECT_FALSE(form.LineEnded());
    EXPECT_TRUE(form.isVisible());
}

TEST(OutputRun, ClearTextAndAnArgumentErrorDuringARun) {
    NuvixWindows::TOutputForm form;
    const TRun first =
        RunWithOutputWindow(form, "", "println('old'), cleartext(), println('new'), println(x)");
    EXPECT_EQ(first.result, "Error: Variable x has no value");
    EXPECT_EQ(form.Lines(), QStringList{"new"});
    // The window keeps its text and line state from one run to the next.
    const TRun second = RunWithOutputWindow(form, "", "print('more')");
    EXPECT_EQ(second.result, "1");
    EXPECT_EQ(form.Lines(), (QStringList{"new", "more"}));
}

} // namespace
