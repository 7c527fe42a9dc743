// Plot drawing: the repaint time of a 10^6-point curve, drawn into an image with and
// without the reduction of each pixel column's run of points, and while it is panned and
// zoomed; the time from a script's plot call to the end of the plot window's first paint
// of its curve; and measuring loops that replot or append, with the window shown, against
// the same loops without the plot call.
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

// Ends an event loop when a run ends, as the main window ends its "Running..." state.
class TLoopQuitter final : public NuvixParser::TRunEndListener {
public:
    explicit TLoopQuitter(QEventLoop& loop) : loop_(loop) {}
    void RunEnded(const NuvixParser::TReturnValue&) override {
        QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
    }

private:
    QEventLoop& loop_;
};

// Seconds from the start of a run to its end, the GUI thread handling the window meanwhile
// as the desktop calculator's does.
double TimedRun(NuvixWindows::TGraphicForm* form, const char* script) {
    QEventLoop loop;
    TLoopQuitter mainWindow(loop);
    NuvixParser::TCalculator calculator(&mainWindow);
    calculator.SetWindows(NuvixParser::TRunContext{nullptr, form ? &form->PlotWindow() : nullptr, nullptr});
    calculator.PanelParser().SetText(script);
    if (!calculator.GlobalParser().Compile() || !calculator.PanelParser().Compile())
        throw std::runtime_error("benchmark script does not compile");
    QElapsedTimer clock;
    clock.start();
    calculator.Start();
    loop.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    if (calculator.CalcInfo().error) throw std::runtime_error(calculator.CalcInfo().errorMessage);
    return seconds;
}

// One measuring loop with and without its plot call, back to back in each iteration, so
// the ratio compares runs under the same load of the machine. The window is shown and
// draws while the loop runs.
void MeasureLoopRatio(benchmark::State& state, const char* withPlot, const char* without) {
    EnsureApplication();
    double plotted = 0, plain = 0;
    for (auto _ : state) {
        NuvixWindows::TGraphicForm form;
        form.resize(640, 480);
        TimedRun(&form, "plot(0;0;x;x;0;1;2)"); // shows the window
        QApplication::processEvents();
        const double b = TimedRun(nullptr, without);
        const double a = TimedRun(&form, withPlot);
        plotted += a;
        plain += b;
        state.SetIterationTime(a);
    }
    state.counters["with_plot_ms"] = plotted * 1e3 / static_cast<double>(state.iterations());
    state.counters["plot_free_ms"] = plain * 1e3 / static_cast<double>(state.iterations());
    state.counters["ratio"] = plotted / plain;
}

// The loop measures a value (a little arithmetic standing in for an instrument's reading),
// stores it, and replots the growing curve: up to 10,000 points, each call copying it.
void BM_ReplotLoop(benchmark::State& state) {
    MeasureLoopRatio(state,
                     "for(i=0;i<10000;i+=1; v=sin(i/100)*exp(-i/5000)+1e-3*cos(i*7), x[i]=i, y[i]=v, "
                     "plotxy(0;1;x[];y[]))",
                     "for(i=0;i<10000;i+=1; v=sin(i/100)*exp(-i/5000)+1e-3*cos(i*7), x[i]=i, y[i]=v)");
}
BENCHMARK(BM_ReplotLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The strip chart: 10^5 points appended one by one.
void BM_AppendLoop(benchmark::State& state) {
    MeasureLoopRatio(state,
                     "for(i=0;i<100000;i+=1; v=sin(i/100)*exp(-i/50000)+1e-3*cos(i*7), x[i]=i, y[i]=v, "
                     "plotappend(0;1;i;v))",
                     "for(i=0;i<100000;i+=1; v=sin(i/100)*exp(-i/50000)+1e-3*cos(i*7), x[i]=i, y[i]=v)");
}
BENCHMARK(BM_AppendLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Panning and wheel zooming a 10^6-point curve: each iteration moves or scales the view
// as the mouse does and repaints, through the reduction (target: under 30 ms).
void BM_PanAndZoomMillionPoints(benchmark::State& state) {
    EnsureApplication();
    NuvixParser::TPlotCurve curve;
    for (int i = 0; i < 1000000; ++i) {
        curve.x.push_back(i * 1e-4);
        curve.y.push_back(std::sin(i * 1e-4) + 0.1 * std::sin(i * 0.01));
    }
    NuvixParser::TPlotPanel panel;
    panel.curves.emplace_back(std::move(curve));
    panel.Rescale();
    panel.autoScaleX = panel.autoScaleY = false;
    QImage image(640, 420, QImage::Format_RGB32);
    NuvixParser::TGraphicPanel drawing;
    int step = 0;
    for (auto _ : state) {
        // Alternately a pan by a tenth of the view and a zoom in or out about its middle.
        const double width = panel.xMax - panel.xMin, middle = (panel.xMin + panel.xMax) / 2;
        if (step % 2 == 0)
            panel.SetXRange(panel.xMin + width / 10 * (step % 4 == 0 ? 1 : -1), panel.xMax + width / 10 * (step % 4 == 0 ? 1 : -1));
        else
            panel.SetXRange(middle - width / 2 * (step % 4 == 1 ? 0.8 : 1.25), middle + width / 2 * (step % 4 == 1 ? 0.8 : 1.25));
        ++step;
        image.fill(Qt::white);
        QPainter painter(&image);
        NuvixWindows::TPainterCanvas canvas(painter, NuvixWindows::PlotFont());
        drawing.Paint(canvas, panel, "", image.width(), image.height());
    }
}
BENCHMARK(BM_PanAndZoomMillionPoints)->Unit(benchmark::kMillisecond);

} // namespace
