// TPanelModel: the runtime panel window's panels and tabs as plain data; the runner's panel host.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "instruments/panel_host.h"

namespace NuvixParser {

struct TRuntimePanel {
    std::string fileName;
    TEvent* guiEvent = nullptr; // the run's; signalled by user changes
};

// Panels numbered from 0, each on the tab of its number; tabs are made up to the highest
// number used and captioned "Panel " + (number + 1) unless named. A panel without a
// screen has no user to change its controls: properties and changes are answered as for
// a control that does not exist.
class TPanelModel final : public TPanelHost {
public:
    // Panel numbers above this are refused, so a script cannot make the lists grow without
    // bound.
    static constexpr int kLastPanel = 1023;

    bool CreatePanel(int panel, std::string fileName, TEvent& guiEvent) override;
    void CloseAll() override;
    void NamePanel(int panel, std::string name) override;
    bool SetProperty(int panel, int control, int property, const TReturnValue& value) override;
    bool GetProperty(int panel, int control, int property, TReturnValue& value) override;
    bool HasChanged(int panel, int control) override;

    // Entry n holds panel n, or none; the list keeps its length when panels close.
    const std::vector<std::optional<TRuntimePanel>>& Panels() const { return panels_; }
    const std::vector<std::string>& TabCaptions() const { return tabs_; }
    bool Visible() const { return visible_; }
    int ActiveTab() const { return activeTab_; }

private:
    void MakeTabsUpTo(int panel);

    std::vector<std::optional<TRuntimePanel>> panels_;
    std::vector<std::string> tabs_;
    int activeTab_ = -1;
    bool visible_ = false;
};

} // namespace NuvixParser
