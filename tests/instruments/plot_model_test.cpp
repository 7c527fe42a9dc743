// TPlotModel: tabs made on demand, curve slots, styles that survive a new plot, clearing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "instruments/plot_model.h"

namespace {

using NuvixParser::TPlotData;
using NuvixParser::TPlotModel;

TPlotData Points(std::uint16_t tab, std::uint16_t curve, std::vector<double> y) {
    TPlotData d{tab, curve, {}, std::move(y)};
    for (std::size_t i = 0; i < d.y.size(); ++i) d.x.push_back(static_cast<double>(i));
    return d;
}

std::vector<std::string> Captions(const TPlotModel& m) {
    std::vector<std::string> c;
    for (const auto& tab : m.Tabs()) c.push_back(tab.panel ? tab.caption : tab.caption + " (empty)");
    return c;
}

TEST(PlotModel, APlotMakesTheTabsUpToItsOwnAndShowsIt) {
    TPlotModel m;
    EXPECT_FALSE(m.Visible());
    m.Plot(Points(2, 0, {1, 2, 3}));
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Plot 1", "Plot 2", "Plot 3"}));
    EXPECT_EQ(m.ActiveTab(), 2);
    EXPECT_TRUE(m.Visible());
    ASSERT_EQ(m.Tabs()[2].panel->curves.size(), 1u);
    EXPECT_EQ(m.Tabs()[2].panel->curves[0]->y, (std::vector<double>{1, 2, 3}));
    // Tabs past the last usable one are ignored, by plots and by queries.
    m.Plot(Points(51, 0, {1}));
    EXPECT_EQ(m.TabCount(), 3);
    EXPECT_EQ(m.CurveCount(51), 0);
    EXPECT_EQ(m.CurveCount(-1), 0);
    EXPECT_EQ(m.TabCount(), 3);
}

TEST(PlotModel, CurveCountCountsSlotsAndMakesMissingTabs) {
    TPlotModel m;
    EXPECT_EQ(m.CurveCount(4), 0);
    EXPECT_EQ(m.TabCount(), 5);
    m.Plot(Points(0, 3, {1}));
    EXPECT_EQ(m.CurveCount(0), 4); // the empty slots below curve 3 count
    m.ClearCurve(0, 1);            // an empty slot: nothing changes
    EXPECT_EQ(m.CurveCount(0), 4);
    m.Plot(Points(0, 1, {5}));
    m.ClearCurve(0, 3); // the last curve goes, and the empty slot before it
    EXPECT_EQ(m.CurveCount(0), 2);
    m.ClearCurve(0, 7); // no such slot
    EXPECT_EQ(m.CurveCount(0), 2);
}

TEST(PlotModel, StylesSurviveANewPlotOfTheSameCurve) {
    TPlotModel m;
    m.Plot(Points(0, 18, {1}));
    EXPECT_EQ(m.Tabs()[0].panel->curves[18]->color, 1); // the default colour is curve mod 17
    m.SetCurveStyle(0, 18, 33, false, 5);
    m.Plot(Points(0, 18, {2, 3}));
    const auto& c = *m.Tabs()[0].panel->curves[18];
    EXPECT_EQ(c.color, 33 % 17);
    EXPECT_FALSE(c.connected);
    EXPECT_EQ(c.thickness, 5);
    EXPECT_EQ(c.y, (std::vector<double>{2, 3}));
    // A style for a curve that does not exist changes nothing.
    m.SetCurveStyle(0, 4, 2, true, 9);
    EXPECT_FALSE(m.Tabs()[0].panel->curves[4].has_value());
    m.Plot(Points(0, 65535, {1}));
    EXPECT_EQ(m.Tabs()[0].panel->curves[65535]->color, 0);
}

TEST(PlotModel, ClearingATabKeepsEmptyPagesOnlyInTheMiddle) {
    TPlotModel m;
    m.Plot(Points(1, 0, {1}));
    m.ClearTab(0);
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Plot 1 (empty)", "Plot 2"}));
    m.ClearTab(1);
    EXPECT_EQ(m.TabCount(), 0);
    // A plot to an empty page gives it a new panel.
    m.Plot(Points(1, 0, {1}));
    m.ClearTab(0);
    m.Plot(Points(0, 0, {2}));
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Plot 1", "Plot 2"}));
}

TEST(PlotModel, HidingOrClearingAllRemovesEveryTab) {
    TPlotModel m;
    m.Plot(Points(3, 0, {1}));
    m.SetTitle(0, "Renamed");
    m.ClearAll();
    EXPECT_EQ(m.TabCount(), 0);
    EXPECT_EQ(m.ActiveTab(), -1);
    m.Plot(Points(0, 0, {1}));
    m.Hide();
    EXPECT_FALSE(m.Visible());
    m.Plot(Points(0, 0, {1}));
    EXPECT_EQ(Captions(m), std::vector<std::string>{"Plot 1"});
}

TEST(PlotModel, TitlesNeverMakeTabs) {
    TPlotModel m;
    m.SetTitle(0, "Nothing");
    EXPECT_EQ(m.TabCount(), 0);
    m.Plot(Points(0, 0, {1}));
    m.SetTitle(0, "Voltage");
    m.SetTitle(5, "Nothing");
    EXPECT_EQ(Captions(m), std::vector<std::string>{"Voltage"});
}

struct TRanges {
    double xMin, xMax, yMin, yMax;
    bool operator==(const TRanges&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TRanges& r) {
    return os << "x " << r.xMin << " to " << r.xMax << ", y " << r.yMin << " to " << r.yMax;
}

TRanges RangesOf(const TPlotModel& m, int tab) {
    const auto& p = *m.Tabs()[tab].panel;
    return {p.xMin, p.xMax, p.yMin, p.yMax};
}

TEST(PlotModel, AViewHoldsUntilTheAxisIsScaledAgain) {
    TPlotModel m;
    m.Plot(Points(0, 0, {1, 2}));
    m.SetAxisLabels(0, "t / s", "U / V");
    EXPECT_EQ(RangesOf(m, 0), (TRanges{0, 1, 1, 2}));
    // Either way round; the view leaves the flags alone.
    m.SetView(0, 1, 2, -1, -2);
    const auto& p = *m.Tabs()[0].panel;
    EXPECT_EQ(p.xLabel, "t / s");
    EXPECT_EQ(p.yLabel, "U / V");
    EXPECT_EQ(RangesOf(m, 0), (TRanges{-1, 1, -2, 2}));
    EXPECT_TRUE(p.autoScaleX && p.autoScaleY);
    // A new curve rescales the axes that follow the data.
    m.SetAutoScale(0, false, true);
    m.SetView(0, -1, -2, 1, 2);
    m.Plot(Points(0, 1, {3}));
    EXPECT_EQ(RangesOf(m, 0), (TRanges{-1, 1, 1, 3}));
    // Clearing a curve keeps the ranges; switching autoscale on rescales at once.
    m.ClearCurve(0, 1);
    EXPECT_EQ(RangesOf(m, 0), (TRanges{-1, 1, 1, 3}));
    m.SetAutoScale(0, true, true);
    EXPECT_EQ(RangesOf(m, 0), (TRanges{0, 1, 1, 2}));
}

TEST(PlotModel, AutomaticRangesFollowTheFiniteValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct TRangeCase {
        std::vector<double> x, y;
        TRanges expected;
    };
    const TRangeCase cases[] = {
        // A single point, or a flat curve: the value -0.5 to +0.5.
        {{4}, {3}, {3.5, 4.5, 2.5, 3.5}},
        {{0, 1, 2}, {3, 3, 3}, {0, 2, 2.5, 3.5}},
        {{-5, 2}, {-1e300, 1e300}, {-5, 2, -1e300, 1e300}},
        // NaN and infinities take no part.
        {{0, nan, 2}, {inf, -1, nan}, {0, 2, -1.5, -0.5}},
        // No finite value, or no point at all: the range stays.
        {{nan, inf}, {-inf, nan}, {0, 10, 0, 10}},
        {{}, {}, {0, 10, 0, 10}},
    };
    for (const TRangeCase& c : cases) {
        TPlotModel m;
        m.Plot({0, 0, c.x, c.y});
        EXPECT_EQ(RangesOf(m, 0), c.expected) << ::testing::PrintToString(c.x) << " " << ::testing::PrintToString(c.y);
    }
    // Over all curves of the tab.
    TPlotModel m;
    m.Plot(Points(0, 0, {1, 2}));
    m.Plot(Points(0, 3, {-4, 0, 0, 9}));
    EXPECT_EQ(RangesOf(m, 0), (TRanges{0, 3, -4, 9}));
}

} // namespace

namespace {

// Appends widen the ranges by the new points alone, to the same ranges a full rescale of
// every point gives.
TEST(PlotModel, AppendsGrowACurveAndItsRanges) {
    TPlotModel m;
    EXPECT_EQ(m.Append(1, 2, 5, -1), 1);
    EXPECT_EQ(m.TabCount(), 2);
    EXPECT_EQ(m.ActiveTab(), 1);
    EXPECT_TRUE(m.Visible());
    const NuvixParser::TPlotPanel& p = *m.Tabs()[1].panel;
    EXPECT_EQ(p.xMin, 4.5); // one point: half a unit either way
    EXPECT_EQ(p.xMax, 5.5);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double xs[] = {7, nan, 2};
    const double ys[] = {3, 100, 1};
    EXPECT_EQ(m.AppendPoints(1, 2, xs, ys), 4);
    EXPECT_EQ(m.PointCount(1, 2), 4);
    EXPECT_EQ(std::vector<double>({p.xMin, p.xMax, p.yMin, p.yMax}), std::vector<double>({2, 7, -1, 100}));
    NuvixParser::TPlotPanel copy = p;
    copy.Rescale();
    EXPECT_EQ(std::vector<double>({copy.xMin, copy.xMax, copy.yMin, copy.yMax}),
              std::vector<double>({p.xMin, p.xMax, p.yMin, p.yMax}));
    // The style of the curve number, as for a plot; tabs past 50 are ignored.
    EXPECT_EQ(p.curves[2]->color, 2);
    EXPECT_EQ(m.Append(51, 0, 1, 1), 0);
    EXPECT_EQ(m.PointCount(1, 7), 0);
}

// A name may come before the curve's first point, and survives a new plot of the curve.
TEST(PlotModel, NamesStayWithTheirCurveNumber) {
    TPlotModel m;
    m.SetCurveName(0, 1, "Gain");
    ASSERT_EQ(m.CurveCount(0), 2);
    EXPECT_EQ(m.PointCount(0, 1), 0);
    m.Plot(Points(0, 1, {1, 2}));
    m.Append(0, 1, 2, 3);
    EXPECT_EQ(m.Tabs()[0].panel->curves[1]->name, "Gain");
    EXPECT_EQ(m.PointCount(0, 1), 3);
}

// On a logarithmic axis values of 0 and below take no part in the automatic range.
TEST(PlotModel, LogAxesScaleByThePositiveValues) {
    TPlotModel m;
    m.Plot({0, 0, {-1, 0, 10, 1000}, {0, -5, 0.01, 3}});
    m.SetLogAxes(0, true, true);
    const NuvixParser::TPlotPanel& p = *m.Tabs()[0].panel;
    EXPECT_EQ(std::vector<double>({p.xMin, p.xMax, p.yMin, p.yMax}), std::vector<double>({10, 1000, 0.01, 3}));
    m.Plot({0, 1, {5}, {-2}});
    EXPECT_EQ(p.xMin, 5);
    m.SetLogAxes(0, false, false);
    EXPECT_EQ(std::vector<double>({p.xMin, p.xMax, p.yMin, p.yMax}), std::vector<double>({-1, 1000, -5, 3}));
    // All values 0 or below: the range stays as it was.
    TPlotModel n;
    n.Plot({0, 0, {-1, 0}, {1, 2}});
    n.SetLogAxes(0, true, false);
    EXPECT_EQ(n.Tabs()[0].panel->xMin, -1);
    // One positive value: half a decade either way.
    n.Plot({0, 0, {100}, {1}});
    EXPECT_NEAR(n.Tabs()[0].panel->xMin, 100 / std::sqrt(10.0), 1e-9);
    EXPECT_NEAR(n.Tabs()[0].panel->xMax, 100 * std::sqrt(10.0), 1e-9);
}

} // namespace
