// TPanelModel: panels on numbered tabs, their controls, closing at the end of a run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/event.h"
#include "instruments/panel_model.h"

namespace {

using namespace NuvixParser;
namespace fs = std::filesystem;

// GUI files written for one test into a folder of its own.
class PanelModel : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("varnex_panels_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const char* name, const char* contents) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << contents;
        return p.string();
    }

    fs::path dir_;
    TEvent guiEvent_{false};
    TPanelModel m_;
};

TEST_F(PanelModel, APanelMakesTheTabsUpToItsNumber) {
    EXPECT_TRUE(m_.CreatePanel(2, File("motor.gui", ""), guiEvent_));
    EXPECT_EQ(m_.TabCaptions(), (std::vector<std::string>{"Panel 1", "Panel 2", "Panel 3"}));
    ASSERT_EQ(m_.Panels().size(), 3u);
    EXPECT_FALSE(m_.Panels()[0]);
    EXPECT_EQ(m_.Panels()[2]->FileName(), (dir_ / "motor.gui").string());
    EXPECT_EQ(m_.ActiveTab(), 2);
    EXPECT_TRUE(m_.Visible());
    EXPECT_TRUE(m_.TabStripShown());
    // Loading the same number again replaces the panel.
    EXPECT_TRUE(m_.CreatePanel(2, File("other.gui", "4,0,0,1,1,7,Go\r\n"), guiEvent_));
    EXPECT_NE(m_.Control(2, 7), nullptr);
    EXPECT_EQ(m_.TabCaptions().size(), 3u);
}

TEST_F(PanelModel, ANamedTabKeepsItsNameWhenItsPanelIsLoaded) {
    m_.NamePanel(0, "Motor");
    EXPECT_FALSE(m_.Visible()); // naming shows nothing
    m_.CreatePanel(0, File("motor.gui", ""), guiEvent_);
    EXPECT_EQ(m_.TabCaptions(), std::vector<std::string>{"Motor"});
    EXPECT_FALSE(m_.TabStripShown()); // a lone panel
}

TEST_F(PanelModel, CloseAllEmptiesTheListButKeepsItsLength) {
    m_.CreatePanel(1, File("a.gui", ""), guiEvent_);
    m_.CloseAll();
    EXPECT_FALSE(m_.Visible());
    EXPECT_TRUE(m_.TabCaptions().empty());
    ASSERT_EQ(m_.Panels().size(), 2u);
    EXPECT_FALSE(m_.Panels()[1]);
    // A single new panel then still shows its tab strip: the list has two entries.
    m_.CreatePanel(0, File("b.gui", ""), guiEvent_);
    EXPECT_TRUE(m_.TabStripShown());
}

TEST_F(PanelModel, RefusesNumbersOutsideThePanelRange) {
    const std::string file = File("a.gui", "");
    for (int panel : {-1, kLastPanel + 1, 1 << 30, INT32_MIN}) {
        EXPECT_FALSE(m_.CreatePanel(panel, file, guiEvent_));
        m_.NamePanel(panel, "x");
        EXPECT_FALSE(m_.HasChanged(panel, 0));
    }
    EXPECT_TRUE(m_.Panels().empty());
    EXPECT_TRUE(m_.TabCaptions().empty());
    EXPECT_TRUE(m_.CreatePanel(kLastPanel, file, guiEvent_));
}

TEST_F(PanelModel, AMissingFileIsAnEmptyPanel) {
    EXPECT_TRUE(m_.CreatePanel(0, (dir_ / "missing.gui").string(), guiEvent_));
    ASSERT_TRUE(m_.Panels()[0]);
    EXPECT_TRUE(m_.Panels()[0]->Objects().empty());
}

TEST_F(PanelModel, ARefusedFileCreatesNoPanelAndABadNumberIsReportedOnce) {
    EXPECT_FALSE(m_.CreatePanel(0, File("bad.gui", "4,0,0,1,1,1,a\r\n4,zz,0,1,1,2,b\r\n"), guiEvent_));
    EXPECT_TRUE(m_.Panels().empty());
    EXPECT_FALSE(m_.Visible());
    ASSERT_EQ(m_.Messages().size(), 1u);
    EXPECT_NE(m_.Messages()[0].find("bad.gui, line 2: 'zz'"), std::string::npos);
    std::string big;
    for (int i = 0; i < 4097; ++i) big += "4\r\n";
    EXPECT_FALSE(m_.CreatePanel(0, File("big.gui", big.c_str()), guiEvent_));
    EXPECT_EQ(m_.Messages().size(), 1u);
}

TEST_F(PanelModel, PropertiesReachTheLastControlWithTheId) {
    ASSERT_TRUE(m_.CreatePanel(0, File("p.gui", "0,0,0,1,1,5,first,0\r\n0,0,0,1,1,5,second,0\r\n"), guiEvent_));
    TReturnValue v;
    ASSERT_TRUE(m_.GetProperty(0, 5, 0, v));
    EXPECT_EQ(v.text, "second");
    TReturnValue caption;
    caption.SetString("new");
    EXPECT_TRUE(m_.SetProperty(0, 5, 0, caption));
    EXPECT_EQ(static_cast<TLabelObject&>(*m_.Panels()[0]->Objects()[0]).text, "first");
    EXPECT_FALSE(m_.SetProperty(0, 6, 0, caption));
    EXPECT_FALSE(m_.GetProperty(1, 5, 0, v));
}

TEST_F(PanelModel, AUserChangeIsReportedOnceAndSignalsTheEvent) {
    ASSERT_TRUE(m_.CreatePanel(0, File("p.gui", "2,0,0,1,1,1\r\n4,0,0,1,1,4294967295,B\r\n"), guiEvent_));
    TEditObject* bar = m_.Control(0, 1);
    TEditObject* button = m_.Control(0, -1); // the id 4294967295 as scripts write it
    ASSERT_TRUE(bar && button);
    EXPECT_FALSE(guiEvent_.IsSet());
    bar->NotifyChanged();
    bar->NotifyChanged();
    button->NotifyChanged();
    EXPECT_TRUE(guiEvent_.IsSet());
    EXPECT_TRUE(m_.HasChanged(0, 1));
    EXPECT_FALSE(m_.HasChanged(0, 1));
    EXPECT_TRUE(m_.HasChanged(0, -1));
    EXPECT_FALSE(m_.HasChanged(0, 2));
}

} // namespace
