// varnexcalc-manual: builds the user manual's PDF at build time (no display needed): the
// text, a picture of the main window after a calculation, and the function reference.
//   varnexcalc-manual MANUAL.md OUTPUT.pdf
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "app/edit_panel.h"
#include "app/main_form.h"
#include "app/manual.h"
#include "instruments/calculator.h"

namespace {

// The main window as a new user sees it after the first calculation of the manual.
QImage MainWindowPicture() {
    NuvixApp::TMainForm form;
    form.resize(760, 560);
    form.Tabs()->setCurrentIndex(1);
    form.Panel(1)->MemoEdit()->setPlainText("/* the squares of 1 to 12 */\ndefine(sq(v); v*v),\nsq(12)");
    form.show();
    QTest::qWait(300); // the syntax check and the colouring
    form.Start();
    if (!QTest::qWaitFor([&] { return !form.Calculating(); }, 10000)) return QImage(); // no picture then
    QTest::qWait(50);
    return form.grab().toImage();
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
    if (!NuvixApp::WriteManualPdf(text, *NuvixParser::CalculatorRegistry(), MainWindowPicture(),
                                  QString::fromLocal8Bit(argv[2]), &error)) {
        std::fprintf(stderr, "varnexcalc-manual: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
