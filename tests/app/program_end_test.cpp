// The program ends when its main window closes, in the application's own event loop.
#include <QApplication>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

#include "app/edit_panel.h"
#include "app/main_form.h"
#include "windows/output_form.h"

namespace {

using NuvixApp::TMainForm;

struct TCloseCase {
    const char* how;
    std::function<void(TMainForm&)> close;
};

TEST(ProgramEnd, ClosingTheMainWindowEndsTheEventLoopWhileTheOutputWindowIsOpen) {
    const TCloseCase kCases[] = {
        {"File > Quit", [](TMainForm& form) { form.actionExit->trigger(); }},
        {"close()", [](TMainForm& form) { form.close(); }},
        // What the close box and the window manager deliver: a close request to the window.
        {"window manager",
         [](TMainForm& form) {
             QCloseEvent request;
             QCoreApplication::sendEvent(form.windowHandle(), &request);
         }},
    };
    for (const TCloseCase& c : kCases) {
        SCOPED_TRACE(c.how);
        TMainForm form;
        int prompts = 0;
        form.askUser = [&](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
            ++prompts;
            return QMessageBox::No;
        };
        form.Panel(1)->MemoEdit()->setPlainText(QString(60, 'x')); // big enough to be asked about
        NuvixWindows::TOutputForm output;
        form.show();
        output.show(); // as the first println does

        QTimer::singleShot(0, &form, [&] { c.close(form); });
        // Without an end the loop would run forever; the watchdog ends it with another code.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(5000);
        const int code = QCoreApplication::exec();
        watchdog.stop();

        EXPECT_EQ(code, 0) << "the program did not end";
        EXPECT_EQ(prompts, 1) << "the save prompt comes once, before the end";
        EXPECT_FALSE(form.isVisible());
        EXPECT_FALSE(output.isVisible());
    }
}

TEST(ProgramEnd, CancelledSavePromptKeepsEverythingOpen) {
    TMainForm form;
    form.askUser = [](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
        return QMessageBox::Cancel;
    };
    form.Panel(1)->MemoEdit()->setPlainText(QString(60, 'x'));
    NuvixWindows::TOutputForm output;
    form.show();
    output.show();
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(output.isVisible());
}

} // namespace
