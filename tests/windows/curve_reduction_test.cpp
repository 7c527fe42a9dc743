// The reduction of large connected and dotted curves draws the same pixels as drawing
// every point, checked on images.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "instruments/graphic_panel.h"
#include "instruments/plot_model.h"
#include "windows/painter_canvas.h"

namespace {

using NuvixParser::TGraphicPanel;
using NuvixParser::TPlotCurve;
using NuvixParser::TPlotPanel;

QImage Render(const TPlotPanel& panel, bool reduce) {
    QImage image(640, 420, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    NuvixWindows::TPainterCanvas canvas(painter, NuvixWindows::PlotFont());
    TGraphicPanel drawing;
    drawing.SetReduction(reduce);
    drawing.Paint(canvas, panel, "", image.width(), image.height());
    return image;
}

int DifferingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

int BluePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == qRgb(0, 0, 255);
    return n;
}

// Curves of 200,000 points over 0 to 1, with a fixed view of -1.2 to 1.2 so that
// outliers are clamped onto the frame.
TPlotPanel Panel(double (*f)(double, std::mt19937&), int thickness, bool connected) {
    std::mt19937 random(7);
    TPlotCurve c;
    c.thickness = thickness;
    c.connected = connected;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) / n;
        c.x.push_back(x);
        c.y.push_back(f(x, random));
    }
    TPlotPanel p;
    p.curves.emplace_back(std::move(c));
    p.autoScaleX = p.autoScaleY = false;
    p.SetXRange(0, 1);
    p.SetYRange(-1.2, 1.2);
    return p;
}

double Sweep(double x, std::mt19937&) {
    return std::sin(2000 * x * x);
}
double Noise(double, std::mt19937& r) {
    return std::uniform_real_distribution<double>(-1, 1)(r);
}
double Steps(double x, std::mt19937&) {
    return std::floor(x * 17) / 10 - 0.8;
}
double Outliers(double x, std::mt19937& r) {
    return r() % 100 == 0 ? (r() % 2 ? 1e300 : -HUGE_VAL) : std::sin(30 * x);
}

TEST(CurveReduction, ThinLinesAndDotsDrawTheSamePixels) {
    for (auto f : {Sweep, Noise, Steps, Outliers}) {
        for (bool connected : {true, false}) {
            const TPlotPanel p = Panel(f, 1, connected);
            const QImage reduced = Render(p, true);
            EXPECT_EQ(DifferingPixels(reduced, Render(p, false)), 0) << (connected ? "connected" : "dots");
            EXPECT_GT(BluePixels(reduced), 500);
        }
    }
}

// A thick pen differs at most where segments join.
TEST(CurveReduction, ThickLinesDifferOnlyAtJoins) {
    for (auto f : {Sweep, Noise, Steps, Outliers}) {
        const TPlotPanel p = Panel(f, 3, true);
        const int differing = DifferingPixels(Render(p, true), Render(p, false));
        EXPECT_LT(differing, 200);
    }
}

} // namespace
