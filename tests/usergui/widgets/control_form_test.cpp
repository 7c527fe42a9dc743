// The runtime panel window through its panel interface: tabs, naming, replacing, files that
// cannot be read or hold bad numbers, and closing at the end of a run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/event.h"
#include "usergui/control_form.h"
#include "usergui/live_control.h"
#include "usergui/user_form.h"

namespace {

using namespace NuvixParser;
using NuvixUserGui::TControlForm;
using NuvixUserGui::TUserForm;
namespace fs = std::filesystem;

class ControlForm : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("varnex_controls_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
        form_.showError = [this](const QString& message) { messages_ << message; };
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const char* name, const std::string& contents) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << contents;
        return p.string();
    }
    QStringList TabTexts() const {
        QStringList texts;
        for (int i = 0; i < form_.Tabs()->count(); ++i) texts << form_.Tabs()->tabText(i);
        return texts;
    }
    bool TabStripShown() const { return form_.Tabs()->tabBar()->isVisibleTo(&form_); }

    fs::path dir_;
    TEvent guiEvent_{false};
    TControlForm form_;
    TPanelHost& host_ = form_.PanelHost();
    QStringList messages_;
};

TEST_F(ControlForm, APanelMakesTheTabsUpToItsNumberAndShowsTheWindow) {
    ASSERT_FALSE(form_.isVisible());
    ASSERT_TRUE(host_.CreatePanel(2, File("motor.gui", "4,2,8,17,12,7,Go\r\n"), guiEvent_));
    EXPECT_EQ(TabTexts(), (QStringList{"Panel 1", "Panel 2", "Panel 3"}));
    EXPECT_EQ(form_.PanelListLength(), 3);
    EXPECT_EQ(form_.Panel(0), nullptr);
    TUserForm* panel = form_.Panel(2);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(form_.Tabs()->widget(2)->isAncestorOf(panel));
    EXPECT_EQ(form_.Tabs()->currentIndex(), 2);
    EXPECT_EQ(panel->State(), TEditState::Runtime);
    EXPECT_TRUE(TabStripShown());
    EXPECT_TRUE(form_.isVisible());
    EXPECT_EQ(form_.windowTitle(), "Varnex Calculator Controls");
    // Its control is live, on its grid rectangle.
    TEditObject* button = panel->Find(7);
    ASSERT_NE(button, nullptr);
    ASSERT_NE(panel->LiveControl(*button), nullptr);
    EXPECT_EQ(panel->LiveControl(*button)->geometry(), QRect(14, 56, 105, 28));
}

TEST_F(ControlForm, ANamedTabKeepsItsNameAndALonePanelShowsNoTabStrip) {
    host_.NamePanel(0, "Motor & Pump \xB5");
    EXPECT_FALSE(form_.isVisible()); // naming shows nothing
    ASSERT_TRUE(host_.CreatePanel(0, File("motor.gui", ""), guiEvent_));
    EXPECT_EQ(TabTexts(), QStringList{QString::fromUtf8("Motor && Pump \u00B5")});
    EXPECT_FALSE(TabStripShown());
    // A second panel brings the strip back.
    ASSERT_TRUE(host_.CreatePanel(1, File("pump.gui", ""), guiEvent_));
    EXPECT_TRUE(TabStripShown());
}

// The window takes the size its largest panel needs, so no control hides behind a scroll
// bar; a panel larger than the screen gets the screen's free area.
TEST_F(ControlForm, TheWindowSizesItselfToItsLargestPanelWithinTheScreen) {
    // An edit field whose "Ok" ends at 609 x 455 pixels, beyond the window's first size.
    ASSERT_TRUE(host_.CreatePanel(0, File("wide.gui", "0,1,1,20,3,1,Heater & pump,0\r\n3,60,62,87,65,2,abc,0\r\n"),
                                  guiEvent_));
    ASSERT_TRUE(host_.CreatePanel(1, File("small.gui", "4,1,1,10,4,1,Go\r\n"), guiEvent_));
    form_.Tabs()->setCurrentIndex(0);
    QApplication::processEvents();
    TUserForm* panel = form_.Panel(0);
    auto* scroll = panel->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
    auto* ok = panel->LiveControl(*panel->Find(2))->findChild<QPushButton*>();
    const QRect okOnViewport(ok->mapTo(scroll->viewport(), QPoint(0, 0)), ok->size());
    EXPECT_TRUE(scroll->viewport()->rect().contains(okOnViewport)) << "Ok is hidden";
    // The smaller panel loaded later does not shrink the window below the larger one.
    EXPECT_GE(form_.width(), 609);

    form_.CloseAll();
    ASSERT_TRUE(host_.CreatePanel(0, File("huge.gui", "4,1,1,500,400,1,Go\r\n"), guiEvent_));
    const QRect screen = form_.screen()->availableGeometry();
    EXPECT_LE(form_.width(), screen.width());
    EXPECT_LE(form_.height(), screen.height());
}

