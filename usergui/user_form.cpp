// TUserForm: loading a panel, realising its objects and the property calls of scripts.
#include "usergui/user_form.h"

#include <QFrame>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "usergui/live_control.h"

namespace NuvixUserGui {

using namespace NuvixParser;

TUserForm::TUserForm(std::string fileName, TEvent* guiEvent, QWidget* parent)
    : QWidget(parent), panel_(std::move(fileName), guiEvent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    drawArea_ = new QWidget;
    drawArea_->setObjectName(QStringLiteral("drawArea"));
    scroll_->setWidget(drawArea_);
    layout->addWidget(scroll_);
}

// The live controls go with the draw area, before the objects they point to.
TUserForm::~TUserForm() {
    delete scroll_;
}

TGuiLoadResult TUserForm::Load() {
    for (auto& [object, live] : live_) delete live;
    live_.clear();
    const TGuiLoadResult result = panel_.Load();
    FitDrawArea();
    return result;
}

void TUserForm::EnterRuntime() {
    state_ = TState::Runtime;
    RealiseAll();
}

void TUserForm::RealiseAll() {
    for (const TEditObjectPtr& object : panel_.Objects()) {
        TLiveControl*& live = live_[object.get()];
        if (live) {
            live->Apply();
            live->PlaceOnGrid();
        } else {
            live = Realise(*object, drawArea_);
        }
    }
}

// The draw area covers every object, so the scroll area can reach each of them, and at
// least the visible part.
void TUserForm::FitDrawArea() {
    QRect all;
    for (const TEditObjectPtr& object : panel_.Objects()) all |= PixelRect(object->rect);
    drawArea_->setMinimumSize(std::max(all.right() + 1, 0), std::max(all.bottom() + 1, 0));
}

TLiveControl* TUserForm::LiveControl(const TEditObject& object) const {
    const auto it = live_.find(&object);
    return it == live_.end() ? nullptr : it->second;
}

bool TUserForm::SetProperty(int control, int property, const TReturnValue& value) {
    TEditObject* object = panel_.Find(control);
    if (!object) return false;
    const bool ok = object->SetProperty(property, value);
    // Also after a refused value: the object keeps what the script set, the screen keeps
    // what it can show.
    if (TLiveControl* live = LiveControl(*object)) live->Apply();
    return ok;
}

bool TUserForm::GetProperty(int control, int property, TReturnValue& value) const {
    return panel_.GetProperty(control, property, value);
}

bool TUserForm::HasChanged(int control) {
    return panel_.HasChanged(control);
}

} // namespace NuvixUserGui
