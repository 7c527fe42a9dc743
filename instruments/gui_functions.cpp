// The panel functions: arguments read as 32-bit integers, the host's answer as -1 or 0.
#include "instruments/gui_functions.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "instruments/panel_host.h"
#include "instruments/run_context.h"

namespace NuvixParser {

namespace {

// The host, when the run has one and `panel` is a panel number it may be asked about.
TPanelHost* HostFor(const TCalcInfo& ci, int panel) {
    TPanelHost* host = PanelHostOf(ci);
    return host && IsPanelNumber(panel) ? host : nullptr;
}

long double Answer(bool ok) {
    return ok ? -1 : 0;
}

} // namespace

long double TLoadGui::Compute(TCalcInfo& ci) {
    const int panel = Value(0).GetInt();
    TPanelHost* host = HostFor(ci, panel);
    return Answer(host && host->CreatePanel(panel, Value(1).ToString(), ci.GuiEvent()));
}

long double TPanelName::Compute(TCalcInfo& ci) {
    const int panel = Value(0).GetInt();
    if (TPanelHost* host = HostFor(ci, panel)) host->NamePanel(panel, Value(1).ToString());
    return 0;
}

long double TSetProperty::Compute(TCalcInfo& ci) {
    const int panel = Value(0).GetInt();
    TPanelHost* host = HostFor(ci, panel);
    return Answer(host && host->SetProperty(panel, Value(1).GetInt(), Value(2).GetInt(), Value(3)));
}

void TGetProperty::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (!ci.error && got_.isString) result.SetString(std::move(got_.text));
}

long double TGetProperty::Compute(TCalcInfo& ci) {
    const int panel = Value(0).GetInt();
    TPanelHost* host = HostFor(ci, panel);
    got_ = TReturnValue(0); // the default a property without a value of its own gives
    if (!host || !host->GetProperty(panel, Value(1).GetInt(), Value(2).GetInt(), got_)) got_ = TReturnValue(0);
    return got_.isString ? 0 : got_.number;
}

long double THasChanged::Compute(TCalcInfo& ci) {
    const int panel = Value(0).GetInt();
    TPanelHost* host = HostFor(ci, panel);
    return Answer(host && host->HasChanged(panel, Value(1).GetInt()));
}

// The break event is listed first: a break ends the wait even when a change came with it,
// and leaves that change for no one (the run stops).
long double TWaitGuiEvent::Compute(TCalcInfo& ci) {
    const double timeout = Value(0).GetNumber();
    std::chrono::milliseconds limit(-1); // none
    if (timeout == 0) {
        if (TPanelHost* host = PanelHostOf(ci)) host->WaitingWithoutLimit();
    } else {
        // Truncated toward zero, so a fraction below 1 is a poll. A negative time (which
        // the original wait primitive would read as an enormous one) polls as well.
        limit = std::chrono::milliseconds(std::max<std::int32_t>(0, DoubleToInt32(timeout)));
    }
    switch (TEvent::WaitAny({&ci.BreakEvent(), &ci.GuiEvent()}, limit)) {
    case 0:
        ci.SetBreaked();
        return 0;
    case 1:
        return -1;
    default:
        return 0;
    }
}

namespace {

constexpr TFunctionTableEntry kGuiFunctions[] = {
    {"loadgui", &MakeFunction<TLoadGui>},         {"panelname", &MakeFunction<TPanelName>},
    {"setproperty", &MakeFunction<TSetProperty>}, {"getproperty", &MakeFunction<TGetProperty>},
    {"haschanged", &MakeFunction<THasChanged>},   {"waitguievent", &MakeFunction<TWaitGuiEvent>},
};

} // namespace

std::span<const TFunctionTableEntry> GuiFunctionTable() {
    return kGuiFunctions;
}

} // namespace NuvixParser
