// The script editor: GUI-thread time of one keystroke in a 10,000-line panel, with the
// live syntax check, the gutter, the current line and bracket matching at work (the
// editor must stay under 16 ms, one frame, per key).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <cstdio>

#include "app/edit_panel.h"
#include "app/main_form.h"

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "varnex_bench";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
        });
        new QApplication(argc, argv); // lives until the program ends
    }
}

void SendKey(QWidget* editor, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(editor, &release);
    QApplication::processEvents(); // the repaint of the editor and its gutter
}

// range(0): 0 types next to plain text, 1 next to a bracket (bracket matching reads the
// whole text then).
void BM_KeystrokeInTenThousandLines(benchmark::State& state) {
    EnsureApplication();
    NuvixApp::TMainForm form;
    form.askUser = [](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
        return QMessageBox::No;
    };
    form.resize(900, 700);
    form.show();
    QString text;
    for (int i = 0; i < 10000; ++i) text += QString("x%1 = sin(%1) * (2 + %1) /* line */,\n").arg(i);
    text += "1";
    QPlainTextEdit* editor = form.CurrentPanel()->MemoEdit();
    editor->setPlainText(text);
    QTextCursor cursor(editor->document()->findBlockByNumber(5000));
    cursor.movePosition(QTextCursor::EndOfBlock);
    // Before ',' (plain text) or right after the ')' that closes "(2 + 5000)".
    cursor.movePosition(QTextCursor::Left, QTextCursor::MoveAnchor, state.range(0) == 0 ? 1 : 13);
    editor->setTextCursor(cursor);
    editor->setFocus();
    QApplication::processEvents();
    bool type = true;
    for (auto _ : state) {
        // A character, then its deletion: the text keeps its size and stays valid.
        if (type)
            SendKey(editor, Qt::Key_Space, " ");
        else
            SendKey(editor, Qt::Key_Backspace, QString());
        type = !type;
    }
    if (!form.ErrorState() && editor->document()->blockCount() != 10001) state.SkipWithError("the text changed shape");
}
BENCHMARK(BM_KeystrokeInTenThousandLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
