// The desktop entry's Exec key: any program path survives a launcher's reading of it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/file_association.h"

namespace {

// The launcher's side of freedesktop.org's desktop entry format: undo the string-value escapes,
// then split the arguments, unquoting quoted ones, and turn "%%" into '%'.
std::vector<std::string> ReadExec(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            unescaped += value[i];
            continue;
        }
        const char c = value[++i];
        unescaped += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < unescaped.size()) {
        if (unescaped[i] == ' ') {
            ++i;
            continue;
        }
        std::string arg;
        if (unescaped[i] == '"') {
            for (++i; i < unescaped.size() && unescaped[i] != '"'; ++i) {
                if (unescaped[i] == '\\' && i + 1 < unescaped.size()) ++i;
                arg += unescaped[i];
            }
            ++i; // the closing quote
        } else {
            for (; i < unescaped.size() && unescaped[i] != ' '; ++i) arg += unescaped[i];
        }
        std::string expanded;
        for (std::size_t k = 0; k < arg.size(); ++k) {
            expanded += arg[k];
            if (arg[k] == '%' && k + 1 < arg.size() && arg[k + 1] == '%') ++k;
        }
        args.push_back(expanded);
    }
    return args;
}

std::string ExecValue(const std::string& entry) {
    const std::size_t exec = entry.find("\nExec=");
    const std::size_t end = entry.find('\n', exec + 1);
    return entry.substr(exec + 6, end - exec - 6);
}

TEST(DesktopEntry, ExecNamesTheProgramWhateverItsPath) {
    const std::string kPaths[] = {
        "/usr/bin/varnexcalc",
        "/opt/Varnex Calculator/varnexcalc",
        "/home/lab/\"quoted\"/varnexcalc",
        "/home/lab/`date`/varnexcalc",
        "/home/lab/$HOME/varnexcalc",
        "/home/lab/back\\slash/varnexcalc",
        "/home/lab/100%/varnexcalc",
        "/home/lab/tab\there/varnexcalc",
        "/a b/\"`$\\\\%%/c",
    };
    for (const std::string& path : kPaths) {
        const std::vector<std::string> args = ReadExec(ExecValue(NuvixApp::DesktopEntryText(path)));
        ASSERT_EQ(args.size(), 2u) << path;
        EXPECT_EQ(args[0], path);
        EXPECT_EQ(args[1], "%f") << "the field code for the file stays a field code";
    }
}

// GLib's launcher reads the entry for real. (It checks that the program exists before it
// expands "%%", so a '%' in the path is left to the table above.)
TEST(DesktopEntry, GioLaunchesTheProgramFromAnAwkwardFolder) {
    const QString gio = QStandardPaths::findExecutable("gio");
    ASSERT_FALSE(gio.isEmpty()) << "gio is missing: install libglib2.0-bin (make deps)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath("lab data $HOME `x` \"q\" \\b");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + "/varnexcalc";
    const QString argsFile = dir.filePath("args");
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(("#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" + argsFile + "'\n").toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const std::string home = dir.filePath("share").toStdString();
    ASSERT_TRUE(NuvixApp::RegisterFileType(home, program.toStdString()));
    const QString entry = dir.filePath("share/applications/varnexcalc.desktop");
    const QString document = dir.filePath("my file.zma");
    QProcess launch;
    launch.start(gio, {"launch", entry, document});
    ASSERT_TRUE(launch.waitForFinished(10000));
    EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile(argsFile).size() > 0; }, 10000)) << "the program did not run";
    QFile args(argsFile);
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(args.readAll()), program + "\n" + document + "\n");
}

} // namespace
