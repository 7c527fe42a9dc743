// Axis scales, panel layout and painting, checked on a canvas with fixed text metrics
// (characters 5 x 12 pixels, small ones 4 x 8).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "instruments/graphic_panel.h"
#include "instruments/plot_model.h"
#include "instruments/plot_scale.h"
#include "tests/instruments/recording_canvas.h"

namespace {

using NuvixParser::TGraphicPanel;
using NuvixParser::TPlotCurve;
using NuvixParser::TPlotPanel;
using NuvixParser::TScaleBase;
using NuvixParser::TScaleMetrics;
using NuvixTest::TRecordingCanvas;
using Calls = std::vector<std::string>;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TScaleBase ScaleOf(double lo, double hi, int length, bool vertical) {
    TRecordingCanvas canvas;
    TScaleBase scale(vertical);
    scale.SetMetrics(TScaleMetrics::Measure(canvas));
    scale.SetRange(lo, hi);
    scale.SetLength(length);
    scale.Recompute();
    return scale;
}

Calls LabelsOf(const TScaleBase& scale) {
    TRecordingCanvas canvas;
    scale.DrawLabels(canvas, 0, 0);
    return canvas.Only("Text");
}

TEST(PlotScale, MeasuresTheCharactersOfItsLabels) {
    TRecordingCanvas canvas;
    const TScaleMetrics m = TScaleMetrics::Measure(canvas);
    EXPECT_EQ(m.h0, 12);
    EXPECT_EQ(m.hs, 8);
    EXPECT_EQ(m.w0s, 4);
    EXPECT_EQ(m.wms, 4);
    EXPECT_EQ(m.wten, 20); // space, middle dot, "10": four characters
}

// The finest 1-2-5 step whose labels take at most 60 % (horizontal) or 80 % (vertical) of
// the axis; the minor step is a fifth of it, a quarter for steps 2 x 10^k.
TEST(PlotScale, ChoosesTheFinestStepWhoseLabelsFit) {
    struct TStepCase {
        double lo, hi;
        int length;
        bool vertical;
        double step, minor, first;
        int ticks;
    };
    const TStepCase cases[] = {
        {0, 6.28, 400, false, 0.5, 0.1, 0, 13},
        {0, 100000, 400, false, 2e4, 5e3, 0, 6},
        {-1, 1, 300, true, 0.2, 0.05, -1, 11},
        {2.5, 3.5, 300, true, 0.1, 0.02, 2.5, 11},
        {0, 10, 284, true, 1, 0.2, 0, 11},
        // A short axis takes a coarser step.
        {0, 6.28, 100, false, 1, 0.2, 0, 7},
        {0, 6.28, 40, false, 2, 0.5, 0, 4},
    };
    for (const TStepCase& c : cases) {
        const TScaleBase s = ScaleOf(c.lo, c.hi, c.length, c.vertical);
        SCOPED_TRACE(std::to_string(c.lo) + " to " + std::to_string(c.hi) + " on " + std::to_string(c.length));
        EXPECT_TRUE(s.Valid());
        EXPECT_DOUBLE_EQ(s.Step(), c.step);
        EXPECT_DOUBLE_EQ(s.MinorStep(), c.minor);
        EXPECT_DOUBLE_EQ(s.FirstTick(), c.first);
        EXPECT_EQ(s.TickCount(), c.ticks);
    }
}

TEST(PlotScale, PlainLabelsCarryTheDecimalsOfTheStep) {
    const TScaleBase s = ScaleOf(0, 6.28, 400, false);
    EXPECT_FALSE(s.ExponentFormat());
    EXPECT_EQ(s.LabelWidth(), 15); // "0.5"
    EXPECT_EQ(s.Band(), 12);
    const Calls labels = LabelsOf(s);
    ASSERT_EQ(labels.size(), 13u);
    // Centred under their ticks, half a label kept free at the axis start.
    EXPECT_EQ(labels[0], "Text N 0,0 '0.0'");
    EXPECT_EQ(labels[1], "Text N 30,0 '0.5'");
    EXPECT_EQ(labels[12], "Text N 367,0 '6.0'");
    // Minor ticks run over the whole axis, up to 6.28.
    EXPECT_EQ(s.MinorCount(), 63);
}

// 0 to 100000: |E| = 5 > 3, so a mantissa with one decimal (E - S = 1), then " ·10" and a
// superscript exponent half a line higher, all centred under the tick.
TEST(PlotScale, LargeRangesUseMantissaAndExponent) {
    const TScaleBase s = ScaleOf(0, 100000, 400, false);
    EXPECT_TRUE(s.ExponentFormat());
    EXPECT_EQ(s.LabelHeight(), 14); // 12 / 2 + 8
    const Calls labels = LabelsOf(s);
    ASSERT_EQ(labels.size(), 18u);
    EXPECT_EQ(labels[0], "Text N 0,2 '0.0'");
    EXPECT_EQ(labels[1], "Text N 15,2 ' \xB7"
                         "10'");
    EXPECT_EQ(labels[2], "Text S 35,-4 '0'");
    EXPECT_EQ(labels[3], "Text N 72,2 '2.0'");
    EXPECT_EQ(labels[5], "Text S 107,-4 '4'");
    EXPECT_EQ(labels[15], "Text N 361,2 '1.0'");
    EXPECT_EQ(labels[17], "Text S 396,-4 '5'");
}

TEST(PlotScale, SmallRangesUseNegativeExponents) {
    const TScaleBase s = ScaleOf(0, 1e-4, 400, false);
    EXPECT_TRUE(s.ExponentFormat());
    Calls texts;
    for (const std::string& c : LabelsOf(s)) texts.push_back(c.substr(c.find('\'')));
    ASSERT_GE(texts.size(), 6u);
    // 5e-5 is 5.0 ·10 to the -5.
    EXPECT_EQ(texts[3], "'5.0'");
    EXPECT_EQ(texts[5], "'-5'");
}

// Negative values carry a minus sign; positive labels move right by its width so that
// digits stay aligned, and 0 is never written as -0.
TEST(PlotScale, NegativeRangesAlignTheirLabels) {
    const TScaleBase s = ScaleOf(-1, 1, 300, true);
    EXPECT_EQ(s.LabelWidth(), 20); // "-0.2"
    const Calls labels = LabelsOf(s);
    ASSERT_EQ(labels.size(), 11u);
    EXPECT_EQ(labels[0], "Text N 0,288 '-1.0'");
    EXPECT_EQ(labels[5], "Text N 5,144 '0.0'");
    EXPECT_EQ(labels[10], "Text N 5,0 '1.0'");
    const TScaleBase h = ScaleOf(-0.3, 2, 400, false);
    for (const std::string& c : LabelsOf(h)) EXPECT_EQ(c.find("'-0.0'"), std::string::npos) << c;
}

// Vertical labels are right-aligned by their digit count.
TEST(PlotScale, VerticalLabelsAlignRight) {
    const Calls labels = LabelsOf(ScaleOf(0, 10, 284, true));
    ASSERT_EQ(labels.size(), 11u);
    EXPECT_EQ(labels[9].substr(0, 7), "Text N ");
    EXPECT_EQ(labels[9].substr(7, 2), "5,"); // "9" one digit right of "10"
    EXPECT_EQ(labels[10].substr(7, 2), "0,");
}

TEST(PlotScale, ARangeTooNarrowForItsStepDrawsNoLabels) {
    const TScaleBase s = ScaleOf(1e17, 1e17 + 16, 400, false);
    EXPECT_FALSE(s.Valid());
    EXPECT_TRUE(LabelsOf(s).empty());
    // A single value, a range that is no number, an axis without room.
    EXPECT_FALSE(ScaleOf(5, 5, 300, true).Valid());
    EXPECT_FALSE(ScaleOf(0, 1e20, 0, false).Valid());
    for (double bad : {kNaN, kInf}) {
        const TScaleBase b = ScaleOf(0, bad, 400, false);
        EXPECT_FALSE(b.Valid());
        EXPECT_TRUE(LabelsOf(b).empty());
    }
}

TEST(PlotScale, AxisLabelsTakeALineOfTheirOwn) {
    TRecordingCanvas canvas;
    TScaleBase x(false), y(true);
    for (TScaleBase* s : {&x, &y}) {
        s->SetMetrics(TScaleMetrics::Measure(canvas));
        s->SetRange(0, 10);
        s->SetLength(300);
        s->SetLabel("t / s");
        s->Recompute();
    }
    EXPECT_EQ(x.Band(), 24);
    EXPECT_EQ(y.Band(), 10 + 12);
    x.DrawLabels(canvas, 0, 0);
    y.DrawLabels(canvas, 0, 0);
    // Centred below the tick labels; upward along the vertical axis, centred on it.
    EXPECT_EQ(canvas.Only("Text N 137,12 't / s'").size(), 1u);
    EXPECT_EQ(canvas.Only("Text R 0,162 't / s'").size(), 1u);
}

// --- The panel -----------------------------------------------------------------------------

TPlotPanel PanelWith(std::vector<TPlotCurve> curves, double lo = 0, double hi = 10) {
    TPlotPanel p;
    for (TPlotCurve& c : curves) p.curves.emplace_back(std::move(c));
    p.autoScaleX = p.autoScaleY = false;
    p.SetXRange(lo, hi);
    p.SetYRange(lo, hi);
    return p;
}

TEST(PlotPanel, LaysOutTheFrameInsideTheLabels) {
    TRecordingCanvas canvas;
    TGraphicPanel g;
    g.Paint(canvas, TPlotPanel(), "", 400, 300);
    const auto& l = g.Layout();
    EXPECT_EQ(l.m, 4);
    EXPECT_EQ(l.left, 16); // labels "10" (10 pixels) and the width of "0"
    EXPECT_EQ(l.right, 399);
    EXPECT_EQ(l.top, 5);
    EXPECT_EQ(l.bottom, 284);
    EXPECT_EQ(canvas.Only("Rect"), Calls{"Rect 15,4 400,285"});
    EXPECT_EQ(g.YScale().Length(), 284);
    EXPECT_EQ(g.XScale().Length(), 385);
    // Ranges 0 to 10 before any data: 11 major ticks on each axis, each with a grid line.
    EXPECT_EQ(canvas.Only("Pen 192,192,192").size(), 22u);
    // Turning pixels back into values uses the mapping of the curves.
    EXPECT_NEAR(g.XValueAt(l.left + static_cast<int>(g.XScale().Position(5))), 5, 0.05);
    EXPECT_NEAR(g.YValueAt(l.top + static_cast<int>(g.YScale().Position(2))), 2, 0.05);
}

TEST(PlotPanel, DrawsTheTitleCentredAboveThePlot) {
    TRecordingCanvas canvas;
    TGraphicPanel g;
    g.Paint(canvas, TPlotPanel(), "T1", 400, 300);
    EXPECT_EQ(canvas.Only("Text N 195,0 'T1'").size(), 1u);
    EXPECT_EQ(g.Layout().top, 12 + 4 + 1);
}

TEST(PlotPanel, DrawsNothingForARangeOfNoWidth) {
    for (auto [lo, hi] : {std::pair{3.0, 3.0}, {kNaN, 1.0}, {0.0, kInf}}) {
        TRecordingCanvas canvas;
        TGraphicPanel g;
        TPlotPanel p = PanelWith({{{1, 2}, {1, 2}}});
        p.xMin = lo;
        p.xMax = hi;
        g.Paint(canvas, p, "", 400, 300);
        EXPECT_FALSE(g.Drawn());
        EXPECT_TRUE(canvas.Only("Line").empty() && canvas.Only("Rect").empty() && canvas.Only("Text").empty());
    }
}

// Points outside the view run along the frame; NaN breaks the line; 1e300 and infinities
// are clamped like any other outside point.
TEST(PlotPanel, ConnectedCurvesClampToTheFrameAndBreakAtNaN) {
    TRecordingCanvas canvas;
    TGraphicPanel g;
    const TPlotPanel p = PanelWith({{{5, 20, 5, kInf, 5, 5, 1e300}, {5, 5, -1e300, 5, kNaN, 5, 5}, 0, 3, true}});
    g.Paint(canvas, p, "", 400, 300);
    const auto& l = g.Layout();
    const Calls all = canvas.calls;
    const auto curveStart = std::find(all.begin(), all.end(), "Pen 0,0,255 3");
    ASSERT_NE(curveStart, all.end());
    const Calls curve(curveStart + 1, all.end() - 1);
    ASSERT_EQ(curve.size(), 6u);
    const std::string mid = curve[0].substr(5); // "px,py" of (5, 5)
    const std::string px = mid.substr(0, mid.find(',')), py = mid.substr(mid.find(',') + 1);
    EXPECT_EQ(curve[0], "Move " + mid);
    EXPECT_EQ(curve[1], "Line " + std::to_string(l.right) + "," + py);
    EXPECT_EQ(curve[2], "Line " + px + "," + std::to_string(l.bottom));
    EXPECT_EQ(curve[3], "Line " + std::to_string(l.right) + "," + py);
    EXPECT_EQ(curve[4], "Move " + mid); // after the NaN point
    EXPECT_EQ(curve[5], "Line " + std::to_string(l.right) + "," + py);
    EXPECT_EQ(all.back(), "Pen 0,0,0 1");
}

TEST(PlotPanel, DotsOutsideTheViewAreLeftOut) {
    struct TDotCase {
        int thickness;
        int radius;
    };
    for (const TDotCase& c : {TDotCase{1, 1}, {3, 1}, {4, 2}, {9, 4}}) {
        TRecordingCanvas canvas;
        TGraphicPanel g;
        g.Paint(canvas, PanelWith({{{5, 20, 5, kNaN}, {5, 5, kInf, 5}, 1, c.thickness, false}}), "", 400, 300);
        const Calls dots = canvas.Only("Ellipse");
        ASSERT_EQ(dots.size(), 1u) << c.thickness;
        int l, t, r, b;
        ASSERT_EQ(std::sscanf(dots[0].c_str(), "Ellipse %d,%d %d,%d", &l, &t, &r, &b), 4);
        EXPECT_EQ(r - l, 2 * c.radius);
        EXPECT_EQ(b - t, 2 * c.radius);
        EXPECT_EQ(canvas.Only("Pen 255,0,0").size(), 1u);
        EXPECT_EQ(canvas.Only("Pen 255,0,0")[0], "Pen 255,0,0 1"); // dots use the thin pen
    }
}

// A pixel column's run of points is drawn through its first, lowest, highest and last
// point; a dotted curve draws each pixel once.
TEST(PlotPanel, ReducesLargeCurvesToWhatShowsOnScreen) {
    TPlotCurve column{{}, {}, 0, 1, true};
    for (int i = 0; i < 10000; ++i) {
        column.x.push_back(5);
        column.y.push_back(5 + 4 * std::sin(i * 0.01));
    }
    column.x.push_back(6); // the next column
    column.y.push_back(5);
    TRecordingCanvas canvas;
    TGraphicPanel g;
    g.Paint(canvas, PanelWith({column}), "", 400, 300);
    const Calls moves = canvas.Only("Move"), lines = canvas.Only("Line");
    const auto& l = g.Layout();
    const auto pixel = [&](double x, double y) {
        return std::to_string(static_cast<int>(x * g.XScale().R() + l.left + g.XScale().Offset())) + "," +
               std::to_string(static_cast<int>(y * g.YScale().R() + l.top + g.YScale().Offset()));
    };
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), "Move " + pixel(5, 5));
    // Up to 9 first (y grows downward), then down to 1, back to the last value, then on to
    // the next column.
    const Calls expected{"Line " + pixel(5, 9), "Line " + pixel(5, 1), "Line " + pixel(5, column.y[9999]),
                         "Line " + pixel(6, 5)};
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(Calls(lines.end() - 4, lines.end()), expected);

    TPlotCurve dots{std::vector<double>(1000, 5), std::vector<double>(1000, 5), 0, 1, false};
    TRecordingCanvas dotCanvas;
    g.Paint(dotCanvas, PanelWith({dots}), "", 400, 300);
    EXPECT_EQ(dotCanvas.Only("Ellipse").size(), 1u);
    g.SetReduction(false);
    TRecordingCanvas allDots;
    g.Paint(allDots, PanelWith({dots}), "", 400, 300);
    EXPECT_EQ(allDots.Only("Ellipse").size(), 1000u);
}

