// TPlotCallQueue: folding waiting plot calls, and applying them to the window's model.
#include "instruments/plot_call_queue.h"

#include <span>
#include <utility>

#include "instruments/plot_model.h"

namespace NuvixParser {
namespace {

// How far back a new call looks for its curve's waiting data: the queue holds one data
// entry per curve between other calls, so a longer look would only cost time.
constexpr std::size_t kFoldReach = 64;

} // namespace

TPlotCallQueue::TEntry* TPlotCallQueue::FoldTarget(std::uint16_t tab, std::uint16_t curve) {
    std::size_t looked = 0;
    for (auto it = entries_.rbegin(); it != entries_.rend() && looked < kFoldReach; ++it, ++looked) {
        if (it->kind == TKind::Other) return nullptr;
        if (it->data.tab == tab && it->data.curve == curve) return &*it;
    }
    return nullptr;
}

bool TPlotCallQueue::Requested() {
    const bool ask = !drainRequested_;
    drainRequested_ = true;
    return ask;
}

bool TPlotCallQueue::PushPlot(TPlotData data) {
    std::lock_guard lock(mutex_);
    if (TEntry* waiting = FoldTarget(data.tab, data.curve)) {
        // Replaces the waiting curve, and any points appended to it: none was drawn yet.
        waiting->kind = TKind::Plot;
        waiting->data = std::move(data);
    } else {
        entries_.push_back({TKind::Plot, std::move(data), {}});
    }
    return Requested();
}

bool TPlotCallQueue::PushAppend(std::uint16_t tab, std::uint16_t curve, double x, double y) {
    std::lock_guard lock(mutex_);
    TEntry* waiting = FoldTarget(tab, curve);
    if (!waiting) {
        entries_.push_back({TKind::Append, TPlotData{tab, curve, {}, {}}, {}});
        waiting = &entries_.back();
    }
    // Added to a waiting curve or to the points waiting for it alike.
    waiting->data.x.push_back(x);
    waiting->data.y.push_back(y);
    return Requested();
}

bool TPlotCallQueue::PushOther(TOperation operation) {
    std::lock_guard lock(mutex_);
    entries_.push_back({TKind::Other, {}, std::move(operation)});
    return Requested();
}

TPlotCallQueue::TDrained TPlotCallQueue::Drain(TPlotModel& model) {
    std::vector<TEntry> entries;
    {
        std::lock_guard lock(mutex_);
        entries.swap(entries_);
        drainRequested_ = false; // calls from now on ask again
    }
    TDrained drained;
    for (TEntry& e : entries) {
        ++drained.calls;
        switch (e.kind) {
        case TKind::Plot:
            drained.plotted = true;
            model.Plot(std::move(e.data));
            break;
        case TKind::Append:
            drained.plotted = true;
            model.AppendPoints(e.data.tab, e.data.curve, std::span<const double>(e.data.x),
                               std::span<const double>(e.data.y));
            break;
        case TKind::Other:
            e.operation(model);
            break;
        }
    }
    return drained;
}

} // namespace NuvixParser
