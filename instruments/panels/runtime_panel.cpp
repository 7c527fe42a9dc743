// TRuntimePanel: loading, the id index and the change notification of a runtime panel.
#include "instruments/panels/runtime_panel.h"

#include "engine/event.h"

namespace NuvixParser {

TRuntimePanel::TRuntimePanel(std::string fileName, TEvent* guiEvent)
    : fileName_(std::move(fileName)), guiEvent_(guiEvent) {}

TGuiLoadResult TRuntimePanel::Load() {
    const TGuiLoadResult result = LoadObjects(fileName_, objects_);
    Reindex();
    return result;
}

void TRuntimePanel::Reindex() {
    byId_.clear();
    for (const TEditObjectPtr& object : objects_) {
        byId_[object->id] = object.get(); // a later object with the same id wins
        object->SetChanged(false);
        object->SetChangeHook([event = guiEvent_](TEditObject& changed) {
            changed.SetChanged(true);
            if (event) event->Set();
        });
    }
}

TEditObject* TRuntimePanel::Find(std::int32_t control) const {
    const auto it = byId_.find(static_cast<std::uint32_t>(control));
    return it == byId_.end() ? nullptr : it->second;
}

bool TRuntimePanel::SetProperty(std::int32_t control, int id, const TReturnValue& value) {
    TEditObject* object = Find(control);
    return object && object->SetProperty(id, value);
}

bool TRuntimePanel::GetProperty(std::int32_t control, int id, TReturnValue& value) const {
    const TEditObject* object = Find(control);
    return object && object->GetProperty(id, value);
}

bool TRuntimePanel::HasChanged(std::int32_t control) {
    TEditObject* object = Find(control);
    return object && object->TakeChanged();
}

} // namespace NuvixParser
