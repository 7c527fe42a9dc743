// The panel functions: arguments read as 32-bit integers, the host's answer as -1 or 0.
#include "instruments/gui_functions.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "engine/builtin_call.h"
#include "instruments/panel_host.h"
#include "instruments/run_context.h"

namespace NuvixParser {
namespace {

// The host, when the run has one and `panel` is a panel number it may be asked about.
TPanelHost* HostFor(const TCalcInfo& ci, int panel) {
    TPanelHost* host = PanelHostOf(ci);
    return host && IsPanelNumber(panel) ? host : nullptr;
}

double Answer(bool ok) {
    return ok ? -1 : 0;
}

double LoadGui(TBuiltinCall& f, TCalcInfo& ci) {
    const int panel = f.Value(0).GetInt();
    TPanelHost* host = HostFor(ci, panel);
    return Answer(host && host->CreatePanel(panel, f.Value(1).ToString(), ci.GuiEvent()));
}

double PanelName(TBuiltinCall& f, TCalcInfo& ci) {
    const int panel = f.Value(0).GetInt();
    if (TPanelHost* host = HostFor(ci, panel)) host->NamePanel(panel, f.Value(1).ToString());
    return 0;
}

double SetProperty(TBuiltinCall& f, TCalcInfo& ci) {
    const int panel = f.Value(0).GetInt();
    TPanelHost* host = HostFor(ci, panel);
    return Answer(host && host->SetProperty(panel, f.Value(1).GetInt(), f.Value(2).GetInt(), f.Value(3)));
}

// The value is a number or a text, as the property is.
void GetProperty(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    const int panel = f.Value(0).GetInt();
    TPanelHost* host = HostFor(ci, panel);
    result = TReturnValue(0); // the default a property without a value of its own gives
    if (!host || !host->GetProperty(panel, f.Value(1).GetInt(), f.Value(2).GetInt(), result)) result = TReturnValue(0);
}

double HasChanged(TBuiltinCall& f, TCalcInfo& ci) {
    const int panel = f.Value(0).GetInt();
    TPanelHost* host = HostFor(ci, panel);
    return Answer(host && host->HasChanged(panel, f.Value(1).GetInt()));
}

// The break event is listed first: a break ends the wait even when a change came with it,
// and leaves that change for no one (the run stops).
double WaitGuiEvent(TBuiltinCall& f, TCalcInfo& ci) {
    const double timeout = f.Value(0).GetNumber();
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

constexpr TBuiltin kGuiFunctions[] = {
    {.name = "loadgui",
     .params = "ns",
     .paramText = "panel;name",
     .description = "This loads the GUI file <name>, made with the GUI editor or by another program, as panel "
                    "number <panel> (0 to 99) and shows it in the controls window. A panel with the same number "
                    "is replaced. Returns -1 if the panel was created, else 0.",
     .example = "loadgui(0;'c:\\mygui.gui')",
     .explanation = "This shows the controls of the file c:\\mygui.gui as panel 0.",
     .seeAlso = "panelname",
     .number = LoadGui},
    {.name = "panelname",
     .params = "ns",
     .paramText = "panel;name",
     .description = "This sets the name of panel <panel> to <name>.",
     .example = "panelname(0;'My Controls'),\nloadgui(0;'c:\\mygui.gui')",
     .explanation = "This sets the name of panel 0 to 'My Controls' and then loads a GUI file into panel 0.",
     .seeAlso = "loadgui",
     .number = PanelName},
    {.name = "setproperty",
     .params = "nnnv",
     .paramText = "panel;control;id;val",
     .description = "This sets property <id> of the control with the id <control> in panel <panel> to <val> and "
                    "returns -1 on success, else 0. Properties: label and display: 0 caption, 1 alignment "
                    "(0 left, 1 centre, 2 right); scroll bar: 0 value, 1 minimum, 2 maximum, 3 page size, "
                    "4 line size; edit field: 0 text, 1 alignment; button: 0 caption; check box: 0 caption, "
                    "1 checked (not 0) or unchecked (0).",
     .example = "setproperty(0;23;0;'Hello')",
     .explanation = "This sets the caption of control 23 in panel 0 to 'Hello'.",
     .seeAlso = "getproperty",
     .number = SetProperty},
    {.name = "getproperty",
     .params = "nnn",
     .paramText = "panel;control;id",
     .description = "This returns property <id> of the control with the id <control> in panel <panel>, or 0 "
                    "if there is no such control or property. The ids are those of setproperty; besides, "
                    "property 1 of a button is 1 while it is held down, else 0, and property 1 of a check box "
                    "is -1 when it is checked, else 0.",
     .example = "getproperty(0;23;0)",
     .explanation = "This returns the caption, text or value of control 23 in panel 0.",
     .seeAlso = "setproperty",
     .value = GetProperty},
    {.name = "haschanged",
     .params = "nn",
     .paramText = "panel;control",
     .description = "This returns -1 if the user changed the control with the id <control> in panel <panel> "
                    "since the last call that said so, else 0.",
     .example = "if(haschanged(0;23); getproperty(0;23;1); -1)",
     .explanation = "This returns property 1 of control 23 in panel 0 if the user changed it, else -1.",
     .seeAlso = "waitguievent",
     .number = HasChanged},
    {.name = "waitguievent",
     .params = "n",
     .paramText = "timeout",
     .description = "This waits until the user changes a control of a panel or <timeout> ms have passed; a "
                    "timeout of 0 waits without limit. Returns -1 after a change, 0 after the timeout. "
                    "Several changes before the wait end one wait.",
     .example = "while(1;\n if(waitguievent(0);\n  if(haschanged(0;5); println('Changed.'); 0);\n  0)\n)",
     .explanation = "This waits for user actions for ever and prints 'Changed.' whenever control 5 of panel 0 "
                    "has changed.",
     .seeAlso = "haschanged",
     .number = WaitGuiEvent},
};

} // namespace

std::span<const TBuiltin> GuiFunctionTable() {
    return kGuiFunctions;
}

} // namespace NuvixParser
