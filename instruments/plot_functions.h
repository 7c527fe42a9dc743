// The twelve plot functions: curves, tabs, titles, axes, views and curve styles of the
// run's plot window.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// The most points one plot or plotxy call hands over. Two arrays of this many doubles are
// 2 GiB; a count beyond it ends the run with an error instead of exhausting memory.
constexpr std::int64_t kMaxPlotPoints = std::int64_t{1} << 27;

// The pause after plot, plotxy, plotview and plotautoscale: it gives the window's thread
// time to handle and draw the call before a fast loop makes the next one.
constexpr std::chrono::milliseconds kPlotPause{10};

// plot, plotxy, plottabs, plotcurvecount, plottitle, plotcleartab, plotcleartabs,
// plotclearcurve, plotaxis, plotview, plotautoscale, plotcurveparms, in this order.
std::span<const TBuiltin> PlotFunctionTable();

} // namespace NuvixParser
