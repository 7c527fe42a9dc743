// The command line: a file to open, --run to calculate it at once, --help and --version.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/edit_panel.h"
#include "app/main_form.h"
#include "tests/app/qt_test_environment.h"

namespace {

using NuvixApp::ParseCommandLine;
using NuvixApp::TCommandLine;

struct TParseCase {
    QStringList arguments;
    QString file;
    bool run, help, version, error;
};

TEST(CommandLine, Parsing) {
    const TParseCase kCases[] = {
        {{}, "", false, false, false, false},
        {{"/lab/a.zma"}, "/lab/a.zma", false, false, false, false},
        {{"/lab/my", "file.zma"}, "/lab/my file.zma", false, false, false, false},
        {{"\"/lab/my file.zma\""}, "/lab/my file.zma", false, false, false, false},
        {{"--run", "/lab/a.zma"}, "/lab/a.zma", true, false, false, false},
        {{"--run", "/lab/my", "file.zma"}, "/lab/my file.zma", true, false, false, false},
        {{"--run"}, "", true, false, false, true},
        {{"--help"}, "", false, true, false, false},
        {{"-h"}, "", false, true, false, false},
        {{"--version"}, "", false, false, true, false},
        {{"--frobnicate", "a.zma"}, "a.zma", false, false, false, true},
    };
    for (const TParseCase& c : kCases) {
        const TCommandLine line = ParseCommandLine(c.arguments);
        const QString name = c.arguments.join(' ');
        EXPECT_EQ(line.file, c.file) << name.toStdString();
        EXPECT_EQ(line.run, c.run) << name.toStdString();
        EXPECT_EQ(line.help, c.help) << name.toStdString();
        EXPECT_EQ(line.version, c.version) << name.toStdString();
        EXPECT_EQ(!line.error.isEmpty(), c.error) << name.toStdString();
    }
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

TEST(CommandLine, RunOpensTheFileAndStartsItsActivePanel) {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "measure.zma", "/*$$panel:Global$$*/\ndefine(f(x);x*2)/*$$panel:Calculator 1$$*/\n"
                                                      "define(g(x);x+1), f(g(20))");
    NuvixApp::TMainForm form;
    form.OpenFromCommandLine(path, true);
    EXPECT_TRUE(form.Calculating() || !form.CurrentPanel()->EdtResult()->text().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Calculating(); }, 20000));
    EXPECT_EQ(form.CurrentPanel()->EdtResult()->text(), "42");
    EXPECT_FALSE(form.Modified());

    NuvixApp::TMainForm opened;
    opened.OpenFromCommandLine(path, false);
    EXPECT_FALSE(opened.Calculating());
    EXPECT_EQ(opened.CurrentPanel()->EdtResult()->text(), "");
}

// The program answers --help and --version before it needs a display.
TEST(CommandLine, HelpAndVersionNeedNoDisplay) {
    for (const char* option : {"--help", "--version"}) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
        program.setProcessEnvironment(environment);
        program.start(VARNEX_APP_PATH, {option});
        ASSERT_TRUE(program.waitForFinished(20000)) << option;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << option;
        EXPECT_EQ(program.exitCode(), 0) << option << ": " << program.readAllStandardError().toStdString();
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        if (QString(option) == "--help")
            EXPECT_TRUE(out.contains("--run")) << out.toStdString();
        else
            EXPECT_TRUE(out.contains(VARNEX_PROJECT_VERSION)) << out.toStdString();
    }
}

// The whole program, as a desktop shortcut starts it: the script runs without anyone
// pressing Start.
TEST(CommandLine, ProgramRunsTheScriptOfItsRunFile) {
    QTemporaryDir dir;
    const QString done = dir.filePath("done.txt");
    const QString script = WriteFile(dir, "shortcut.zma", ("filewrite('" + done + "'; string(6*7))").toUtf8());
    QProcess program;
    NuvixTest::StartDesktopProgram(program, VARNEX_APP_PATH, dir, {"--run", script});
    const bool wrote = QTest::qWaitFor([&] { return QFile(done).size() > 0; }, 20000);
    program.kill();
    program.waitForFinished(5000);
    ASSERT_TRUE(wrote) << program.readAllStandardError().toStdString();
    QFile result(done);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), "42");
}

} // namespace
