// The plot functions: curves, tabs, titles, axes, views, scales, curve styles and names of
// the run's plot window.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "engine/function_registry.h"

namespace NuvixParser {

// The most points one plot or plotxy call hands over. Two arrays of this many doubles are
// 2 GiB; a count beyond it ends the run with an error instead of exhausting memory.
constexpr std::int64_t kMaxPlotPoints = std::int64_t{1} << 27;

// The pause after plotview, plotautoscale and plotlog. plot and plotxy do not pause: the
// window draws a curve replaced again before it was drawn only once, so a measuring loop
// that replots runs at its own pace.
constexpr std::chrono::milliseconds kPlotPause{10};

// plot, plotxy, plottabs, plotcurvecount, plottitle, plotcleartab, plotcleartabs,
// plotclearcurve, plotaxis, plotview, plotautoscale, plotcurveparms, plotlog,
// plotcurvename, plotappend, in this order.
std::span<const TFunctionTableEntry> PlotFunctionTable();

} // namespace NuvixParser
