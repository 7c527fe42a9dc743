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
#include "instruments/axis_scale.h"
#include "tests/instruments/recording_canvas.h"

namespace {

using NuvixParser::TGraphicPanel;
using NuvixParser::TPlotCurve;
using NuvixParser::TPlotPanel;
using NuvixParser::TAxisScale;
using NuvixParser::TScaleMetrics;
using NuvixTest::TRecordingCanvas;
using Calls = std::vector<std::string>;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TAxisScale ScaleOf(double lo, double hi, int length, bool vertical) {
    TRecordingCanvas canvas;
    TAxisScale scale(vertical);
    scale.SetMetrics(TScaleMetrics::Measure(canvas));
    scale.SetRange(lo, hi);
    scale.SetLength(length);
    scale.Recompute();
    return scale;
}

Calls LabelsOf(const TAxisScale& scale) {
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
        const TAxisScale s = ScaleOf(c.lo, c.hi, c.length, c.vertical);
        SCOPED_TRACE(std::to_string(c.lo) + " to " + std::to_string(c.hi) + " on " + std::to_string(c.length));
        EXPECT_TRUE(s.Valid());
        EXPECT_DOUBLE_EQ(s.Step(), c.step);
        EXPECT_DOUBLE_EQ(s.MinorStep(), c.minor);
        EXPECT_DOUBLE_EQ(s.FirstTick(), c.first);
        EXPECT_EQ(s.TickCount(), c.ticks);
    }
}

TEST(PlotScale, PlainLabelsCarryTheDecimalsOfTheStep) {
    const TAxisScale s = ScaleOf(0, 6.28, 400, false);
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
    const TAxisScale s = ScaleOf(0, 100000, 400, false);
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
    const TAxisScale s = ScaleOf(0, 1e-4, 400, false);
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
    const TAxisScale s = ScaleOf(-1, 1, 300, true);
    EXPECT_EQ(s.LabelWidth(), 20); // "-0.2"
    const Calls labels = LabelsOf(s);
    ASSERT_EQ(labels.size(), 11u);
    EXPECT_EQ(labels[0], "Text N 0,288 '-1.0'");
    EXPECT_EQ(labels[5], "Text N 5,144 '0.0'");
    EXPECT_EQ(labels[10], "Text N 5,0 '1.0'");
    const TAxisScale h = ScaleOf(-0.3, 2, 400, false);
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
    const TAxisScale s = ScaleOf(1e17, 1e17 + 16, 400, false);
    EXPECT_FALSE(s.Valid());
    EXPECT_TRUE(LabelsOf(s).empty());
    // A single value, a range that is no number, an axis without room.
    EXPECT_FALSE(ScaleOf(5, 5, 300, true).Valid());
    EXPECT_FALSE(ScaleOf(0, 1e20, 0, false).Valid());
    for (double bad : {kNaN, kInf}) {
        const TAxisScale b = ScaleOf(0, bad, 400, false);
        EXPECT_FALSE(b.Valid());
        EXPECT_TRUE(LabelsOf(b).empty());
    }
}

TEST(PlotScale, AxisLabelsTakeALineOfTheirOwn) {
    TRecordingCanvas canvas;
    TAxisScale x(false), y(true);
    for (TAxisScale* s : {&x, &y}) {
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
    EXPECT_EQ(l.margin, 4);
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
        if (random() % 4 == 0) curve.name = "c";
        TPlotPanel p = PanelWith({curve});
        p.xLog = random() % 3 == 0;
        p.yLog = random() % 3 == 0;
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
        EXPECT_LT(canvas.calls.size(), 20u * TAxisScale::kMaxTicks);
    }
}

TAxisScale LogScaleOf(double lo, double hi, int length, bool vertical) {
    TRecordingCanvas canvas;
    TAxisScale scale(vertical);
    scale.SetLog(true);
    scale.SetMetrics(TScaleMetrics::Measure(canvas));
    scale.SetRange(lo, hi);
    scale.SetLength(length);
    scale.Recompute();
    return scale;
}

