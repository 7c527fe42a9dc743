// TPanelModel: panel list and tab bookkeeping of the runtime panel window.
#include "instruments/panel_model.h"

namespace NuvixParser {

void TPanelModel::MakeTabsUpTo(int panel) {
    while (static_cast<int>(tabs_.size()) <= panel) tabs_.push_back("Panel " + std::to_string(tabs_.size() + 1));
}

bool TPanelModel::CreatePanel(int panel, std::string fileName, TEvent& guiEvent) {
    if (panel < 0 || panel > kLastPanel) return false;
    if (static_cast<int>(panels_.size()) <= panel) panels_.resize(panel + std::size_t{1});
    panels_[panel] = TRuntimePanel{std::move(fileName), &guiEvent};
    MakeTabsUpTo(panel);
    activeTab_ = panel;
    visible_ = true;
    return true;
}

void TPanelModel::CloseAll() {
    for (auto& p : panels_) p.reset();
    tabs_.clear();
    activeTab_ = -1;
    visible_ = false;
}

void TPanelModel::NamePanel(int panel, std::string name) {
    if (panel < 0 || panel > kLastPanel) return;
    MakeTabsUpTo(panel);
    tabs_[panel] = std::move(name);
}

bool TPanelModel::SetProperty(int, int, int, const TReturnValue&) {
    return false;
}

bool TPanelModel::GetProperty(int, int, int, TReturnValue&) {
    return false;
}

bool TPanelModel::HasChanged(int, int) {
    return false;
}

} // namespace NuvixParser
