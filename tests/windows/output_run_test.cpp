// End to end: a TCommParser run on the calculation thread writes into a TOutputForm.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "engine/auto_parser_thread.h"
#include "instruments/comm_parser.h"
#include "instruments/output_functions.h"
#include "windows/output_form.h"
#include "windows/qt_message_target.h"

namespace {

using namespace NuvixParser;

// Runs the panel script once, with the form as the output window, the way the main
// window does: the GUI event loop keeps running while the calculation thread blocks in
// its sends, until the end-of-run message arrives.
struct TRun {
    std::string result;
    bool error = false;
};

TRun RunWithOutputWindow(NuvixWindows::TOutputForm& form, const char* globalText, const char* panelText) {
    TGlobalVarList globals;
    TCommParser panel(globals);
    const std::unique_ptr<TParserBase> clone = panel.Clone();
    auto& global = static_cast<TCommParser&>(*clone);
    panel.ShareHandler(global.Handler());
    global.SetText(globalText);
    panel.SetText(panelText);
    EXPECT_TRUE(global.Compile());
    EXPECT_TRUE(panel.Compile());
    global.Rebind();
    panel.Rebind();

    QEventLoop loop;
    NuvixWindows::TQtMessageTarget mainWindow([&](std::uint32_t id, std::uintptr_t, std::intptr_t) {
        if (id == kMsgRunEnded) loop.quit();
        return std::intptr_t{0};
    });
    SetOutputWindow(&form.MessageTarget());
    TAutoParserThread thread(panel, global, &mainWindow);
    thread.Resume();
    thread.StartRun();
    bool timedOut = false;
    QTimer::singleShot(30000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec();
    if (timedOut) {
        // The calculation thread may be blocked in a send that nobody handles any more;
        // waiting for it would hang the suite instead of failing this test.
        ADD_FAILURE() << "the run did not end";
        std::fflush(nullptr);
        std::_Exit(1);
    }
    TRun run{thread.Result().ToString(), thread.CalcInfo().error};
    if (run.error) run.result = "Error: " + thread.CalcInfo().errorMessage;
    thread.PostThreadMessage(kMsgQuit);
    thread.WaitFor();
    SetOutputWindow(nullptr);
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
