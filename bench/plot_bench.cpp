// Plot drawing: the repaint time of a 10^6-point curve, drawn into an image with and
// without the reduction of each pixel column's run of points; and the time from a script's
// plot call to the end of the plot window's first paint of its curve.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "engine/thread_messages.h"
#include "instruments/calculator.h"
#include "instruments/graphic_panel.h"
#include "instruments/plot_model.h"
#include "instruments/run_context.h"
#include "windows/func_graphic_panel.h"
#include "windows/graphic_form.h"
#include "windows/painter_canvas.h"

namespace {

// Fonts and windows need an application object; one for the whole program, without a
// display.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "varnex_bench";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform's remarks on what it cannot do would crowd the table.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
        });
        new QApplication(argc, argv); // lives until the program ends
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

// Ends an event loop at the end of the first paint of a plot panel that shows a curve.
// The paint is delivered from here, so the loop ends once it is done.
class TFirstPaint final : public QObject {
public:
    explicit TFirstPaint(QEventLoop& loop) : loop_(loop) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (painted_ || event->type() != QEvent::Paint) return false;
        const auto* page = qobject_cast<NuvixWindows::TFuncGraphicPanel*>(watched);
        if (!page || !page->Panel() || page->Panel()->curves.empty()) return false;
        static_cast<QObject*>(watched)->event(event);
        painted_ = true;
        loop_.quit();
        return true;
    }
    bool Painted() const { return painted_; }

private:
    QEventLoop& loop_;
    bool painted_ = false;
};

// plot(0;0;x;sin(x);0;100;1000000) run as the desktop calculator runs it: the calculation
// thread samples the function and hands the curve over, the plot window takes it on the
// GUI thread, shows itself and paints the new tab.
void BM_PlotCallToFirstPaint(benchmark::State& state) {
    EnsureApplication();
    for (auto _ : state) {
        NuvixWindows::TGraphicForm form;
        NuvixParser::TRunEndWaiter mainWindow;
        NuvixParser::TCalculator calculator(&mainWindow);
        calculator.SetWindows(NuvixParser::TRunContext{nullptr, &form.PlotWindow(), nullptr});
        calculator.PanelParser().SetText("plot(0;0;x;sin(x);0;100;1000000)");
        if (!calculator.GlobalParser().Compile() || !calculator.PanelParser().Compile())
            throw std::runtime_error("benchmark script does not compile");
        QEventLoop loop;
        TFirstPaint firstPaint(loop);
        qApp->installEventFilter(&firstPaint);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);

        QElapsedTimer clock;
        clock.start();
        calculator.Start();
        loop.exec();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);

        qApp->removeEventFilter(&firstPaint);
        mainWindow.WaitForRunEnd();
        if (!firstPaint.Painted()) throw std::runtime_error("the plot window never painted the curve");
    }
}
BENCHMARK(BM_PlotCallToFirstPaint)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
