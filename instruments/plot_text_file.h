// The "Save As Text" file of one plot: the curves' points side by side, one row per index.
#pragma once

#include <string>

#include "instruments/plot_model.h"

namespace NuvixParser {

// Row i lists, for every curve in slot order (empty slots skipped), its point i as x TAB y,
// or a single TAB where the curve has no point i; the curves are separated by one TAB.
// Rows end in CR LF; row 0 is always written. Numbers are written as %.10g in the C
// locale, with "+INF", "-INF", "+NAN" and "-NAN" for the special values. When any curve
// has a name, a header row comes first: per curve "x<k>" and its name (or "y<k>"), k
// counting the curves written from 1; otherwise the file holds the data alone.
std::string PlotText(const TPlotPanel& panel);
// The same table as comma-separated values, always with the header row (x1,y1,x2,y2,...,
// a named curve's y column under its name); names holding a comma, a quote or a line
// break are quoted. Missing points are empty fields.
std::string PlotCsv(const TPlotPanel& panel);

} // namespace NuvixParser
