// TWindowPlacement: windows come back where they were, and on screen.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QVBoxLayout>
#include <QTemporaryDir>
#include <QWidget>

#include "windows/window_placement.h"

namespace {

using NuvixWindows::OnScreen;
using NuvixWindows::TWindowPlacement;

struct TPlaceCase {
    const char* name;
    QRect saved;
    QRect shown;
};

TEST(WindowPlacement, OffScreenWindowsComeBackOnScreen) {
    // A 1280 x 1024 primary screen and a 1920 x 1080 one to its right.
    const QList<QRect> screens = {{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
    const TPlaceCase kCases[] = {
        {"on the primary screen", {100, 100, 400, 300}, {100, 100, 400, 300}},
        {"on the second screen", {2000, 500, 400, 300}, {2000, 500, 400, 300}},
        {"across both, title bar on screen", {1100, 50, 400, 300}, {1100, 50, 400, 300}},
        {"far away", {5000, 5000, 400, 300}, {880, 724, 400, 300}},
        {"left of and above everything", {-1000, -1000, 400, 300}, {0, 0, 400, 300}},
        {"title bar above the screen", {100, -100, 400, 300}, {100, 0, 400, 300}},
        {"a sliver at the left edge", {-390, 100, 400, 300}, {0, 100, 400, 300}},
        {"mostly on the second screen, title bar above", {1500, -200, 600, 400}, {1500, 0, 600, 400}},
        {"nowhere and larger than the primary screen", {9000, 0, 3000, 2000}, {0, 0, 1280, 1024}},
        {"larger than the second screen, title bar off", {1400, -50, 3000, 2000}, {1280, 0, 1920, 1080}},
    };
    for (const TPlaceCase& c : kCases) EXPECT_EQ(OnScreen(c.saved, screens), c.shown) << c.name;
}

class WindowPlacementSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    }
    QTemporaryDir dir_;
};

TEST_F(WindowPlacementSettings, PlaceAndSizeSurviveARun) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed(screen.left() + 40, screen.top() + 30, 320, 200);
    {
        QWidget window;
        new TWindowPlacement(window, "Test");
        window.setGeometry(placed);
        window.show();
        window.close(); // closing hides, and hiding saves
    }
    QWidget next;
    new TWindowPlacement(next, "Test");
    EXPECT_EQ(next.geometry(), placed);
    QWidget other;
    const QRect fresh = other.geometry();
    new TWindowPlacement(other, "Other");
    EXPECT_EQ(other.geometry(), fresh) << "a window without a saved place keeps its own";
}

// A window with a splitter (editors above, help below) gets its division back as well.
TEST_F(WindowPlacementSettings, ASplitterKeepsItsDivisionWithThePlace) {
    struct TWindow {
        QWidget window;
        QSplitter* splitter = new QSplitter(Qt::Vertical);
        TWindowPlacement* placement = new TWindowPlacement(window, "Split");
        TWindow() {
            auto* layout = new QVBoxLayout(&window);
            layout->addWidget(splitter);
            splitter->setObjectName("splitter");
            splitter->addWidget(new QWidget);
            splitter->addWidget(new QWidget);
            window.resize(300, 400);
            splitter->setSizes({300, 100});
            placement->Keep(*splitter);
        }
    };
    QList<int> moved;
    {
        TWindow first;
        first.window.show();
        first.splitter->setSizes({120, 280});
        moved = first.splitter->sizes();
        first.window.close();
    }
    TWindow next;
    next.window.show();
    EXPECT_EQ(next.splitter->sizes(), moved);
    EXPECT_NE(moved, QList<int>({300, 100}));
}

TEST_F(WindowPlacementSettings, ASavedPlaceOffScreenIsBroughtBack) {
    NuvixWindows::ProgramSettings()->setValue("Test/geometry", QRect(20000, 20000, 300, 200));
    QWidget window;
    new TWindowPlacement(window, "Test");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window.geometry())) << window.geometry().x() << "," << window.geometry().y();
    EXPECT_EQ(window.size(), QSize(300, 200));
}

} // namespace
