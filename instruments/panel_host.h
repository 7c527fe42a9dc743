// TPanelHost: the runtime control panel window as the calculation thread sees it.
#pragma once

#include <string>

#include "engine/return_value.h"

namespace NuvixParser {

class TEvent;

// Panels are numbered 0..kLastPanel. Other numbers are refused before any host sees them,
// so a script can neither reach outside the panel list nor make it grow without bound.
constexpr int kLastPanel = 99;
constexpr bool IsPanelNumber(int panel) {
    return panel >= 0 && panel <= kLastPanel;
}

// The panel functions call these on the calculation thread; every call waits until the
// window has handled it, so a value on the caller's stack stays valid and the controls
// are only ever touched by the window's thread. Unknown panels or controls are answered
// with false, never an error.
class TPanelHost {
public:
    virtual ~TPanelHost() = default;

    // Loads a GUI file as panel `panel`, replacing a panel of that number, and shows it.
    // User changes to its controls signal `guiEvent` (the run's, which outlives the panel).
    virtual bool CreatePanel(int panel, std::string fileName, TEvent& guiEvent) = 0;
    // Destroys every panel and hides the window (at the end of every run).
    virtual void CloseAll() = 0;
    // The caption of panel `panel`'s tab, creating the tabs up to it.
    virtual void NamePanel(int panel, std::string name) = 0;
    virtual bool SetProperty(int panel, int control, int property, const TReturnValue& value) = 0;
    virtual bool GetProperty(int panel, int control, int property, TReturnValue& value) = 0;
    // Whether the user changed the control since the last time this answered true.
    virtual bool HasChanged(int panel, int control) = 0;
    // Told before waitguievent waits without a time limit. A host that shows no panels
    // says here (once) that no event can come; the wait still ends on a break.
    virtual void WaitingWithoutLimit() {}
};

} // namespace NuvixParser
