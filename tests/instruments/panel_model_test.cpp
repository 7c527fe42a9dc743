// TPanelModel: panels on numbered tabs, captions, closing at the end of a run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/event.h"
#include "instruments/panel_model.h"

namespace {

using NuvixParser::TPanelModel;

TEST(PanelModel, APanelMakesTheTabsUpToItsNumber) {
    NuvixParser::TEvent guiEvent(false);
    TPanelModel m;
    EXPECT_TRUE(m.CreatePanel(2, "motor.gui", guiEvent));
    EXPECT_EQ(m.TabCaptions(), (std::vector<std::string>{"Panel 1", "Panel 2", "Panel 3"}));
    ASSERT_EQ(m.Panels().size(), 3u);
    EXPECT_FALSE(m.Panels()[0].has_value());
    EXPECT_EQ(m.Panels()[2]->fileName, "motor.gui");
    EXPECT_EQ(m.Panels()[2]->guiEvent, &guiEvent);
    EXPECT_EQ(m.ActiveTab(), 2);
    EXPECT_TRUE(m.Visible());
    // Loading the same number again replaces the panel.
    EXPECT_TRUE(m.CreatePanel(2, "other.gui", guiEvent));
    EXPECT_EQ(m.Panels()[2]->fileName, "other.gui");
    EXPECT_EQ(m.TabCaptions().size(), 3u);
}

TEST(PanelModel, ANamedTabKeepsItsNameWhenItsPanelIsLoaded) {
    NuvixParser::TEvent guiEvent(false);
    TPanelModel m;
    m.NamePanel(0, "Motor");
    EXPECT_FALSE(m.Visible()); // naming shows nothing
    m.CreatePanel(0, "motor.gui", guiEvent);
    EXPECT_EQ(m.TabCaptions(), std::vector<std::string>{"Motor"});
}

TEST(PanelModel, CloseAllEmptiesTheListButKeepsItsLength) {
    NuvixParser::TEvent guiEvent(false);
    TPanelModel m;
    m.CreatePanel(1, "a.gui", guiEvent);
    m.CloseAll();
    EXPECT_FALSE(m.Visible());
    EXPECT_TRUE(m.TabCaptions().empty());
    ASSERT_EQ(m.Panels().size(), 2u);
    EXPECT_FALSE(m.Panels()[1].has_value());
}

TEST(PanelModel, RefusesNumbersOutsideThePanelRange) {
    NuvixParser::TEvent guiEvent(false);
    TPanelModel m;
    EXPECT_FALSE(m.CreatePanel(-1, "a.gui", guiEvent));
    EXPECT_FALSE(m.CreatePanel(TPanelModel::kLastPanel + 1, "a.gui", guiEvent));
    m.NamePanel(-5, "x");
    m.NamePanel(1 << 30, "x");
    EXPECT_TRUE(m.Panels().empty());
    EXPECT_TRUE(m.TabCaptions().empty());
    EXPECT_TRUE(m.CreatePanel(TPanelModel::kLastPanel, "a.gui", guiEvent));
}

} // namespace
