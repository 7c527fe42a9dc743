// TPlotModel: tab bookkeeping and curve slots of the plot window.
#include "instruments/plot_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace NuvixParser {
namespace {

constexpr int kColors = 17;

void TrimEmptySlots(TPlotPanel& panel) {
    while (!panel.curves.empty() && !panel.curves.back()) panel.curves.pop_back();
}

// The smallest and largest finite value of one coordinate over all points; false when
// there is none.
bool FiniteRange(const TPlotPanel& panel, std::vector<double> TPlotCurve::*values, double& lo, double& hi) {
    lo = std::numeric_limits<double>::max();
    hi = -std::numeric_limits<double>::max();
    bool any = false;
    for (const auto& slot : panel.curves) {
        if (!slot) continue;
        for (double v : (*slot).*values) {
            if (!std::isfinite(v)) continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            any = true;
        }
    }
    if (any && lo == hi) {
        lo -= 0.5;
        hi += 0.5;
    }
    return any;
}

} // namespace

void TPlotPanel::Rescale() {
    double lo, hi;
    if (autoScaleX && FiniteRange(*this, &TPlotCurve::x, lo, hi)) xMin = lo, xMax = hi;
    if (autoScaleY && FiniteRange(*this, &TPlotCurve::y, lo, hi)) yMin = lo, yMax = hi;
}

void TPlotPanel::SetXRange(double a, double b) {
    xMin = std::min(a, b);
    xMax = std::max(a, b);
}

void TPlotPanel::SetYRange(double a, double b) {
    yMin = std::min(a, b);
    yMax = std::max(a, b);
}

TPlotPanel* TPlotModel::PanelOf(int tab) {
    if (tab < 0 || tab > kLastTab) return nullptr;
    while (static_cast<int>(tabs_.size()) <= tab)
        tabs_.push_back({"Plot " + std::to_string(tabs_.size() + 1), std::make_unique<TPlotPanel>()});
    return tabs_[tab].panel.get();
}

bool TPlotModel::Plot(TPlotData data) {
    if (data.tab > kLastTab) return true;
    PanelOf(data.tab);
    std::unique_ptr<TPlotPanel>& panel = tabs_[data.tab].panel;
    if (!panel) panel = std::make_unique<TPlotPanel>();
    activeTab_ = data.tab;

    TPlotCurve curve;
    curve.x = std::move(data.x);
    curve.y = std::move(data.y);
    curve.color = data.curve % kColors;
    if (data.curve < panel->curves.size() && panel->curves[data.curve]) {
        // Styles set for a curve number survive a new plot of it.
        const TPlotCurve& old = *panel->curves[data.curve];
        curve.color = old.color;
        curve.thickness = old.thickness;
        curve.connected = old.connected;
    }
    if (panel->curves.size() <= data.curve) panel->curves.resize(data.curve + std::size_t{1});
    panel->curves[data.curve] = std::move(curve);
    TrimEmptySlots(*panel);
    panel->Rescale();
    visible_ = true;
    return true;
}

int TPlotModel::CurveCount(int tab) {
    const TPlotPanel* panel = PanelOf(tab);
    return panel ? static_cast<int>(panel->curves.size()) : 0;
}

bool TPlotModel::ClearCurve(int tab, int curve) {
    TPlotPanel* panel = PanelOf(tab);
    if (!panel || curve < 0 || curve >= static_cast<int>(panel->curves.size())) return true;
    panel->curves[curve].reset();
    TrimEmptySlots(*panel); // the ranges stay until the next rescale
    return true;
}

void TPlotModel::RemovePanel(int tab) {
    if (!PanelOf(tab)) return;
    tabs_[tab].panel.reset();
    // A page in the middle stays as an empty page; trailing empty pages go.
    while (!tabs_.empty() && !tabs_.back().panel) tabs_.pop_back();
    if (activeTab_ >= static_cast<int>(tabs_.size())) activeTab_ = static_cast<int>(tabs_.size()) - 1;
}

bool TPlotModel::ClearTab(int tab) {
    RemovePanel(tab);
    return true;
}

bool TPlotModel::ClearAll() {
    for (int tab = static_cast<int>(tabs_.size()) - 1; tab >= 0; --tab) RemovePanel(tab);
    tabs_.clear(); // pages left without a plot go too
    activeTab_ = -1;
    return true;
}

void TPlotModel::Hide() {
    ClearAll();
    visible_ = false;
}

bool TPlotModel::SetTitle(int tab, std::string title) {
    if (tab >= 0 && tab < static_cast<int>(tabs_.size())) tabs_[tab].caption = std::move(title);
    return true;
}

bool TPlotModel::SetAxisLabels(int tab, std::string x, std::string y) {
    if (TPlotPanel* panel = PanelOf(tab)) {
        panel->xLabel = std::move(x);
        panel->yLabel = std::move(y);
    }
    return true;
}

bool TPlotModel::SetCurveStyle(std::uint16_t tab, std::uint16_t curve, std::uint8_t color, bool connected,
                               std::uint8_t thickness) {
    TPlotPanel* panel = PanelOf(tab);
    if (!panel || curve >= panel->curves.size() || !panel->curves[curve]) return true;
    TPlotCurve& c = *panel->curves[curve];
    c.color = color % kColors;
    c.connected = connected;
    c.thickness = thickness;
    return true;
}

bool TPlotModel::SetView(int tab, double minX, double minY, double maxX, double maxY) {
    if (TPlotPanel* panel = PanelOf(tab)) {
        panel->SetXRange(minX, maxX);
        panel->SetYRange(minY, maxY);
    }
    return true;
}

bool TPlotModel::SetAutoScale(int tab, bool x, bool y) {
    if (TPlotPanel* panel = PanelOf(tab)) {
        panel->autoScaleX = x;
        panel->autoScaleY = y;
        panel->Rescale();
    }
    return true;
}

} // namespace NuvixParser
