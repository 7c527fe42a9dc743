// A QApplication for GoogleTest programs that test widgets, on the offscreen platform.
#pragma once

#include <QApplication>
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

} // namespace NuvixTest
