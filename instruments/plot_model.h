// TPlotModel: the plot window's tabs and curves as plain data; the runner's plot window.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "instruments/plot_window.h"

namespace NuvixParser {

struct TPlotCurve {
    std::vector<double> x, y;
    int color = 0; // a number 0 to 16 of the colour table
    int thickness = 2;
    bool connected = true;
    std::string name{}; // shown in the legend when not empty
};

// The smallest and largest value of one coordinate that an axis can show.
struct TDataExtent {
    double lo = 0, hi = 0;
    bool any = false;
    void Add(double v) {
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
    }
};

// The plot of one tab: curves in numbered slots, axis labels and ranges.
struct TPlotPanel {
    // Indexed by curve number; never ends with an empty slot.
    std::vector<std::optional<TPlotCurve>> curves;
    std::string xLabel, yLabel;
    bool autoScaleX = true, autoScaleY = true;
    bool xLog = false, yLog = false;
    // The ranges drawn, min <= max; 0 to 10 until data or a view sets them.
    double xMin = 0, xMax = 10, yMin = 0, yMax = 10;
    // Where the user dragged the legend, in pixels from its place in the upper right corner.
    int legendDx = 0, legendDy = 0;

    // Each axis that follows the data takes the smallest and largest value of all points.
    // NaN and infinities take no part, nor do values of 0 and below on a logarithmic axis;
    // an axis without such a value keeps its range; a range of one value becomes that
    // value -0.5 to +0.5 (on a logarithmic axis, half a decade either way).
    void Rescale();
    // Adds points at the end of a curve and widens the ranges that follow the data by them
    // alone, without a pass over the points already there.
    void AppendPoints(TPlotCurve& curve, std::span<const double> x, std::span<const double> y);
    // Whether a value has a place on the axis.
    bool Showable(double v, bool logAxis) const { return std::isfinite(v) && (!logAxis || v > 0); }
    // A range given either way round; the autoscale flags stay as they are.
    void SetXRange(double a, double b);
    void SetYRange(double a, double b);

private:
    void ApplyExtents();
    // The extents of all points as of the last Rescale and appends since; invalid after a
    // curve was removed.
    TDataExtent xData_, yData_;
    bool extentsValid_ = false;
    friend class TPlotModel;
};

struct TPlotTab {
    std::string caption;
    std::unique_ptr<TPlotPanel> panel; // none after its plot was cleared
};

// Applies the plot window's operations to plain data at once (the calculation thread of the
// runner calls it directly; a window with a screen hands the calls to its own thread and
// applies them there).
class TPlotModel final : public TPlotWindow {
public:
    static constexpr int kLastTab = 50;

    bool Plot(TPlotData data) override;
    int TabCount() override { return static_cast<int>(tabs_.size()); }
    int CurveCount(int tab) override;
    bool ClearCurve(int tab, int curve) override;
    bool ClearTab(int tab) override;
    bool ClearAll() override;
    bool SetTitle(int tab, std::string title) override;
    bool SetAxisLabels(int tab, std::string x, std::string y) override;
    bool SetCurveStyle(std::uint16_t tab, std::uint16_t curve, std::uint8_t color, bool connected,
                       std::uint8_t thickness) override;
    bool SetView(int tab, double minX, double minY, double maxX, double maxY) override;
    bool SetAutoScale(int tab, bool x, bool y) override;
    bool SetLogAxes(int tab, bool x, bool y) override;
    bool SetCurveName(std::uint16_t tab, std::uint16_t curve, std::string name) override;
    int Append(std::uint16_t tab, std::uint16_t curve, double x, double y) override;
    // Several points at once, as a window's thread takes the appends that waited for it;
    // the curve's point count afterwards (0 for a tab outside 0 to kLastTab).
    int AppendPoints(std::uint16_t tab, std::uint16_t curve, std::span<const double> x, std::span<const double> y);
    // The number of points of a curve; 0 when there is none.
    int PointCount(int tab, int curve) const;

    const std::vector<TPlotTab>& Tabs() const { return tabs_; }
    // The tab last plotted to; -1 when there is none.
    int ActiveTab() const { return activeTab_; }
    // Shown by a plot, hidden only by Hide.
    bool Visible() const { return visible_; }
    // The user closed the window: every tab goes with it.
    void Hide();

private:
    // The panel of a tab, creating the missing tabs up to it (each with a panel); none for a
    // tab outside 0 to kLastTab or a page whose plot was cleared.
    TPlotPanel* PanelOf(int tab);
    // The panel of a tab that is plotted to: one is made for a page without one.
    TPlotPanel* PlottedPanelOf(int tab);
    // The curve in a slot, made with the defaults of its number when the slot is empty.
    TPlotCurve& CurveOf(TPlotPanel& panel, std::uint16_t curve);
    void RemovePanel(int tab);

    std::vector<TPlotTab> tabs_;
    int activeTab_ = -1;
    bool visible_ = false;
};

} // namespace NuvixParser