// Ticks of a logarithmic axis: decades with minor ticks at 2 to 9 times each; every 2nd,
// 5th, ... decade when labels would crowd; linear ticks within one decade; nothing for a
// range without a positive value.
TEST(PlotScale, LogarithmicAxesTickAtDecades) {
    struct TLogCase {
        const char* name;
        double lo, hi;
        int length;
        bool vertical, decades;
        std::vector<double> major; // empty: not checked beyond the count
        std::size_t majorCount, minorCount;
    };
    const TLogCase cases[] = {
        {"three decades", 1, 1000, 400, false, true, {1, 10, 100, 1000}, 4, 24},
        {"negative exponents", 1e-3, 1, 300, true, true, {1e-3, 1e-2, 1e-1, 1}, 4, 24},
        {"a decade and a half", 3, 200, 400, false, true, {10, 100}, 2, 16},
        // Linear steps of 0.5 and minor steps of 0.1, placed logarithmically.
        {"within one decade", 2, 8, 400, false, false, {2, 2.5, 3, 3.5}, 13, 61},
        // Every 50th decade labelled, minor ticks every 10th; upright, every 20th and 4th.
        {"300 decades", 1e-150, 1e150, 400, false, true, {1e-150, 1e-100, 1e-50, 1}, 7, 24},
        {"300 decades upright", 1e-150, 1e150, 300, true, true, {1e-140, 1e-120}, 15, 60},
        {"from 0: three decades below the top", 0, 100, 400, false, true, {0.1, 1, 10, 100}, 4, 24},
    };
    for (const TLogCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TAxisScale s = LogScaleOf(c.lo, c.hi, c.length, c.vertical);
        ASSERT_TRUE(s.Valid());
        EXPECT_EQ(s.Decades(), c.decades);
        const std::vector<double> major = s.MajorTicks();
        EXPECT_EQ(major.size(), c.majorCount);
        for (std::size_t i = 0; i < c.major.size() && i < major.size(); ++i)
            EXPECT_NEAR(major[i], c.major[i], 1e-9 * c.major[i]);
        EXPECT_EQ(s.MinorTicks().size(), c.minorCount);
        // Every tick lies on the axis, in order, the ends half a label in from the ends.
        double last = -1;
        for (double v : major) {
            const double at = s.Position(v);
            EXPECT_GE(at, c.vertical ? 0 : s.LabelWidth() / 2 - 1) << v;
            EXPECT_LE(at, c.length);
            EXPECT_NE(at, last);
            last = at;
        }
    }
    // No positive value, or none at all: nothing to draw.
    for (auto [lo, hi] : {std::pair(-5.0, 0.0), std::pair(-10.0, -1.0), std::pair(kNaN, kNaN)})
        EXPECT_FALSE(LogScaleOf(lo, hi, 400, false).Valid()) << lo << " " << hi;
}

// Decade labels are "10" and a raised exponent in the small font.
TEST(PlotScale, DecadeLabelsAreTenWithAnExponent) {
    const TAxisScale s = LogScaleOf(0.01, 100, 400, false);
    const Calls texts = LabelsOf(s);
    ASSERT_EQ(texts.size(), 10u);
    EXPECT_TRUE(texts[0].starts_with("Text N ") && texts[0].ends_with(" '10'")) << texts[0];
    EXPECT_TRUE(texts[1].starts_with("Text S ") && texts[1].ends_with(" '-2'")) << texts[1];
    EXPECT_TRUE(texts[9].ends_with(" '2'")) << texts[9];
}

// The readout's mapping: a pixel's value and a value's pixel undo each other, on linear
// and logarithmic axes alike, and the value text follows the axis's format.
TEST(PlotScale, PixelsAndValuesMapBothWays) {
    struct TMapCase {
        bool log;
        double lo, hi, value;
        const char* text;
    };
    const TMapCase cases[] = {
        {false, 0, 10, 2.5, "2.5"},
        {false, 0, 1, 0.25, "0.25"},
        {false, 0, 100000, 25000, "2.50 \xB7" "10^4"},
        {true, 1, 1e6, 3162.2776601683795, "3162"},
        {true, 2, 8, 5, "5"},
    };
    for (const TMapCase& c : cases) {
        const TAxisScale s = c.log ? LogScaleOf(c.lo, c.hi, 400, false) : ScaleOf(c.lo, c.hi, 400, false);
        const double pixel = s.Position(c.value);
        EXPECT_NEAR(s.ValueAt(pixel), c.value, 1e-9 * c.value);
        EXPECT_EQ(s.ValueText(c.value), c.text);
        if (c.log) {
            EXPECT_NEAR(s.Position(c.value * 10) - pixel, s.Position(c.value) - s.Position(c.value / 10), 1e-6);
        }
    }
}

