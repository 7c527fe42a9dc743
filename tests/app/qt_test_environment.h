// A QApplication for GoogleTest programs that test widgets, on the offscreen platform.
#pragma once

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace NuvixTest {

class TQtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        // The program's settings (recent files, window places) go to a folder of the run,
        // never to the user's own.
        settings_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_->path());
    }
    void TearDown() override {
        app_.reset();
        settings_.reset();
    }

private:
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QTemporaryDir> settings_;
};

// Starts the desktop program (`program`) with `arguments` on the offscreen platform, its
// data, settings and snapshots in folders of `dir`, never the user's own.
inline void StartDesktopProgram(QProcess& process, const QString& program, const QTemporaryDir& dir,
                                const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_DATA_HOME", dir.filePath("share"));
    environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    environment.insert("XDG_STATE_HOME", dir.filePath("state")); // snapshots of unsaved work
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
}

} // namespace NuvixTest
