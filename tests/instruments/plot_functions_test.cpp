// The plot functions: what they hand the plot window, in which order, with which numbers;
// their results, errors and pauses.
#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <string>
#include <vector>

#include "instruments/plot_functions.h"
#include "instruments/plot_model.h"
#include "tests/instruments/recording_output.h"
#include "tests/instruments/recording_plot.h"

namespace {

using NuvixTest::EvalWith;
using NuvixTest::TRecordingPlot;
using Calls = std::vector<std::string>;

struct TPlotCase {
    const char* script;
    std::string result;
    Calls calls;
};

void ExpectPlots(std::initializer_list<TPlotCase> cases) {
    for (const TPlotCase& c : cases) {
        TRecordingPlot window;
        EXPECT_EQ(EvalWith(c.script, {nullptr, &window, nullptr}), c.result) << "script: " << c.script;
        EXPECT_EQ(window.calls, c.calls) << "script: " << c.script;
    }
}

TEST(PlotFunction, SamplesFromStartUpToButNotIncludingStop) {
    ExpectPlots({
        {"plot(0;0;x;x;0;1;4)", "0.25", {"Plot 0 0: (0, 0) (0.25, 0.25) (0.5, 0.5) (0.75, 0.75)"}},
        // The variable keeps the last x assigned.
        {"plot(0;0;x;x;0;1;4), x", "0.75", {"Plot 0 0: (0, 0) (0.25, 0.25) (0.5, 0.5) (0.75, 0.75)"}},
        // The step takes the count as given; the number of points is the count truncated.
        {"plot(0;0;x;x;0;1;2.5)", "0.4", {"Plot 0 0: (0, 0) (0.4, 0.4)"}},
        {"plot(1;2;t;t^2;2;0;4)", "-0.5", {"Plot 1 2: (2, 4) (1.5, 2.25) (1, 1) (0.5, 0.25)"}},
        // An array element is a variable too.
        {"a[1]=0, plot(0;0;a[1];a[1]*2;0;1;2)", "0.5", {"Plot 0 0: (0, 0) (0.5, 1)"}},
        // A text result of func is read as a number.
        {"plot(0;0;x;'7';0;1;1)", "1", {"Plot 0 0: (0, 7)"}},
    });
}

TEST(PlotFunction, PlotsNothingForAnEmptyIntervalOrNoPositiveCount) {
    ExpectPlots({
        {"plot(0;0;x;x;3;3;10)", "0", {}},
        {"plot(0;0;x;x;0;1;0)", "0", {}},
        {"plot(0;0;x;x;0;1;-5)", "0", {}},
        {"plot(0;0;x;x;0;1;0/0)", "0", {}},
        // func is never evaluated then.
        {"n=0, plot(0;0;x;n+=1;3;3;10), n", "0", {}},
    });
}

// A count between 0 and 1 samples nothing but still replaces the curve with an empty one.
TEST(PlotFunction, ACountBelowOnePostsAnEmptyCurve) {
    ExpectPlots({
        {"plot(0;3;x;x;0;1;0.5)", "2", {"Plot 0 3:"}},
        {"n=0, plot(0;3;x;n+=1;0;1;0.5), n", "0", {"Plot 0 3:"}},
    });
}

TEST(PlotFunction, EvaluatesItsNumbersInOrderAndStopsAtTheFirstError) {
    ExpectPlots({
        {"k=0, plot((k=k*10+1,0);(k=k*10+2,0);x;x;(k=k*10+3,0);(k=k*10+4,1);(k=k*10+5,1)), k", "12345",
         {"Plot 0 0: (0, 0)"}},
        {"k=0, plot(q;(k=1,0);x;x;0;1;1)", "Error: Variable q has no value", {}},
        {"plot(0;0;x;x;0;1;q)", "Error: Variable q has no value", {}},
        // An error in func stands, and nothing is plotted.
        {"plot(0;0;x;x+q;0;1;4)", "Error: Variable q has no value", {}},
        {"plot(0;0;x;if(x>0.5;q;x);0;1;4)", "Error: Variable q has no value", {}},
        // A variable that refuses the value sets the error flag without a message.
        {"plot(0;0;a[-1];1;0;1;2)", "Error: ", {}},
    });
}

TEST(PlotFunction, KeepsTheLowSixteenBitsOfTabAndCurve) {
    ExpectPlots({
        {"plot(-1;65537;x;x;0;1;1)", "1", {"Plot 65535 1: (0, 0)"}},
        {"plot(2.9;-0.5;x;x;0;1;1)", "1", {"Plot 2 0: (0, 0)"}},
        {"y[0]=1, plotxy(0;-1;0;y[])", "0", {"Plot 0 65535: (0, 1)"}},
        {"y[0]=1, plotxy(65536*3+4;1/0;0;y[])", "0", {"Plot 4 0: (0, 1)"}},
    });
}

// plotxy sets no result of its own: the value record it was given keeps what it held (a
// fresh one here).
TEST(PlotFunction, PlotXYCopiesThePointsBothArraysHave) {
    ExpectPlots({
        {"y[0]=5,y[1]=6,y[2]=7, plotxy(0;0;0;y[])", "0", {"Plot 0 0: (0, 5) (1, 6) (2, 7)"}},
        // A scalar or a constant in x's place: the y values over 0, 1, 2, ...
        {"x=9, y[0]=5,y[1]=6, plotxy(1;2;x;y[])", "0", {"Plot 1 2: (0, 5) (1, 6)"}},
        {"x[0]=-1,x[1]=-2, for(i=0;i<5;i+=1;y[i]=i*i), plotxy(0;0;x[];y[])", "0",
         {"Plot 0 0: (-1, 0) (-2, 1)"}},
        {"x[3]=4, y[0]=1,y[1]=2, plotxy(0;0;x[];y[])", "0", {"Plot 0 0: (0, 1) (0, 2)"}},
        // Nothing to plot, and no error: an empty y or an empty x array.
        {"plotxy(0;0;0;y[])", "0", {}},
        {"y[0]=1, plotxy(0;0;x[];y[])", "0", {}},
        // The numbers are evaluated only when there are points; an error there stops.
        {"plotxy(q;0;0;y[])", "0", {}},
        {"y[0]=1, plotxy(q;0;0;y[])", "Error: Variable q has no value", {}},
        {"y[0]=1, plotxy(0;q;0;y[])", "Error: Variable q has no value", {}},
    });
}

// The arrays are copied before the call returns: the script may change them at once.
TEST(PlotFunction, PlotXYHandsOverACopy) {
    ExpectPlots({
        {"y[0]=1, plotxy(0;0;0;y[]), y[0]=2, plotxy(0;1;0;y[])", "0", {"Plot 0 0: (0, 1)", "Plot 0 1: (0, 2)"}},
    });
}

TEST(PlotFunction, ChecksTheVariableArgumentsAtCompileTime) {
    ExpectPlots({
        {"plot(0;0;1;x;0;1;4)", "Syntax: Illegal argument", {}},
        {"plot(0;0;'x';x;0;1;4)", "Syntax: Illegal argument", {}},
        {"plotxy(0;0;x[];y)", "Syntax: Illegal argument", {}},
        {"plotxy(0;0;x[];3)", "Syntax: Illegal argument", {}},
        {"plotview(0;0;0;1)", "Syntax: ';' expected", {}},
        {"plottabs(1)", "Syntax: ')' expected", {}},
    });
}

TEST(PlotFunction, QueriesReturnTheWindowsAnswer) {
    TRecordingPlot window;
    window.tabCount = 7;
    window.curveCount = 3;
    EXPECT_EQ(EvalWith("plottabs() * 10 + plotcurvecount(4.7)", {nullptr, &window, nullptr}), "73");
    EXPECT_EQ(window.calls, (Calls{"TabCount", "CurveCount 4"}));
}

TEST(PlotFunction, PassesItsArgumentsToTheWindow) {
    ExpectPlots({
        {"plottitle(1;'Voltage')", "1", {"Title 1 'Voltage'"}},
        // Titles and labels take the text reading of a number.
        {"plottitle(0;1/3)", "1", {"Title 0 '0.333333333333333'"}},
        {"plotaxis(2;'t / s';2e20)", "1", {"Axis 2 't / s' '2e+20'"}},
        {"plotcleartab(-0.5) + plotcleartab(70000)", "2", {"ClearTab 0", "ClearTab 70000"}},
        {"plotcleartabs()", "1", {"ClearAll"}},
        {"plotclearcurve(1;-1)", "1", {"ClearCurve 1 -1"}},
        {"plotview(0;-1;-2;1;2.5)", "1", {"View 0 -1 -2 1 2.5"}},
    });
}

TEST(PlotFunction, NarrowsEnableValuesToSixteenBits) {
    ExpectPlots({
        {"plotautoscale(0;1;0)", "1", {"AutoScale 0 x -"}},
        {"plotautoscale(3;65536;-1)", "1", {"AutoScale 3 - y"}},
        {"plotautoscale(0;65537;0.9)", "1", {"AutoScale 0 x -"}},
    });
}

TEST(PlotFunction, NarrowsCurveStylesToEightBits) {
    ExpectPlots({
        // The window takes the colour mod 17; the function passes the low 8 bits.
        {"plotcurveparms(0;0;1;17;2)", "1", {"Style 0 0 color 17 connected thickness 2"}},
        {"plotcurveparms(0;0;256;1;2)", "1", {"Style 0 0 color 1 dots thickness 2"}},
        {"plotcurveparms(65537;-1;0.5;257;258)", "1", {"Style 1 65535 color 1 dots thickness 2"}},
    });
}

TEST(PlotFunction, MakesOneCallPerFunctionCallInCallOrder) {
    ExpectPlots({
        {"plotcleartabs(), plot(0;0;x;x;0;1;1), plottitle(0;'A'), plotaxis(0;'x';'y'), plotview(0;0;0;1;1), "
         "plotautoscale(0;0;0), plotcurveparms(0;0;0;5;1), plotclearcurve(0;0), plotcleartab(0), plottabs()",
         "0",
         {"ClearAll", "Plot 0 0: (0, 0)", "Title 0 'A'", "Axis 0 'x' 'y'", "View 0 0 0 1 1", "AutoScale 0 - -",
          "Style 0 0 color 5 dots thickness 1", "ClearCurve 0 0", "ClearTab 0", "TabCount"}},
    });
}

TEST(PlotFunction, ReturnsZeroForACallTheWindowDidNotQueue) {
    TRecordingPlot window;
    window.queued = false;
    EXPECT_EQ(EvalWith("plottitle(0;'a') + plotcleartab(0) + plotcleartabs() + plotclearcurve(0;0) + "
                       "plotaxis(0;'';'') + plotcurveparms(0;0;0;0;0)",
                       {nullptr, &window, nullptr}),
              "0");
    // plotview and plotautoscale return 1 in any case.
    EXPECT_EQ(EvalWith("plotview(0;0;0;1;1) + plotautoscale(0;1;1)", {nullptr, &window, nullptr}), "2");
}

// Without a plot window nothing is queued; plot still samples and returns its step.
TEST(PlotFunction, WithoutAWindowCallsNothing) {
    EXPECT_EQ(EvalWith("plot(0;0;x;x;0;1;4), x", {}), "0.75");
    EXPECT_EQ(EvalWith("plot(0;0;x;x;0;1;4)", {}), "0.25");
    EXPECT_EQ(EvalWith("plottabs() + plotcurvecount(0) + plottitle(0;'a') + plotcleartabs()", {}), "0");
    EXPECT_EQ(EvalWith("plotview(0;0;0;1;1) + plotautoscale(0;1;1)", {}), "2");
}

TEST(PlotFunction, BreakEndsPlotWithNothingPlotted) {
    TRecordingPlot window;
    EXPECT_EQ(EvalWith("plot(0;0;x;x;0;1;4)", {nullptr, &window, nullptr}, true), "Error: Breaked");
    EXPECT_TRUE(window.calls.empty());
}

// The cap is checked before anything is allocated or sampled.
TEST(PlotFunction, EndsTheRunForMorePointsThanTheCap) {
    const std::string tooMany = "Error: Plot: Too many points (more than " + std::to_string(NuvixParser::kMaxPlotPoints) + ")";
    ExpectPlots({
        {"plot(0;0;x;x;0;1;134217729)", tooMany, {}},
        {"plot(0;0;x;x;0;1;1/0)", tooMany, {}},
        {"plot(0;0;x;x;0;1;1e300)", tooMany, {}},
    });
}

// plotview, plotautoscale and plotlog pause after their call. plot, plotxy and plotappend
// do not: a measuring loop that replots keeps its pace (the window folds what it has not
// drawn yet).
TEST(PlotFunction, PausesOnlyAfterViewChanges) {
    struct TPaced {
        const char* script;
        int pauses;
    };
    for (const TPaced& c : {TPaced{"plotview(0;0;0;1;1), plotview(0;0;0;1;1), plotautoscale(0;1;1)", 3},
                            TPaced{"plotlog(0;1;1)", 1}}) {
        TRecordingPlot window;
        const auto start = std::chrono::steady_clock::now();
        EvalWith(c.script, {nullptr, &window, nullptr});
        EXPECT_GE(std::chrono::steady_clock::now() - start, c.pauses * NuvixParser::kPlotPause) << c.script;
    }
    // 200 drawing calls in far less time than 200 pauses would take.
    TRecordingPlot window;
    const auto start = std::chrono::steady_clock::now();
    EvalWith("y[0]=1, for(i=0;i<100;i+=1; plotxy(0;0;0;y[]), plotappend(0;1;i;i), plot(0;2;x;x;0;1;2))",
             {nullptr, &window, nullptr});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100 * NuvixParser::kPlotPause);
    EXPECT_EQ(window.calls.size(), 300u);
}

