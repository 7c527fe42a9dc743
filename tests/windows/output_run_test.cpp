// End to end: a calculator's run on the calculation thread writes into a TOutputForm.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "instruments/calculator.h"
#include "windows/output_form.h"
#include "tests/windows/windowed_run.h"

namespace {

using namespace NuvixParser;

NuvixTest::TRun RunWithOutputWindow(NuvixWindows::TOutputForm& form, const char* globalText, const char* panelText) {
    return NuvixTest::RunWithWindows(TRunContext{&form.TextOutput(), nullptr, nullptr}, globalText, panelText);
}

using NuvixTest::TRun;

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
