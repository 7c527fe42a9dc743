// varnexcalc-manual: builds the user manual's PDF at build time (no display needed): the
// text, pictures of the windows made by running the manual's own examples, and the
// function reference.
//   varnexcalc-manual MANUAL.md OUTPUT.pdf
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/edit_panel.h"
#include "app/main_form.h"
#include "app/manual.h"
#include "instruments/calculator.h"
#include "usergui/control_form.h"
#include "instruments/panels/gui_file.h"
#include "windows/graphic_form.h"
#include "windows/output_form.h"

namespace {

// The desktop calculator's windows, wired as the program wires them.
struct TDesktop {
    NuvixApp::TMainForm main;
    NuvixWindows::TGraphicForm plots;
    NuvixWindows::TOutputForm output;
    NuvixUserGui::TControlForm controls;

    TDesktop() {
        main.SetRunWindows(
            NuvixParser::TRunContext{&output.TextOutput(), &plots.PlotWindow(), &controls.PanelHost()});
        main.resize(760, 560);
        main.Tabs()->setCurrentIndex(1);
        main.show();
    }
    // Runs `script` in Calculator 1; `whileRunning` is called once the calculation started.
    bool Run(const QString& script, const std::function<void()>& whileRunning = {}) {
        main.Panel(1)->MemoEdit()->setPlainText(script);
        QTest::qWait(300); // the syntax check and the colouring
        main.Start();
        if (whileRunning) whileRunning();
        if (!QTest::qWaitFor([&] { return !main.Calculating(); }, 20000)) return false;
        QTest::qWait(50);
        return true;
    }
};

// The first script block after the heading `heading` of the manual.
QString ScriptAfter(const QString& manual, const QString& heading) {
    const qsizetype chapter = manual.indexOf("\n" + heading + "\n");
    const qsizetype start = manual.indexOf("```script\n", chapter);
    if (chapter < 0 || start < 0) return {};
    const qsizetype body = start + 10;
    return manual.mid(body, manual.indexOf("\n```", body) - body);
}

// The main window as a new user sees it after the first calculation of the manual.
QImage MainWindowPicture() {
    TDesktop desktop;
    if (!desktop.Run("/* the squares of 1 to 12 */\ndefine(sq(v); v*v),\nsq(12)"))
        return QImage(); // no picture then
    return desktop.main.grab().toImage();
}

// The plot window after the example of the chapter on plots.
QImage PlotWindowPicture(const QString& manual) {
    TDesktop desktop;
    const QString script = ScriptAfter(manual, "# Plots");
    if (script.isEmpty() || !desktop.Run(script) || !desktop.plots.isVisible()) return QImage();
    return desktop.plots.grab().toImage();
}

// The panel of the chapter on control panels: display 1, a label, scroll bar 3 and
// button 5, as the chapter's example script uses them.
QImage ControlPanelPicture() {
    QTemporaryDir dir;
    NuvixParser::TEditObjectList objects;
    auto add = [&](NuvixParser::TEditObjectPtr object, std::uint32_t id, NuvixParser::TGridRect rect) {
        object->id = id;
        object->rect = rect;
        objects.push_back(std::move(object));
    };
    auto label = std::make_unique<NuvixParser::TLabelObject>();
    label->text = "Heater power";
    add(std::move(label), 2, {2, 2, 22, 4});
    auto display = std::make_unique<NuvixParser::TDisplayObject>();
    display->text = "50 %";
    add(std::move(display), 1, {2, 5, 22, 10});
    auto bar = std::make_unique<NuvixParser::TScrollbarObject>();
    bar->orientation = 1;
    add(std::move(bar), 3, {2, 12, 42, 16});
    auto button = std::make_unique<NuvixParser::TButtonObject>();
    button->text = "Stop";
    add(std::move(button), 5, {27, 5, 42, 10});
    const QString path = dir.filePath("heater.gui");
    if (!NuvixParser::SaveObjects(path.toStdString(), objects)) return QImage();

    TDesktop desktop;
    QImage picture;
    desktop.Run("panelname(0;'Heater'), loadgui(0;'" + path + "'), waitguievent(2000)", [&] {
        if (QTest::qWaitFor([&] { return desktop.controls.isVisible(); }, 10000)) {
            QTest::qWait(200);
            // The window's corner that holds the controls, not its empty rest.
            picture = desktop.controls.grab(QRect(0, 0, 43 * 7 + 14, 17 * 7 + 14)).toImage();
        }
        desktop.main.Break();
    });
    return picture;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: varnexcalc-manual MANUAL.md OUTPUT.pdf\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "varnexcalc-manual: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString text = QString::fromUtf8(in.readAll());
    QString error;
    const std::vector<NuvixApp::TManualPicture> pictures{
        {"main window screenshot", "The main window after a calculation", MainWindowPicture()},
        {"plot window screenshot", "The plot window after the example", PlotWindowPicture(text)},
        {"control panel screenshot", "A control panel", ControlPanelPicture()},
    };
    if (!NuvixApp::WriteManualPdf(text, *NuvixParser::CalculatorRegistry(), pictures,
                                  QString::fromLocal8Bit(argv[2]), &error)) {
        std::fprintf(stderr, "varnexcalc-manual: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
