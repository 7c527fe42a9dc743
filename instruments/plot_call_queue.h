// TPlotCallQueue: the plot calls of a calculation thread waiting for the window's thread,
// with replacements and appends of one curve folded together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "instruments/plot_window.h"

namespace NuvixParser {

class TPlotModel;

// A loop that replots a curve faster than the window draws must not queue a copy per call
// for the window to work through: a new curve replaces the one still waiting for the same
// curve number, and appended points join the waiting data of their curve, as long as only
// data of other curves was queued in between (any other call keeps its place in the order).
// The window then applies whatever waits in one go and draws once.
class TPlotCallQueue {
public:
    using TOperation = std::function<void(TPlotModel&)>;

    // Each answers whether the window must be asked to drain: true for the first call
    // after a drain began, false while an earlier request is still outstanding.
    bool PushPlot(TPlotData data);
    bool PushAppend(std::uint16_t tab, std::uint16_t curve, double x, double y);
    bool PushOther(TOperation operation);

    struct TDrained {
        std::size_t calls = 0; // the calls applied, after folding
        bool plotted = false;  // a curve was plotted or appended to
    };
    // The window's thread: applies everything waiting, in order.
    TDrained Drain(TPlotModel& model);

private:
    enum class TKind { Plot, Append, Other };
    struct TEntry {
        TKind kind;
        TPlotData data; // Plot: the curve; Append: the points to add
        TOperation operation;
    };
    // The waiting data entry of this curve that a new call may fold into; none when a call
    // other than curve data came after it.
    TEntry* FoldTarget(std::uint16_t tab, std::uint16_t curve);
    bool Requested();

    std::mutex mutex_;
    std::vector<TEntry> entries_;
    bool drainRequested_ = false;
};

} // namespace NuvixParser
