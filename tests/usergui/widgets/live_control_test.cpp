// Live controls and their properties: what a script sets shows on screen, what the user does
// reaches the object, and which of the two count as changes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "engine/event.h"
#include "tests/shown_text.h"
#include "usergui/live_control.h"
#include "usergui/user_form.h"

namespace {

using namespace NuvixParser;
using NuvixUserGui::TUserForm;
namespace fs = std::filesystem;

// A label (1), a scroll bar (2), an edit field (3), a button (4), a check box (5), a
// display (6) and a horizontal scroll bar whose value lies beyond its range (7).
constexpr const char* kPanelFile = "0,0,0,20,2,1,Hello,0\r\n"
                                   "2,0,3,5,28,2,0,100,10,1,50,0\r\n"
                                   "3,0,29,30,32,3,abc,0\r\n"
                                   "4,0,33,15,37,4,Go\r\n"
                                   "5,0,38,15,40,5,Box,unchecked\r\n"
                                   "1,20,0,40,5,6,0.00,2,14\r\n"
                                   "2,20,6,40,9,7,0,100,10,1,150,1\r\n";

class LiveControls : public testing::Test {
protected:
    void SetUp() override {
        path_ = fs::temp_directory_path() /
                ("varnex_live_controls." + std::to_string(::getpid()) + ".gui");
        std::ofstream(path_, std::ios::binary) << kPanelFile;
        form_ = std::make_unique<TUserForm>(path_.string(), &guiEvent_);
        ASSERT_TRUE(form_->Load().Ok());
        form_->EnterRuntime();
        form_->show();
    }
    void TearDown() override { fs::remove(path_); }

    template <class W> W* Widget(int control) const {
        return form_->LiveControl(*form_->Find(control))->findChild<W*>();
    }
    TReturnValue Get(int control, int property) const {
        TReturnValue v(0);
        EXPECT_TRUE(form_->GetProperty(control, property, v)) << control << "/" << property;
        return v;
    }
    bool Set(int control, int property, TReturnValue value) { return form_->SetProperty(control, property, value); }

