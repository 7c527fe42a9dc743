// TCalculator: the Global program and a panel's run on the calculation thread, shared user
// functions, breaks, and the windows a run reaches.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/result_text.h"
#include "instruments/calculator.h"
#include "instruments/plot_model.h"
#include "tests/instruments/recording_output.h"

namespace {

using namespace NuvixParser;
using namespace std::chrono_literals;

struct TCalculatorRun {
    TRunEndWaiter waiter;
    TCalculator calculator{&waiter};

    // Compiles both panels, runs once and gives the result line (or "not started").
    std::string Run(const char* global, const char* panel) {
        calculator.GlobalParser().SetText(global);
        calculator.PanelParser().SetText(panel);
        calculator.GlobalParser().Compile();
        calculator.PanelParser().Compile();
        if (!calculator.Start()) return "not started";
        waiter.WaitForRunEnd();
        return ResultLineText(calculator.Result(), calculator.CalcInfo(), TRadix::Decimal);
    }
};

TEST(Calculator, RunsTheGlobalProgramThenThePanel) {
    TCalculatorRun r;
    EXPECT_EQ(r.Run("define(twice(x);2*x), $base = 20", "twice($base) + 2"), "42");
    // A failed Global program keeps the panel from running.
    EXPECT_EQ(r.Run("$n = undefinedvar", "$n = 1"), "Error: Variable undefinedvar has no value");
    // Every run starts on fresh variables.
    EXPECT_EQ(r.Run("", "x"), "Error: Variable x has no value");
}

TEST(Calculator, DoesNotStartWhileAProgramHasASyntaxError) {
    TCalculatorRun r;
    EXPECT_EQ(r.Run("1+", "1"), "not started");
    EXPECT_EQ(r.Run("", "(1"), "not started");
    EXPECT_EQ(r.Run("", "1"), "1");
}

TEST(Calculator, BothParsersHaveTheWholeFunctionSet) {
    TCalculatorRun r;
    EXPECT_EQ(&r.calculator.GlobalParser().Registry(), CalculatorRegistry().get());
    EXPECT_EQ(&r.calculator.PanelParser().Registry(), CalculatorRegistry().get());
    EXPECT_EQ(r.Run("println('g')", "cleartext(), sin(0)"), "0");
}

TEST(Calculator, RunsReachTheWindowsSetBetweenRuns) {
    TCalculatorRun r;
    NuvixTest::TRecordingOutput first, second;
    TPlotModel plots;
    r.calculator.SetWindows(TRunContext{&first, &plots, nullptr});
    EXPECT_EQ(r.Run("print('g')", "println('p')"), "1");
    r.calculator.SetWindows(TRunContext{&second, nullptr, nullptr});
    EXPECT_EQ(r.Run("", "cleartext()"), "1");
    EXPECT_EQ(first.calls, (std::vector<NuvixTest::TOutputCall>{{NuvixTest::TOutputKind::Print, "g"},
                                                                {NuvixTest::TOutputKind::PrintLine, "p"}}));
    EXPECT_EQ(second.calls, (std::vector<NuvixTest::TOutputCall>{{NuvixTest::TOutputKind::Clear, ""}}));
    // Without windows the output functions still run.
    r.calculator.SetWindows(TRunContext{});
    EXPECT_EQ(r.Run("", "println('nowhere')"), "1");
}

TEST(Calculator, BreakEndsARunningLoop) {
    TCalculatorRun r;
    r.calculator.PanelParser().SetText("while(1; 1)");
    r.calculator.GlobalParser().SetText("");
    ASSERT_TRUE(r.calculator.PanelParser().Compile());
    ASSERT_TRUE(r.calculator.GlobalParser().Compile());
    ASSERT_TRUE(r.calculator.Start());
    std::this_thread::sleep_for(20ms);
    r.calculator.Break();
    r.waiter.WaitForRunEnd();
    EXPECT_TRUE(r.calculator.CalcInfo().error);
    EXPECT_EQ(r.calculator.CalcInfo().errorMessage, "Breaked");
    // The next run is not broken.
    EXPECT_EQ(r.Run("", "1"), "1");
}

TEST(Calculator, ThreadEndedIsToldWhenTheCalculatorGoes) {
    std::atomic<int> ended{0};
    {
        TRunEndWaiter waiter;
        TCalculator calculator(&waiter, CalculatorRegistry(), [&] { ++ended; });
        EXPECT_EQ(ended.load(), 0);
    }
    EXPECT_EQ(ended.load(), 1);
}

} // namespace
