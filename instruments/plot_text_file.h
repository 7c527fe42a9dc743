// The "Save As Text" file of one plot: the curves' points side by side, one row per index.
#pragma once

#include <string>

#include "instruments/plot_model.h"

namespace NuvixParser {

// Row i lists, for every curve in slot order (empty slots skipped), its point i as x TAB y,
// or a single TAB where the curve has no point i; the curves are separated by one TAB.
// Rows end in CR LF; row 0 is always written. Numbers are written as %.10g in the C
// locale, with "+INF", "-INF", "+NAN" and "-NAN" for the special values.
std::string PlotText(const TPlotPanel& panel);

} // namespace NuvixParser