// Points of 0 and below leave a gap on a logarithmic axis, as NaN does.
TEST(PlotPanel, LogAxesLeaveOutValuesOfZeroAndBelow) {
    TPlotCurve curve;
    curve.x = {1, 10, 100, 1000};
    curve.y = {1, -1, 10, 100};
    TPlotPanel p = PanelWith({curve});
    p.xLog = p.yLog = true;
    p.autoScaleX = p.autoScaleY = true;
    p.Rescale();
    TRecordingCanvas canvas;
    TGraphicPanel g;
    g.SetReduction(false);
    g.Paint(canvas, p, "", 400, 300);
    ASSERT_TRUE(g.Drawn());
    const Calls moves = canvas.Only("Move");
    const auto& l = g.Layout();
    const auto pixel = [&](double x, double y) {
        return std::to_string(static_cast<int>(std::log10(x) * g.XScale().R() + l.left + g.XScale().Offset())) + "," +
               std::to_string(static_cast<int>(std::log10(y) * g.YScale().R() + l.top + g.YScale().Offset()));
    };
    // The curve starts at (1, 1), breaks at the point below 0 and starts again at (100, 10).
    EXPECT_NE(std::find(moves.begin(), moves.end(), "Move " + pixel(1, 1)), moves.end());
    EXPECT_NE(std::find(moves.begin(), moves.end(), "Move " + pixel(100, 10)), moves.end());
    EXPECT_NE(std::find(canvas.calls.begin(), canvas.calls.end(), "Line " + pixel(1000, 100)), canvas.calls.end());
    EXPECT_NEAR(g.XValueAt(g.XPixelOf(100)), 100, 1e-9);
}

// Every label lies inside the picture, the last one of the x axis too, however wide the
// labels of a negative range and the exponent form make it.
TEST(PlotPanel, KeepsEveryLabelInsideThePicture) {
    for (auto [lo, hi] : {std::pair(-10.0, 10.0), std::pair(-1.0, 0.5), std::pair(-1e5, 1e5), std::pair(0.0, 10.0)}) {
        TPlotPanel p;
        p.SetXRange(lo, hi);
        TRecordingCanvas canvas;
        TGraphicPanel g;
        g.Paint(canvas, p, "", 400, 300);
        for (const std::string& t : canvas.Only("Text ")) {
            // "Text N x,y 'text'"
            const int x = std::stoi(t.substr(7));
            const std::string text = t.substr(t.find('\'') + 1, t.size() - t.find('\'') - 2);
            const int width = static_cast<int>(text.size()) * (t[5] == 'S' ? 4 : 5);
            EXPECT_GE(x, 0) << t;
            EXPECT_LE(x + width, 400) << lo << " to " << hi << ": " << t;
        }
    }
}

// The legend: a framed box in the upper right corner of the plot, a row per named curve
// with a piece of its line or one of its dots; moved where the user dragged it, but never
// out of the plot.
TEST(PlotPanel, NamedCurvesGetALegend) {
    TPlotCurve a{{0, 1}, {0, 1}, 0, 2, true, "Gain"};
    TPlotCurve b{{0, 1}, {1, 0}, 1, 4, false, ""};
    TPlotCurve c{{0, 1}, {1, 1}, 2, 6, false, "Phase / deg"};
    TPlotPanel p = PanelWith({a, b, c});
    TRecordingCanvas canvas;
    TGraphicPanel g;
    g.Paint(canvas, p, "", 400, 300);
    const auto& legend = g.Legend();
    ASSERT_EQ(legend.curves, (std::vector<int>{0, 2}));
    const auto& l = g.Layout();
    // Wide enough for the longer name: padding, a sample of two text heights, the name.
    EXPECT_EQ(legend.right - legend.left, 4 + 24 + 4 + 11 * 5 + 4);
    EXPECT_EQ(legend.bottom - legend.top, 4 + 2 * 12 + 4);
    EXPECT_EQ(legend.right, l.right - 4);
    EXPECT_EQ(legend.top, l.top + 4);
    EXPECT_EQ(canvas.Only("Fill").size(), 1u);
    EXPECT_EQ(canvas.Only("Text N " + std::to_string(legend.left + 32) + "," + std::to_string(legend.top + 4) +
                          " 'Gain'")
                  .size(),
              1u);
    // Curve 2's sample is one of its dots, of radius 3, in the middle of its row.
    const int cx = legend.left + 4 + 12, cy = legend.top + 4 + 12 + 6;
    EXPECT_EQ(canvas.Only("Ellipse " + std::to_string(cx - 3) + "," + std::to_string(cy - 3)).size(), 1u);
    // Dragged far out to the left and down: it stops at the plot's corner.
    p.legendDx = -1000;
    p.legendDy = 1000;
    g.Paint(canvas, p, "", 400, 300);
    EXPECT_EQ(g.Legend().left, l.left);
    EXPECT_EQ(g.Legend().bottom, l.bottom);
    // Without names there is none.
    TRecordingCanvas plain;
    g.Paint(plain, PanelWith({b}), "", 400, 300);
    EXPECT_TRUE(g.Legend().curves.empty());
    EXPECT_TRUE(plain.Only("Fill").empty());
}

} // namespace
