// The panel functions loadgui, panelname, setproperty, getproperty, haschanged and
// waitguievent, which reach the run's runtime panel window through its TPanelHost.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// None of them raises a script error: a run without a panel window, a panel number outside
// 0..kLastPanel, an empty panel or an unknown control give the failure result 0.

std::span<const TBuiltin> GuiFunctionTable();

} // namespace NuvixParser
