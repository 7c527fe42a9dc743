// TCalcInfo: the run record.
#include "engine/calc_info.h"

namespace NuvixParser {

TCalcInfo::TCalcInfo() : overflowFlag_(&ownOverflow_), breakFlag_(&ownBreak_) {
    // One group, so that a wait for the GUI event also wakes on a break.
    auto group = std::make_shared<TEventGroup>();
    ownBreakEvent_ = std::make_unique<TEvent>(true, group);
    ownGuiEvent_ = std::make_unique<TEvent>(false, group);
    breakEvent_ = ownBreakEvent_.get();
    guiEvent_ = ownGuiEvent_.get();
}

TCalcInfo::TCalcInfo(TCalcInfo& parent, PrivateTag)
    : context(parent.context), overflowFlag_(parent.overflowFlag_), breakFlag_(parent.breakFlag_),
      breakEvent_(parent.breakEvent_), guiEvent_(parent.guiEvent_) {}

void TCalcInfo::SetBreaked() {
    SetError("Breaked");
}

void TCalcInfo::Reset() {
    error = false;
    endedInStackOverflow = false;
    errorMessage.clear();
    *overflowFlag_ = false;
    breakFlag_->store(false, std::memory_order_relaxed);
    breakEvent_->Reset();
}

void TCalcInfo::RequestBreak() {
    breakFlag_->store(true, std::memory_order_relaxed);
    breakEvent_->Set();
}

} // namespace NuvixParser
