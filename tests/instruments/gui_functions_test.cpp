// The panel functions through a panel model: results, refused numbers, properties, changes,
// waiting and the close-all at the end of every run.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "instruments/calculator.h"
#include "instruments/comm_parser.h"
#include "instruments/panel_model.h"
#include "instruments/run_context.h"

namespace {

using namespace NuvixParser;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A panel file in the test's folder: a label (id 1), a scroll bar (2), an edit field (3),
// a button (4) and a check box (5).
constexpr const char* kPanelFile = "0,0,0,20,2,1,Hello,0\r\n"
                                   "2,0,3,5,28,2,0,100,10,1,50,0\r\n"
                                   "3,0,29,30,32,3,abc,0\r\n"
                                   "4,0,33,15,37,4,Go\r\n"
                                   "5,0,38,15,40,5,Box,unchecked\r\n";

class GuiFunctions : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("varnex_gui_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "p.gui", std::ios::binary) << kPanelFile;
        ci_.context = &windows_;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // One run, as the calculation thread does it: the result text or "Error: ...".
    std::string Run(const std::string& script) {
        parser_.SetText(script);
        if (!parser_.Compile()) return "Syntax: " + parser_.ErrorMessage();
        parser_.Rebind();
        ci_.Reset();
        const TReturnValue v = parser_.Calculate(ci_);
        return ci_.error ? "Error: " + ci_.errorMessage : v.ToString();
    }
    // The script with the panel file loaded as panel 0 first.
    std::string RunWithPanel(const std::string& script) {
        return Run("loadgui(0;'" + (dir_ / "p.gui").string() + "'),\n" + script);
    }

    fs::path dir_;
    TGlobalVarList globals_;
    TCommParser parser_{globals_, CalculatorRegistry()};
    TPanelModel panels_;
    TRunContext windows_{nullptr, nullptr, &panels_};
    TCalcInfo ci_;
};

TEST_F(GuiFunctions, ResultsOfEachFunction) {
    struct {
        const char* script;
        const char* result;
    } const cases[] = {
        {"getproperty(0;1;0)", "Hello"},
        {"setproperty(0;1;0;'Hi'), getproperty(0;1;0)", "Hi"},
        {"setproperty(0;1;0;'Hi')", "-1"},
        {"setproperty(0;1;0;2.50)", "-1"},
        {"setproperty(0;1;0;2.50), getproperty(0;1;0)", "2.5"},
        {"setproperty(0;1;1;3)", "0"},
        {"setproperty(0;1;1;3), getproperty(0;1;1)", "3"},
        {"setproperty(0;2;0;70.9), getproperty(0;2;0)", "70"},
        {"setproperty('0 panel';'2';0;'12 steps'), getproperty(0;2;0)", "12"},
        {"getproperty(0;2;99)", "0"},
        {"setproperty(0;5;1;'1'), getproperty(0;5;1)", "-1"},
        {"setproperty(0;5;1;0.5), getproperty(0;5;1)", "0"},
        {"getproperty(0;4;1)", "0"},
        {"setproperty(0;4;1;1)", "0"},
        {"getproperty(0;3;0)", "abc"},
        {"getproperty(0;9;0)", "0"},       // no such control
        {"getproperty(1;1;0)", "0"},       // no such panel
        {"setproperty(7;1;0;'x')", "0"},
        {"haschanged(0;1)", "0"},
        {"haschanged(0;9)", "0"},
        {"panelname(0;'Motor')", "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(RunWithPanel(c.script), c.result) << c.script;
    EXPECT_EQ(RunWithPanel("0"), "0"); // loadgui's own result is shown by:
    EXPECT_EQ(Run("loadgui(0;'" + (dir_ / "p.gui").string() + "')"), "-1");
}

TEST_F(GuiFunctions, PanelNumbersOutside0To99FailSoftly) {
    const std::string file = (dir_ / "p.gui").string();
    for (const char* panel : {"-1", "100", "2147483647", "-2147483648", "2147483648", "4294967295"}) {
        SCOPED_TRACE(panel);
        EXPECT_EQ(Run(std::string("loadgui(") + panel + ";'" + file + "')"), "0");
        EXPECT_EQ(Run(std::string("panelname(") + panel + ";'x')"), "0");
        EXPECT_EQ(Run(std::string("setproperty(") + panel + ";1;0;'x')"), "0");
        EXPECT_EQ(Run(std::string("getproperty(") + panel + ";1;0)"), "0");
        EXPECT_EQ(Run(std::string("haschanged(") + panel + ";1)"), "0");
    }
    EXPECT_TRUE(panels_.TabCaptions().empty());
    EXPECT_TRUE(panels_.Panels().empty());
    // The integer reading keeps the low 32 bits: 2^32 + 3 is panel 3.
    EXPECT_EQ(Run("loadgui(4294967296+3;'" + file + "')"), "-1");
    EXPECT_EQ(Run("loadgui(99;'" + file + "')"), "-1");
}

TEST_F(GuiFunctions, RefusedFilesAndMissingFiles) {
    std::ofstream(dir_ / "bad.gui", std::ios::binary) << "4,0,0,1,x,1,a\r\n";
    EXPECT_EQ(Run("loadgui(0;'" + (dir_ / "bad.gui").string() + "')"), "0");
    EXPECT_EQ(panels_.Messages().size(), 1u);
    EXPECT_EQ(Run("loadgui(0;'" + (dir_ / "none.gui").string() + "')"), "-1");
}

TEST_F(GuiFunctions, AChangeIsReportedOnceAndWakesOneWait) {
    // Moving the scroll bar from the script counts as a change, like the user's.
    EXPECT_EQ(RunWithPanel("setproperty(0;2;0;10), setproperty(0;5;1;1),"
                           "a=haschanged(0;2), b=haschanged(0;2), c=haschanged(0;5),"
                           "w1=waitguievent(0.5), w2=waitguievent(0.5),"
                           "a*1000+b*100+c*10+w1+w2*0.1"),
               "-1011");
}

TEST_F(GuiFunctions, AnEditTextSetByTheScriptIsNoChange) {
    EXPECT_EQ(RunWithPanel("setproperty(0;3;0;'x'), haschanged(0;3)"), "0");
}

TEST_F(GuiFunctions, EveryRunEndsByClosingAllPanels) {
    EXPECT_EQ(RunWithPanel("panelname(3;'Three'), 1"), "1");
    EXPECT_FALSE(panels_.Visible());
    EXPECT_TRUE(panels_.TabCaptions().empty());
    ASSERT_EQ(panels_.Panels().size(), 1u);
    EXPECT_FALSE(panels_.Panels()[0]);
    // Also a run that ends with an error.
    EXPECT_EQ(RunWithPanel("x"), "Error: Variable x has no value");
    EXPECT_FALSE(panels_.Panels()[0]);
}

TEST_F(GuiFunctions, WithoutAPanelWindowEverythingFailsSoftly) {
    windows_.panels = nullptr;
    EXPECT_EQ(RunWithPanel("setproperty(0;1;0;'x')+getproperty(0;1;0)+haschanged(0;1)"), "0");
    EXPECT_EQ(Run("loadgui(0;'" + (dir_ / "p.gui").string() + "')"), "0");
    EXPECT_EQ(Run("waitguievent(1)"), "0");
}

TEST_F(GuiFunctions, WaitTimes) {
    auto start = Clock::now();
    EXPECT_EQ(Run("waitguievent(0.5)"), "0");
    EXPECT_EQ(Run("waitguievent(-5)"), "0");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(50));
    start = Clock::now();
    EXPECT_EQ(Run("waitguievent(100)"), "0");
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
}

// The GUI event is not reset between runs: a change no wait consumed wakes the next
// run's first wait, and only that one.
TEST_F(GuiFunctions, APendingEventIsConsumedOnce) {
    ci_.GuiEvent().Set();
    ci_.GuiEvent().Set();
    EXPECT_EQ(Run("a=waitguievent(0), b=waitguievent(0.5), a*10+b"), "-10");
}

TEST_F(GuiFunctions, ABreakEndsAWaitWithoutLimit) {
    struct {
        const char* script;
    } const cases[] = {{"waitguievent(0)"}, {"waitguievent(60000), 5"}, {"while(1; waitguievent(0))"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        std::thread breaker([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            ci_.RequestBreak();
        });
        const auto start = Clock::now();
        EXPECT_EQ(Run(c.script), "Error: Breaked");
        breaker.join();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    }
}

TEST_F(GuiFunctions, AChangeFromAnotherThreadEndsAWaitWithoutLimit) {
    std::thread user([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ci_.GuiEvent().Set();
    });
    EXPECT_EQ(Run("waitguievent(0)"), "-1");
    user.join();
}

// A host that shows no panels (the runner's) is told before a wait without limit.
TEST_F(GuiFunctions, AWaitWithoutLimitIsAnnouncedToTheHost) {
    struct TCountingHost final : TPanelHost {
        bool CreatePanel(int, std::string, TEvent&) override { return false; }
        void CloseAll() override { ++closes; }
        void NamePanel(int, std::string) override {}
        bool SetProperty(int, int, int, const TReturnValue&) override { return false; }
        bool GetProperty(int, int, int, TReturnValue&) override { return false; }
        bool HasChanged(int, int) override { return false; }
        void WaitingWithoutLimit() override { ++announced; }
        int announced = 0;
        int closes = 0;
    } host;
    windows_.panels = &host;
    // The user ends the second wait; the poll before it is no wait without limit.
    std::thread user([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ci_.GuiEvent().Set();
    });
    EXPECT_EQ(Run("waitguievent(0.5), waitguievent(0)"), "-1");
    user.join();
    EXPECT_EQ(host.announced, 1);
    EXPECT_EQ(host.closes, 1);
}

} // namespace