TEST(PlotFunction, LogAxesAndCurveNamesReachTheWindow) {
    ExpectPlots({
        {"plotlog(1;1;0)", "1", {"Log 1 x -"}},
        {"plotlog(0;65536;2)", "1", {"Log 0 - y"}}, // 16 bits per flag, as plotautoscale's
        {"plotcurvename(0;1;'Gain / dB')", "1", {"Name 0 1 'Gain / dB'"}},
        {"plotcurvename(2;65537;12.5)", "1", {"Name 2 1 '12.5'"}},
    });
}

// plotappend answers the curve's point count; its tab and curve are checked, not cut.
TEST(PlotFunction, AppendChecksItsArgumentsAndAnswersTheCount) {
    ExpectPlots({
        {"plotappend(0;3;1.5;2)", "1", {"Append 0 3: (1.5, 2)"}},
        {"plotappend(0;3;1;2), plotappend(0;3;2;4), plotappend(0;4;0;0) + plotappend(0;3;3;9)", "4",
         {"Append 0 3: (1, 2)", "Append 0 3: (2, 4)", "Append 0 4: (0, 0)", "Append 0 3: (3, 9)"}},
        {"plotappend(51;0;1;2)", "Error: PlotAppend: Tab number out of range (0 to 50)", {}},
        {"plotappend(-1;0;1;2)", "Error: PlotAppend: Tab number out of range (0 to 50)", {}},
        {"plotappend(0;65536;1;2)", "Error: PlotAppend: Curve number out of range (0 to 65535)", {}},
        {"plotappend(0;-1;1;2)", "Error: PlotAppend: Curve number out of range (0 to 65535)", {}},
        {"plotappend(0;0/0;1;2)", "Error: PlotAppend: Curve number out of range (0 to 65535)", {}},
        {"a[0]=1, plotappend(0;0;a[];2)", "Error: PlotAppend: Argument 3 must be a number, not an array", {}},
        {"a[0]=1, plotappend(0;0;1;a[])", "Error: PlotAppend: Argument 4 must be a number, not an array", {}},
    });
    EXPECT_EQ(EvalWith("plotappend(0;0;1;2)", {}), "0"); // no window
}

