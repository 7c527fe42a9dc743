// TPanelModel: panel list and tab bookkeeping of the runtime panel window.
#include "instruments/panel_model.h"

namespace NuvixParser {

void TPanelModel::MakeTabsUpTo(int panel) {
    while (static_cast<int>(tabs_.size()) <= panel) tabs_.push_back("Panel " + std::to_string(tabs_.size() + 1));
}

TRuntimePanel* TPanelModel::PanelAt(int panel) const {
    if (!IsPanelNumber(panel) || panel >= static_cast<int>(panels_.size())) return nullptr;
    return panels_[panel].get();
}

bool TPanelModel::CreatePanel(int panel, std::string fileName, TEvent& guiEvent) {
    if (!IsPanelNumber(panel)) return false;
    auto created = std::make_unique<TRuntimePanel>(std::move(fileName), &guiEvent);
    const TGuiLoadResult loaded = created->Load();
    if (loaded.status == TGuiLoadStatus::BadNumber) messages_.push_back(loaded.message);
    if (!loaded.Ok()) return false;
    if (static_cast<int>(panels_.size()) <= panel) panels_.resize(panel + std::size_t{1});
    panels_[panel] = std::move(created);
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
    if (!IsPanelNumber(panel)) return;
    MakeTabsUpTo(panel);
    tabs_[panel] = std::move(name);
}

bool TPanelModel::SetProperty(int panel, int control, int property, const TReturnValue& value) {
    TRuntimePanel* p = PanelAt(panel);
    return p && p->SetProperty(control, property, value);
}

bool TPanelModel::GetProperty(int panel, int control, int property, TReturnValue& value) {
    const TRuntimePanel* p = PanelAt(panel);
    return p && p->GetProperty(control, property, value);
}

bool TPanelModel::HasChanged(int panel, int control) {
    TRuntimePanel* p = PanelAt(panel);
    return p && p->HasChanged(control);
}

TEditObject* TPanelModel::Control(int panel, int control) const {
    const TRuntimePanel* p = PanelAt(panel);
    return p ? p->Find(control) : nullptr;
}

} // namespace NuvixParser
