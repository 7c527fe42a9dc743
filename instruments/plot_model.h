// TPlotModel: the plot window's tabs and curves as plain data; the runner's plot window.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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
};

// The plot of one tab: curves in numbered slots, axis labels and ranges.
struct TPlotPanel {
    // Indexed by curve number; never ends with an empty slot.
    std::vector<std::optional<TPlotCurve>> curves;
    std::string xLabel, yLabel;
    bool autoScaleX = true, autoScaleY = true;
    // The ranges drawn, min <= max; 0 to 10 until data or a view sets them.
    double xMin = 0, xMax = 10, yMin = 0, yMax = 10;

    // Each axis that follows the data takes the smallest and largest value of all points.
    // NaN and infinities take no part; an axis without a finite value keeps its range; a
    // range of one value becomes that value -0.5 to +0.5.
    void Rescale();
    // A range given either way round; the autoscale flags stay as they are.
    void SetXRange(double a, double b);
    void SetYRange(double a, double b);
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
    void RemovePanel(int tab);

    std::vector<TPlotTab> tabs_;
    int activeTab_ = -1;
    bool visible_ = false;
};

} // namespace NuvixParser