TEST_F(ControlForm, LoadingANumberAgainReplacesItsPanel) {
    ASSERT_TRUE(host_.CreatePanel(0, File("a.gui", "4,0,0,15,4,1,A\r\n"), guiEvent_));
    const QPointer<TUserForm> first = form_.Panel(0);
    ASSERT_TRUE(host_.CreatePanel(0, File("b.gui", "4,0,0,15,4,7,B\r\n"), guiEvent_));
    EXPECT_TRUE(first.isNull());
    ASSERT_NE(form_.Panel(0), nullptr);
    EXPECT_EQ(form_.Panel(0)->Find(1), nullptr);
    EXPECT_NE(form_.Panel(0)->Find(7), nullptr);
    EXPECT_EQ(form_.Tabs()->count(), 1);
    EXPECT_FALSE(TabStripShown());
}

TEST_F(ControlForm, AFileThatDoesNotExistIsAnEmptyPanel) {
    ASSERT_TRUE(host_.CreatePanel(0, (dir_ / "none.gui").string(), guiEvent_));
    ASSERT_NE(form_.Panel(0), nullptr);
    EXPECT_TRUE(form_.Panel(0)->Objects().empty());
    EXPECT_TRUE(form_.isVisible());
    EXPECT_TRUE(messages_.isEmpty());
}

// A bad number is told once, naming the file, line and text; no object of the file is
// used, and a panel already shown under that number stays.
TEST_F(ControlForm, AFileWithABadNumberIsToldOnceAndMakesNoPanel) {
    const std::string bad = File("bad.gui", "0,2,3,22,5,1,Fine,0\r\n4,2,x8,17,12,2,Button\r\n");
    EXPECT_FALSE(host_.CreatePanel(1, bad, guiEvent_));
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains(QString::fromStdString(bad)));
    EXPECT_TRUE(messages_[0].contains("line 2"));
    EXPECT_TRUE(messages_[0].contains("'x8'"));
    EXPECT_EQ(form_.Tabs()->count(), 0);
    EXPECT_EQ(form_.Panel(1), nullptr);
    EXPECT_FALSE(form_.isVisible());

    ASSERT_TRUE(host_.CreatePanel(0, File("good.gui", "4,0,0,15,4,1,A\r\n"), guiEvent_));
    EXPECT_FALSE(host_.CreatePanel(0, bad, guiEvent_));
    ASSERT_NE(form_.Panel(0), nullptr);
    EXPECT_NE(form_.Panel(0)->Find(1), nullptr);
}

TEST_F(ControlForm, AFileOfTooManyRowsMakesNoPanelAndNoMessage) {
    std::string rows;
    for (int i = 0; i < 4097; ++i) rows += "x\r\n";
    EXPECT_FALSE(host_.CreatePanel(0, File("long.gui", rows), guiEvent_));
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_EQ(form_.Panel(0), nullptr);
}

TEST_F(ControlForm, CloseAllDestroysThePanelsAndHidesTheWindow) {
    ASSERT_TRUE(host_.CreatePanel(0, File("a.gui", "4,0,0,15,4,1,A\r\n"), guiEvent_));
    ASSERT_TRUE(host_.CreatePanel(2, File("b.gui", ""), guiEvent_));
    const QPointer<TUserForm> a = form_.Panel(0), b = form_.Panel(2);
    host_.CloseAll();
    EXPECT_TRUE(a.isNull());
    EXPECT_TRUE(b.isNull());
    EXPECT_FALSE(form_.isVisible());
    EXPECT_EQ(form_.Tabs()->count(), 0);
    EXPECT_EQ(form_.PanelListLength(), 3);
    EXPECT_FALSE(host_.SetProperty(0, 1, 0, TReturnValue(1)));
    // The list kept its length: a single new panel shows its tab strip.
    ASSERT_TRUE(host_.CreatePanel(0, File("a.gui", ""), guiEvent_));
    EXPECT_TRUE(TabStripShown());
    EXPECT_EQ(TabTexts(), QStringList{"Panel 1"});
}

TEST_F(ControlForm, UnknownPanelsAndControlsAnswerFalse) {
    ASSERT_TRUE(host_.CreatePanel(1, File("a.gui", "4,0,0,15,4,1,A\r\n"), guiEvent_));
    TReturnValue v(5);
    for (int panel : {-1, 0, 2, 100, 2147483647}) {
        EXPECT_FALSE(host_.SetProperty(panel, 1, 0, TReturnValue(1))) << panel;
        EXPECT_FALSE(host_.GetProperty(panel, 1, 0, v)) << panel;
        EXPECT_FALSE(host_.HasChanged(panel, 1)) << panel;
    }
    EXPECT_FALSE(host_.GetProperty(1, 2, 0, v));
    EXPECT_FALSE(host_.CreatePanel(100, File("b.gui", ""), guiEvent_));
    host_.NamePanel(-1, "x");
    host_.NamePanel(100, "x");
    EXPECT_EQ(form_.Tabs()->count(), 2);
}

} // namespace
