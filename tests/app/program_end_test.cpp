// The program ends when its main window closes, in the application's own event loop.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

#include "app/edit_panel.h"
#include "app/main_form.h"
#include "tests/app/qt_test_environment.h"
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

// The processes whose command line is exactly `words`.
std::vector<pid_t> ProcessesRunning(const QStringList& words) {
    std::vector<pid_t> found;
    const QByteArray wanted = words.join(QChar('\0')).toLocal8Bit() + '\0';
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number) continue;
        QFile commandLine("/proc/" + entry + "/cmdline");
        if (commandLine.open(QIODevice::ReadOnly) && commandLine.readAll() == wanted) found.push_back(pid);
    }
    return found;
}

TEST(ProgramEnd, EndSignalsEndTheProgramsExecuteStarted) {
    QTemporaryDir dir;
    int n = 0;
    for (int sig : {SIGTERM, SIGHUP, SIGQUIT, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        // An argument no other process has, to find this very sleep.
        const QString seconds = QString("80.%1%2").arg(getpid()).arg(++n);
        const QStringList sleep{"sleep", seconds};
        const QString script = dir.filePath(QString("sleep%1.zma").arg(n));
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("execute('sleep " + seconds + "'; '')").toLocal8Bit());
        file.close();

        QProcess program;
        NuvixTest::StartDesktopProgram(program, VARNEX_APP_PATH, dir, {"--run", script});
        const bool started = QTest::qWaitFor([&] { return !ProcessesRunning(sleep).empty(); }, 20000);
        kill(static_cast<pid_t>(program.processId()), sig);
        const bool finished = program.waitForFinished(10000);
        const bool ended = QTest::qWaitFor([&] { return ProcessesRunning(sleep).empty(); }, 3000);
        for (pid_t left : ProcessesRunning(sleep)) kill(left, SIGKILL);
        if (!finished) program.kill();
        EXPECT_TRUE(started) << program.readAllStandardError().toStdString();
        EXPECT_TRUE(finished) << "the program did not end";
        EXPECT_EQ(program.exitStatus(), QProcess::CrashExit) << "it ends by the signal";
        EXPECT_TRUE(ended) << "the program execute started outlived the calculator";
    }
}

} // namespace
