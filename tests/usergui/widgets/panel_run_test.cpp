// Scripts with runtime panels: waitguievent's time-outs, user changes made before a wait,
// a click or a break ending an endless wait, and the panels closing when the run ends.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "instruments/calculator.h"
#include "instruments/comm_parser.h"
#include "tests/windows/windowed_run.h"
#include "usergui/control_form.h"
#include "usergui/live_control.h"
#include "usergui/user_form.h"

namespace {

using namespace NuvixParser;
using NuvixUserGui::TControlForm;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A scroll bar (2) and a button (4).
constexpr const char* kPanelFile = "2,0,0,5,28,2,0,100,10,1,50,0\r\n"
                                   "4,6,0,21,4,4,Go\r\n";

// The user at a fixed point of a script: panelname(99; action) plays `action` on panel 0
// instead of naming a tab ("click <control>" clicks a button, "page <control>" pages a
// scroll bar up); everything else goes to the control window.
class TPlayingUser final : public TPanelHost {
public:
    explicit TPlayingUser(TControlForm& form) : form_(form), real_(form.PanelHost()) {}
    bool CreatePanel(int panel, std::string fileName, TEvent& guiEvent) override {
        return real_.CreatePanel(panel, std::move(fileName), guiEvent);
    }
    void CloseAll() override { real_.CloseAll(); }
    void NamePanel(int panel, std::string name) override {
        if (panel != 99) return real_.NamePanel(panel, std::move(name));
        std::istringstream action(name);
        std::string verb;
        int control = 0;
        action >> verb >> control;
        QWidget* live = form_.Panel(0)->LiveControl(*form_.Panel(0)->Find(control));
        if (verb == "click") QTest::mouseClick(live->findChild<QPushButton*>(), Qt::LeftButton);
        if (verb == "page") QTest::keyClick(live->findChild<QSlider*>(), Qt::Key_PageUp);
    }
    bool SetProperty(int panel, int control, int property, const TReturnValue& value) override {
        return real_.SetProperty(panel, control, property, value);
    }
    bool GetProperty(int panel, int control, int property, TReturnValue& value) override {
        return real_.GetProperty(panel, control, property, value);
    }
    bool HasChanged(int panel, int control) override { return real_.HasChanged(panel, control); }

private:
    TControlForm& form_;
    TPanelHost& real_;
};

class PanelRun : public testing::Test {
protected:
    void SetUp() override {
        file_ = fs::temp_directory_path() /
                ("varnex_panel_run_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 ".gui");
        std::ofstream(file_, std::ios::binary) << kPanelFile;
        ci_.context = &windows_;
    }
    void TearDown() override { fs::remove(file_); }

    // One run on this (the GUI) thread, the panel file loaded as panel 0 first: the result
    // text or "Error: ...".
    std::string RunWithPanel(const std::string& script) {
        parser_.SetText("loadgui(0;'" + file_.string() + "'),\n" + script);
        if (!parser_.Compile()) return "Syntax: " + parser_.ErrorMessage();
        parser_.Rebind();
        ci_.Reset();
        const TReturnValue v = parser_.Calculate(ci_);
        return ci_.error ? "Error: " + ci_.errorMessage : v.ToString();
    }

    fs::path file_;
    TControlForm form_;
    TPlayingUser user_{form_};
    TGlobalVarList globals_;
    TCommParser parser_{globals_, CalculatorRegistry()};
    TRunContext windows_{nullptr, nullptr, &user_};
    TCalcInfo ci_;
};

// Two moves and a click before the wait: one wake-up, then each control reported once.
TEST_F(PanelRun, ChangesBeforeAWaitWakeItOnceAndAreEachReportedOnce) {
    EXPECT_EQ(RunWithPanel("panelname(99;'page 2'), panelname(99;'page 2'), panelname(99;'click 4'),\n"
                           "a = waitguievent(0.5), b = waitguievent(0.5),\n"
                           "c = haschanged(0;2), d = haschanged(0;2), e = haschanged(0;4), f = haschanged(0;4),\n"
                           "string(a)+' '+string(b)+' '+string(c)+' '+string(d)+' '+string(e)+' '+string(f)+' '+"
                           "string(getproperty(0;2;0))"),
              "-1 0 -1 0 -1 0 70");
}

TEST_F(PanelRun, WaitTimeOuts) {
    // A fraction below 1 polls; 100 waits about that long without user activity.
    const auto start = Clock::now();
    EXPECT_EQ(RunWithPanel("waitguievent(0.5)"), "0");
    const auto polled = Clock::now();
    EXPECT_EQ(RunWithPanel("waitguievent(100)"), "0");
    const auto waited = Clock::now();
    EXPECT_GE(waited - polled, std::chrono::milliseconds(99));
    EXPECT_LT(polled - start, waited - polled);
    // A change pending ends a timed wait at once with -1.
    EXPECT_EQ(RunWithPanel("panelname(99;'click 4'), waitguievent(100000)"), "-1");
}

TEST_F(PanelRun, TheRunsEndClosesThePanels) {
    EXPECT_EQ(RunWithPanel("loadgui(3;'" + file_.string() + "'), setproperty(3;2;0;20)"), "-1");
    EXPECT_FALSE(form_.isVisible());
    EXPECT_EQ(form_.Panel(0), nullptr);
    EXPECT_EQ(form_.Panel(3), nullptr);
    EXPECT_EQ(form_.PanelListLength(), 4);
    EXPECT_EQ(RunWithPanel("getproperty(0;4;0)"), "Go");
}

// On the calculation thread, as in the program: the window's thread clicks while the script
// waits without limit.
TEST(PanelThreadRun, AClickEndsAnEndlessWaitAndABreakDoesToo) {
    const fs::path file = fs::temp_directory_path() /
        ("varnex_panel_thread_run." + std::to_string(::getpid()) + ".gui");
    std::ofstream(file, std::ios::binary) << kPanelFile;
    TControlForm form;
    const std::string load = "loadgui(0;'" + file.string() + "'),\n";
    auto panelShown = [&form] {
        return QTest::qWaitFor([&form] { return form.Panel(0) && form.isVisible(); }, 10000);
    };

    const std::string clicked =
        load + "a = waitguievent(0), b = haschanged(0;4), string(a)+' '+string(b)+' '+string(haschanged(0;2))";
    const NuvixTest::TRun click = NuvixTest::RunWithWindows(
        TRunContext{nullptr, nullptr, &form.PanelHost()}, "", clicked.c_str(), [&](TCalculator&) {
            ASSERT_TRUE(panelShown());
            QTest::qWait(50); // the script is waiting by now, or will find the event pending
            auto* panel = form.Panel(0);
            QTest::mouseClick(panel->LiveControl(*panel->Find(4))->findChild<QPushButton*>(), Qt::LeftButton);
        });
    EXPECT_EQ(click.result, "-1 -1 0");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Panel(0), nullptr);

    const std::string waiting = load + "waitguievent(0), 1";
    const NuvixTest::TRun broken = NuvixTest::RunWithWindows(TRunContext{nullptr, nullptr, &form.PanelHost()}, "",
                                                             waiting.c_str(), [&](TCalculator& calculator) {
                                                                 ASSERT_TRUE(panelShown());
                                                                 calculator.Break();
                                                             });
    EXPECT_EQ(broken.result, "Error: Breaked");
    EXPECT_FALSE(form.isVisible());
    fs::remove(file);
}

} // namespace
