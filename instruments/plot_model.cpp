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

// The extent of one coordinate over all points that its axis can show.
TDataExtent ExtentOf(const TPlotPanel& panel, std::vector<double> TPlotCurve::*values, bool logAxis) {
    TDataExtent extent;
    for (const auto& slot : panel.curves) {
        if (!slot) continue;
        for (double v : (*slot).*values)
            if (panel.Showable(v, logAxis)) extent.Add(v);
    }
    return extent;
}

// A range of one value is widened, by 0.5 either way, or half a decade on a logarithmic axis.
void RangeOf(const TDataExtent& e, bool logAxis, double& lo, double& hi) {
    lo = e.lo;
    hi = e.hi;
    if (lo != hi) return;
    if (logAxis) {
        lo /= std::sqrt(10.0);
        hi *= std::sqrt(10.0);
    } else {
        lo -= 0.5;
        hi += 0.5;
    }
}

} // namespace

void TPlotPanel::Rescale() {
    xData_ = ExtentOf(*this, &TPlotCurve::x, xLog);
    yData_ = ExtentOf(*this, &TPlotCurve::y, yLog);
    extentsValid_ = true;
    ApplyExtents();
}

void TPlotPanel::ApplyExtents() {
    if (autoScaleX && xData_.any) RangeOf(xData_, xLog, xMin, xMax);
    if (autoScaleY && yData_.any) RangeOf(yData_, yLog, yMin, yMax);
}

void TPlotPanel::AppendPoints(TPlotCurve& curve, std::span<const double> x, std::span<const double> y) {
    const std::size_t n = std::min(x.size(), y.size());
    curve.x.insert(curve.x.end(), x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
    curve.y.insert(curve.y.end(), y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
    if (!extentsValid_) return Rescale();
    for (std::size_t i = 0; i < n; ++i) {
        if (Showable(x[i], xLog)) xData_.Add(x[i]);
        if (Showable(y[i], yLog)) yData_.Add(y[i]);
    }
    ApplyExtents();
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

TPlotPanel* TPlotModel::PlottedPanelOf(int tab) {
    if (tab < 0 || tab > kLastTab) return nullptr;
    PanelOf(tab);
    std::unique_ptr<TPlotPanel>& panel = tabs_[tab].panel;
    if (!panel) panel = std::make_unique<TPlotPanel>();
    return panel.get();
}

TPlotCurve& TPlotModel::CurveOf(TPlotPanel& panel, std::uint16_t curve) {
    if (panel.curves.size() <= curve) panel.curves.resize(curve + std::size_t{1});
    std::optional<TPlotCurve>& slot = panel.curves[curve];
    if (!slot) {
        slot.emplace();
        slot->color = curve % kColors;
    }
    return *slot;
}

bool TPlotModel::Plot(TPlotData data) {
    TPlotPanel* panel = PlottedPanelOf(data.tab);
    if (!panel) return true;
    activeTab_ = data.tab;
    // Styles and the name set for a curve number survive a new plot of it.
    TPlotCurve& curve = CurveOf(*panel, data.curve);
    curve.x = std::move(data.x);
    curve.y = std::move(data.y);
    panel->Rescale();
    visible_ = true;
    return true;
}

int TPlotModel::Append(std::uint16_t tab, std::uint16_t curve, double x, double y) {
    return AppendPoints(tab, curve, std::span<const double>(&x, 1), std::span<const double>(&y, 1));
}

int TPlotModel::AppendPoints(std::uint16_t tab, std::uint16_t curve, std::span<const double> x,
                             std::span<const double> y) {
    TPlotPanel* panel = PlottedPanelOf(tab);
    if (!panel) return 0;
    activeTab_ = tab;
    TPlotCurve& c = CurveOf(*panel, curve);
    panel->AppendPoints(c, x, y);
    visible_ = true;
    return static_cast<int>(c.x.size());
}

int TPlotModel::PointCount(int tab, int curve) const {
    if (tab < 0 || tab >= static_cast<int>(tabs_.size()) || !tabs_[tab].panel) return 0;
    const auto& curves = tabs_[tab].panel->curves;
    if (curve < 0 || curve >= static_cast<int>(curves.size()) || !curves[curve]) return 0;
    return static_cast<int>(curves[curve]->x.size());
}

bool TPlotModel::SetLogAxes(int tab, bool x, bool y) {
    if (TPlotPanel* panel = PanelOf(tab)) {
        panel->xLog = x;
        panel->yLog = y;
        panel->Rescale();
    }
    return true;
}

bool TPlotModel::SetCurveName(std::uint16_t tab, std::uint16_t curve, std::string name) {
    if (TPlotPanel* panel = PlottedPanelOf(tab)) CurveOf(*panel, curve).name = std::move(name);
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
    panel->extentsValid_ = false;
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