    fs::path path_;
    TEvent guiEvent_{false};
    std::unique_ptr<TUserForm> form_;
};

TReturnValue Text(const char* s) {
    TReturnValue v;
    v.SetString(s);
    return v;
}

TEST_F(LiveControls, RealisingShowsTheFieldsAndIsNoChange) {
    EXPECT_EQ(Widget<QLabel>(1)->text(), "Hello");
    EXPECT_EQ(Widget<QSlider>(2)->value(), 50);
    EXPECT_EQ(Widget<QSlider>(2)->orientation(), Qt::Vertical);
    EXPECT_EQ(Widget<QLineEdit>(3)->text(), "abc");
    EXPECT_FALSE(Widget<QPushButton>(3)->isEnabled()); // "Ok"
    EXPECT_EQ(Widget<QPushButton>(4)->text(), "Go");
    EXPECT_FALSE(Widget<QCheckBox>(5)->isChecked());
    // The display: its text in its size, yellow on black, right-aligned.
    QLabel* display = Widget<QLabel>(6);
    EXPECT_EQ(display->text(), "0.00");
    EXPECT_EQ(display->font().pointSize(), 14);
    EXPECT_EQ(display->palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_EQ(display->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_TRUE(display->alignment() & Qt::AlignRight);
    EXPECT_EQ(form_->LiveControl(*form_->Find(6))->geometry(), QRect(140, 0, 140, 35));
    // The bar beyond its range stands at its end, which is then its value.
    EXPECT_EQ(Widget<QSlider>(7)->orientation(), Qt::Horizontal);
    EXPECT_EQ(Widget<QSlider>(7)->value(), 100);
    EXPECT_EQ(Get(7, 0).number, 100);
    for (int control = 1; control <= 7; ++control) EXPECT_FALSE(form_->HasChanged(control)) << control;
    EXPECT_FALSE(guiEvent_.IsSet());
}

// Button and check box texts, from the file or a script, show as written: an '&' in them
// is no mnemonic mark, and the object keeps the text itself.
TEST_F(LiveControls, AmpersandsInButtonAndCheckBoxTextsShowAsWritten) {
    ASSERT_TRUE(Set(4, 0, Text("Apply & go")));
    ASSERT_TRUE(Set(5, 0, Text("Heater & pump")));
    const QString button = Widget<QPushButton>(4)->text(), box = Widget<QCheckBox>(5)->text();
    EXPECT_EQ(NuvixTest::ShownText(button), "Apply & go");
    EXPECT_EQ(NuvixTest::ShownText(box), "Heater & pump");
    EXPECT_TRUE(QKeySequence::mnemonic(button).isEmpty());
    EXPECT_TRUE(QKeySequence::mnemonic(box).isEmpty());
    EXPECT_EQ(Get(4, 0).ToString(), "Apply & go");
}

// A scroll bar's value is truncated, shown, and a move counts as a change.
TEST_F(LiveControls, ScrollBarValueRoundTrip) {
    ASSERT_TRUE(Set(2, 0, TReturnValue(70.9)));
    EXPECT_EQ(Get(2, 0).number, 70);
    EXPECT_EQ(Widget<QSlider>(2)->value(), 70);
    EXPECT_TRUE(guiEvent_.IsSet());
    EXPECT_TRUE(form_->HasChanged(2));
    EXPECT_FALSE(form_->HasChanged(2));
    // Setting the value it has already moves nothing.
    guiEvent_.Reset();
    ASSERT_TRUE(Set(2, 0, Text("70 mm")));
    EXPECT_FALSE(form_->HasChanged(2));
    EXPECT_FALSE(guiEvent_.IsSet());
    // The user's move.
    QTest::keyClick(Widget<QSlider>(2), Qt::Key_PageUp);
    EXPECT_EQ(Get(2, 0).number, Widget<QSlider>(2)->value());
    EXPECT_NE(Get(2, 0).number, 70);
    EXPECT_TRUE(form_->HasChanged(2));
    EXPECT_TRUE(guiEvent_.IsSet());
}

// The bar never holds a minimum above its maximum; the object keeps what was set, and a
// value beyond the range puts the bar at its end, which becomes the value.
TEST_F(LiveControls, ScrollBarKeepsItsMinimumAtOrBelowItsMaximum) {
    QSlider* bar = Widget<QSlider>(2);
    ASSERT_TRUE(Set(2, 1, TReturnValue(200)));
    EXPECT_EQ(Get(2, 1).number, 200);
    EXPECT_LE(bar->minimum(), bar->maximum());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    ASSERT_TRUE(Set(2, 2, TReturnValue(-5)));
    EXPECT_EQ(Get(2, 2).number, -5);
    EXPECT_LE(bar->minimum(), bar->maximum());
    // A valid pair again is taken over.
    ASSERT_TRUE(Set(2, 1, TReturnValue(60)));
    ASSERT_TRUE(Set(2, 2, TReturnValue(80)));
    EXPECT_EQ(bar->minimum(), 60);
    EXPECT_EQ(bar->maximum(), 80);
    EXPECT_EQ(bar->value(), 60); // moved into the range
    EXPECT_EQ(Get(2, 0).number, 60);
    EXPECT_TRUE(form_->HasChanged(2));
    ASSERT_TRUE(Set(2, 0, TReturnValue(500)));
    EXPECT_EQ(bar->value(), 80);
    EXPECT_EQ(Get(2, 0).number, 80);
    // Page and line size reach the bar; any other id reads as the caller's default.
    ASSERT_TRUE(Set(2, 3, TReturnValue(7)));
    ASSERT_TRUE(Set(2, 4, TReturnValue(3)));
    EXPECT_EQ(bar->pageStep(), 7);
    EXPECT_EQ(bar->singleStep(), 3);
    EXPECT_EQ(Get(2, 9).number, 0);
}

TEST_F(LiveControls, CheckBoxFollowsTheTruncatedNumber) {
    QCheckBox* box = Widget<QCheckBox>(5);
    ASSERT_TRUE(Set(5, 1, Text("1")));
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(Get(5, 1).number, -1);
    EXPECT_TRUE(form_->HasChanged(5));
    ASSERT_TRUE(Set(5, 1, TReturnValue(0.5)));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(Get(5, 1).number, 0);
    EXPECT_TRUE(form_->HasChanged(5));
    // The user's click, reported once.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(Get(5, 1).number, -1);
    EXPECT_TRUE(form_->HasChanged(5));
    EXPECT_FALSE(form_->HasChanged(5));
    ASSERT_TRUE(Set(5, 0, Text("Motor on")));
    EXPECT_EQ(box->text(), "Motor on");
}

// An alignment outside 0..2 is refused and kept: reading gives it back, the screen keeps
// the last one it could show.
TEST_F(LiveControls, RefusedAlignmentKeepsTheScreen) {
    QLabel* label = Widget<QLabel>(1);
    ASSERT_TRUE(Set(1, 1, TReturnValue(2)));
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    EXPECT_FALSE(Set(1, 1, TReturnValue(3)));
    EXPECT_EQ(Get(1, 1).number, 3);
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    ASSERT_TRUE(Set(1, 1, TReturnValue(1)));
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    // Captions are shown as they are: blanks, commas and what looks like markup.
    ASSERT_TRUE(Set(1, 0, Text("  a, <b>b</b> \xE4")));
    EXPECT_EQ(label->text(), QString::fromUtf8("  a, <b>b</b> \u00E4"));
    EXPECT_EQ(Get(1, 0).text, "  a, <b>b</b> \xE4");
    EXPECT_FALSE(Set(1, 2, TReturnValue(1)));
}

TEST_F(LiveControls, EditFieldCommitsWithOkAndAScriptTextClearsTheChange) {
    QLineEdit* box = Widget<QLineEdit>(3);
    QPushButton* ok = Widget<QPushButton>(3);
    box->selectAll();
    QTest::keyClicks(box, "12.5");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(Get(3, 0).text, "abc"); // not yet committed
    EXPECT_FALSE(form_->HasChanged(3));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(Get(3, 0).text, "12.5");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(guiEvent_.IsSet());
    EXPECT_TRUE(form_->HasChanged(3));
    // Enter again, with "Ok" disabled, commits nothing.
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FALSE(form_->HasChanged(3));
    // The "Ok" button commits too; a script's text then clears the change unread.
    QTest::keyClicks(box, "0");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(Get(3, 0).text, "12.50");
    ASSERT_TRUE(Set(3, 0, TReturnValue(7)));
    EXPECT_EQ(box->text(), "7");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(form_->HasChanged(3));
    ASSERT_TRUE(Set(3, 1, TReturnValue(2)));
    EXPECT_TRUE(box->alignment() & Qt::AlignRight);
}

TEST_F(LiveControls, ButtonReadsPressedWhileHeldAndAClickIsAChange) {
    QPushButton* button = Widget<QPushButton>(4);
    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_EQ(Get(4, 1).number, 1);
    EXPECT_FALSE(form_->HasChanged(4));
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_EQ(Get(4, 1).number, 0);
    EXPECT_TRUE(form_->HasChanged(4));
    EXPECT_FALSE(Set(4, 1, TReturnValue(1)));
    ASSERT_TRUE(Set(4, 0, Text("Stop")));
    EXPECT_EQ(button->text(), "Stop");
}

// Of two objects with one id the later is found, and only it is changed.
TEST(LiveControlsSharedId, TheLaterObjectIsFound) {
    const fs::path path = fs::temp_directory_path() /
        ("varnex_shared_id." + std::to_string(::getpid()) + ".gui");
    std::ofstream(path, std::ios::binary) << "0,0,0,20,2,1,First,0\r\n0,0,3,20,5,1,Second,0\r\n";
    TEvent event(false);
    TUserForm form(path.string(), &event);
    ASSERT_TRUE(form.Load().Ok());
    form.EnterRuntime();
    TReturnValue text;
    text.SetString("New");
    ASSERT_TRUE(form.SetProperty(1, 0, text));
    const auto& objects = form.Objects();
    EXPECT_EQ(form.LiveControl(*objects[0])->findChild<QLabel*>()->text(), "First");
    EXPECT_EQ(form.LiveControl(*objects[1])->findChild<QLabel*>()->text(), "New");
    fs::remove(path);
}

} // namespace
