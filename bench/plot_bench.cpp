// Repaint time of a plot of a 10^6-point curve, drawn into an image with and without the
// reduction of each pixel column's run of points.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "instruments/graphic_panel.h"
#include "instruments/plot_model.h"
#include "windows/painter_canvas.h"

namespace {

// Fonts need an application object; one for the whole program, without a display.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "varnex_bench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv); // lives until the program ends
    }
}

void BM_RepaintMillionPoints(benchmark::State& state) {
    EnsureApplication();
    NuvixParser::TPlotCurve curve;
    for (int i = 0; i < 1000000; ++i) {
        curve.x.push_back(i * 1e-4);
        curve.y.push_back(std::sin(i * 1e-4));
    }
    NuvixParser::TPlotPanel panel;
    panel.curves.emplace_back(std::move(curve));
    panel.Rescale();
    QImage image(640, 420, QImage::Format_RGB32);
    NuvixParser::TGraphicPanel drawing;
    drawing.SetReduction(state.range(0) != 0);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        NuvixWindows::TPainterCanvas canvas(painter, NuvixWindows::PlotFont());
        drawing.Paint(canvas, panel, "", image.width(), image.height());
    }
    state.SetLabel(state.range(0) ? "reduced" : "every point");
}
BENCHMARK(BM_RepaintMillionPoints)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
