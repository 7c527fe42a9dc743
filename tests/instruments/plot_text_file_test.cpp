// The "Save As Text" file of a plot, byte for byte.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "instruments/plot_text_file.h"

namespace {

using NuvixParser::PlotText;
using NuvixParser::TPlotCurve;
using NuvixParser::TPlotPanel;

TPlotPanel PanelOf(std::vector<std::optional<TPlotCurve>> curves) {
    TPlotPanel p;
    p.curves = std::move(curves);
    return p;
}

TPlotCurve Curve(std::vector<double> x, std::vector<double> y) {
    TPlotCurve c;
    c.x = std::move(x);
    c.y = std::move(y);
    return c;
}

TEST(PlotText, WritesOneRowPerPointIndexWhileAnyCurveHasOne) {
    struct TTextCase {
        const char* name;
        TPlotPanel panel;
        std::string text;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const TTextCase cases[] = {
        {"curves of 3 and 2 points",
         PanelOf({Curve({0, 1, 2}, {1, 2, 3}), Curve({0, 1}, {5, 6})}),
         "0\t1\t0\t5\r\n1\t2\t1\t6\r\n2\t3\t\t\r\n"},
        // Rows 3 and 4 hold a single TAB in the first curve's place.
        {"curves of 3 and 5 points",
         PanelOf({Curve({0, 1, 2}, {0, 0, 0}), Curve({0, 1, 2, 3, 4}, {9, 9, 9, 9, 9})}),
         "0\t0\t0\t9\r\n1\t0\t1\t9\r\n2\t0\t2\t9\r\n\t\t3\t9\r\n\t\t4\t9\r\n"},
        {"empty slots are skipped", PanelOf({std::nullopt, Curve({1}, {2}), std::nullopt, Curve({3}, {4})}),
         "1\t2\t3\t4\r\n"},
        // Row 0 is always written.
        {"curves without points", PanelOf({Curve({}, {}), Curve({}, {})}), "\t\t\t\r\n"},
        {"no curves", PanelOf({}), "\r\n"},
        {"ten significant digits", PanelOf({Curve({1.0 / 3, 12345678901.0}, {-2.5e-300, 1e-5})}),
         "0.3333333333\t-2.5e-300\r\n1.23456789e+10\t1e-05\r\n"},
        {"special values", PanelOf({Curve({inf, -inf}, {nan, -nan})}), "+INF\t+NAN\r\n-INF\t-NAN\r\n"},
    };
    for (const TTextCase& c : cases) EXPECT_EQ(PlotText(c.panel), c.text) << c.name;
}

} // namespace

namespace {

using NuvixParser::PlotCsv;

TPlotCurve Named(std::vector<double> x, std::vector<double> y, std::string name) {
    TPlotCurve c = Curve(std::move(x), std::move(y));
    c.name = std::move(name);
    return c;
}

// The text file gains a header row only when a curve is named; the CSV file always has one.
TEST(PlotText, HeaderRowsNameTheColumns) {
    struct THeaderCase {
        const char* name;
        TPlotPanel panel;
        std::string text, csv;
    };
    const THeaderCase cases[] = {
        {"no names", PanelOf({Curve({0, 1}, {1, 2}), Curve({0}, {5})}), "0\t1\t0\t5\r\n1\t2\t\t\r\n",
         "x1,y1,x2,y2\r\n0,1,0,5\r\n1,2,,\r\n"},
        {"one curve named", PanelOf({Curve({0}, {1}), std::nullopt, Named({2}, {3}, "Phase")}),
         "x1\ty1\tx2\tPhase\r\n0\t1\t2\t3\r\n", "x1,y1,x2,Phase\r\n0,1,2,3\r\n"},
        {"names with separators", PanelOf({Named({0}, {1}, "a,b \"c\""), Named({0}, {2}, "d\te")}),
         "x1\ta,b \"c\"\tx2\td e\r\n0\t1\t0\t2\r\n", "x1,\"a,b \"\"c\"\"\",x2,d\te\r\n0,1,0,2\r\n"},
    };
    for (const THeaderCase& c : cases) {
        EXPECT_EQ(PlotText(c.panel), c.text) << c.name;
        EXPECT_EQ(PlotCsv(c.panel), c.csv) << c.name;
    }
}

} // namespace
