// TPlotCallQueue: what a fast plotting loop leaves for the window to apply, and in which
// order, counted against a model that applies every call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instruments/plot_call_queue.h"
#include "instruments/plot_model.h"

namespace {

using NuvixParser::TPlotCallQueue;
using NuvixParser::TPlotData;
using NuvixParser::TPlotModel;

TPlotData Growing(std::uint16_t tab, std::uint16_t curve, int n) {
    TPlotData d{tab, curve, {}, {}};
    for (int i = 0; i < n; ++i) {
        d.x.push_back(i);
        d.y.push_back(i * i);
    }
    return d;
}

// A loop that replots a growing curve 1000 times before the window gets to it: the
// window applies (and so draws) once, and ends with the last curve, as if it had applied
// every call.
TEST(PlotCallQueue, ReplacementsOfACurveWaitingToBeDrawnFoldIntoOne) {
    TPlotCallQueue queue;
    TPlotModel applied, direct;
    int requests = 0;
    for (int n = 1; n <= 1000; ++n) {
        requests += queue.PushPlot(Growing(0, 0, n));
        requests += queue.PushPlot(Growing(0, 1, n / 2)); // another curve in between folds too
        direct.Plot(Growing(0, 0, n));
        direct.Plot(Growing(0, 1, n / 2));
    }
    EXPECT_EQ(requests, 1); // one request to draw, however many calls
    const TPlotCallQueue::TDrained drained = queue.Drain(applied);
    EXPECT_EQ(drained.calls, 2u);
    EXPECT_TRUE(drained.plotted);
    EXPECT_EQ(applied.Tabs()[0].panel->curves[0]->y, direct.Tabs()[0].panel->curves[0]->y);
    EXPECT_EQ(applied.Tabs()[0].panel->curves[1]->x.size(), 500u);
    // After a drain the next call asks again.
    EXPECT_TRUE(queue.PushPlot(Growing(0, 0, 3)));
    EXPECT_EQ(queue.Drain(applied).calls, 1u);
    EXPECT_EQ(queue.Drain(applied).calls, 0u);
}

// Appends join the waiting points of their curve, or the waiting curve itself.
TEST(PlotCallQueue, AppendsJoinTheWaitingDataOfTheirCurve) {
    TPlotCallQueue queue;
    TPlotModel model;
    model.Plot(Growing(0, 0, 2)); // drawn already
    for (int i = 0; i < 100000; ++i) queue.PushAppend(0, 0, i, -i);
    queue.PushPlot(Growing(0, 1, 2));
    queue.PushAppend(0, 1, 7, 8);
    EXPECT_EQ(queue.Drain(model).calls, 2u);
    EXPECT_EQ(model.PointCount(0, 0), 100002);
    EXPECT_EQ(model.Tabs()[0].panel->curves[0]->y.back(), -99999);
    EXPECT_EQ(model.Tabs()[0].panel->curves[1]->x, (std::vector<double>{0, 1, 7}));
}

// Any other call keeps its place: data after it never folds into data before it.
TEST(PlotCallQueue, OtherCallsKeepTheirPlaceInTheOrder) {
    TPlotCallQueue queue;
    TPlotModel model;
    queue.PushPlot(Growing(0, 0, 5));
    queue.PushOther([](TPlotModel& m) { m.ClearTab(0); });
    queue.PushAppend(0, 0, 1, 1);
    queue.PushPlot(Growing(0, 0, 3)); // folds into the append after the clear only
    queue.PushOther([](TPlotModel& m) { m.SetTitle(0, "After"); });
    EXPECT_EQ(queue.Drain(model).calls, 4u);
    EXPECT_EQ(model.PointCount(0, 0), 3);
    EXPECT_EQ(model.Tabs()[0].caption, "After");
}

} // namespace