// End to end with the runner's model: the edge cases a script sees.
TEST(PlotFunction, DrivesThePlotModel) {
    NuvixParser::TPlotModel model;
    EXPECT_EQ(EvalWith("plotcurvecount(3) * 10 + plottabs()", {nullptr, &model, nullptr}), "4");
    const auto& tabs = model.Tabs();
    ASSERT_EQ(tabs.size(), 4u);
    EXPECT_EQ(EvalWith("y[0]=1, plotxy(0;-1;0;y[]), plotcurvecount(0)", {nullptr, &model, nullptr}), "65536");
    EXPECT_EQ(tabs[0].panel->curves[65535]->color, 0); // 65535 mod 17
    EXPECT_EQ(EvalWith("plot(1;2;x;x;0;1;2), plotcurveparms(1;2;256;18;3), plot(1;2;x;x;0;1;4), plotcurvecount(1)",
                       {nullptr, &model, nullptr}),
              "3");
    const auto& curve = *tabs[1].panel->curves[2];
    EXPECT_EQ(curve.color, 1);
    EXPECT_FALSE(curve.connected);
    EXPECT_EQ(curve.thickness, 3);
    EXPECT_EQ(curve.x.size(), 4u);
}

TEST(PlotFunction, TableIsInRegistrationOrder) {
    std::vector<std::string> names;
    for (const auto& entry : NuvixParser::PlotFunctionTable()) names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"plot", "plotxy", "plottabs", "plotcurvecount", "plottitle",
                                               "plotcleartab", "plotcleartabs", "plotclearcurve", "plotaxis",
                                               "plotview", "plotautoscale", "plotcurveparms", "plotlog",
                                               "plotcurvename", "plotappend"}));
}

} // namespace