TEST(PlotPanel, CurveColoursComeFromTheTable) {
    EXPECT_EQ(TGraphicPanel::CurveColour(0), (NuvixParser::TRgb{0, 0, 255}));
    EXPECT_EQ(TGraphicPanel::CurveColour(17), TGraphicPanel::CurveColour(0));
    EXPECT_EQ(TGraphicPanel::CurveColour(16), (NuvixParser::TRgb{255, 255, 0}));
    EXPECT_EQ(TGraphicPanel::CurveColour(65535), TGraphicPanel::CurveColour(65535 % 17));
}

// Random ranges, sizes and data, with NaN, infinities, denormals and 1e308: painting ends,
// and draws a bounded number of ticks (run under the sanitizers, this also finds
// undefined conversions).
TEST(PlotPanel, SurvivesAnyRangeAndData) {
    std::mt19937_64 random(15);
    const double specials[] = {0, -0.0, kNaN, kInf, -kInf, 1e308, -1e308, 4.9e-324, 1e-300, 1, -1, 1e17};
    auto value = [&]() {
        if (random() % 3 == 0) return specials[random() % std::size(specials)];
        return std::ldexp(static_cast<double>(random() % 2001) - 1000, static_cast<int>(random() % 200) - 100);
    };
    for (int round = 0; round < 3000; ++round) {
        TPlotCurve curve;
        for (int i = static_cast<int>(random() % 8); i > 0; --i) {
            curve.x.push_back(value());
            curve.y.push_back(value());
        }
        curve.connected = random() % 2;
        curve.thickness = static_cast<int>(random() % 12);
        TPlotPanel p = PanelWith({curve});
        p.SetXRange(value(), value());
        p.SetYRange(value(), value());
        if (random() % 2) {
            p.autoScaleX = p.autoScaleY = true;
            p.Rescale();
        }
        TRecordingCanvas canvas;
        TGraphicPanel g;
        g.Paint(canvas, p, random() % 2 ? "t" : "", static_cast<int>(random() % 900) - 50,
                static_cast<int>(random() % 700) - 50);
        EXPECT_LT(canvas.calls.size(), 20u * TScaleBase::kMaxTicks);
    }
}

} // namespace
