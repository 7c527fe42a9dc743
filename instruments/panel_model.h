// TPanelModel: the runtime panel window's panels and tabs as plain data, with real controls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "instruments/panel_host.h"
#include "instruments/panels/runtime_panel.h"

namespace NuvixParser {

// Panels numbered from 0, each on the tab of its number; tabs are made up to the highest
// number used and captioned "Panel " + (number + 1) unless named. The panels hold the
// controls of their GUI files with their property rules; nothing draws them, so a test
// plays the user by changing a control (Control(...)->NotifyChanged()).
class TPanelModel final : public TPanelHost {
public:
    bool CreatePanel(int panel, std::string fileName, TEvent& guiEvent) override;
    void CloseAll() override;
    void NamePanel(int panel, std::string name) override;
    bool SetProperty(int panel, int control, int property, const TReturnValue& value) override;
    bool GetProperty(int panel, int control, int property, TReturnValue& value) override;
    bool HasChanged(int panel, int control) override;

    // Entry n holds panel n, or none; the list keeps its length when panels close.
    const std::vector<std::unique_ptr<TRuntimePanel>>& Panels() const { return panels_; }
    const std::vector<std::string>& TabCaptions() const { return tabs_; }
    bool Visible() const { return visible_; }
    int ActiveTab() const { return activeTab_; }
    // Whether the tab strip shows: not for a lone panel.
    bool TabStripShown() const { return panels_.size() != 1; }
    // What the window would have told the user (a GUI file with a bad number).
    const std::vector<std::string>& Messages() const { return messages_; }
    // The control as scripts know it, or none.
    TEditObject* Control(int panel, int control) const;

private:
    TRuntimePanel* PanelAt(int panel) const;
    void MakeTabsUpTo(int panel);

    std::vector<std::unique_ptr<TRuntimePanel>> panels_;
    std::vector<std::string> tabs_;
    std::vector<std::string> messages_;
    int activeTab_ = -1;
    bool visible_ = false;
};

} // namespace NuvixParser
