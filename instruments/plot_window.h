// TPlotWindow: the plot window as the calculation thread sees it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace NuvixParser {

// One curve's points, handed over whole: the script may change its arrays at once.
struct TPlotData {
    std::uint16_t tab = 0;
    std::uint16_t curve = 0;
    std::vector<double> x;
    std::vector<double> y; // as many as x
};

// The plot functions call these on the calculation thread. The two queries wait for the
// window's answer; every other call is queued and returns at once with whether it was
// queued. Calls are handled in the order they were made, so a query sees the effect of
// every call before it. Tabs outside 0 to 50 and curves that name no curve are ignored by
// the window, not by the caller.
class TPlotWindow {
public:
    virtual ~TPlotWindow() = default;

    // Replaces curve data.curve of tab data.tab (creating the tabs up to it), shows that
    // tab and the window.
    virtual bool Plot(TPlotData data) = 0;
    // Waits: the number of tabs.
    virtual int TabCount() = 0;
    // Waits: the number of curve slots of the tab, empty slots between curves included;
    // asking creates the missing tabs up to it. 0 for a tab without a plot.
    virtual int CurveCount(int tab) = 0;
    virtual bool ClearCurve(int tab, int curve) = 0;
    // Removes the tab's plot; trailing tabs without a plot go with it.
    virtual bool ClearTab(int tab) = 0;
    virtual bool ClearAll() = 0;
    // The caption of an existing tab; creates no tab.
    virtual bool SetTitle(int tab, std::string title) = 0;
    virtual bool SetAxisLabels(int tab, std::string x, std::string y) = 0;
    // Colour number (the window takes it mod 17), whether points are joined, line
    // thickness in pixels; for a curve that exists.
    virtual bool SetCurveStyle(std::uint16_t tab, std::uint16_t curve, std::uint8_t color, bool connected,
                               std::uint8_t thickness) = 0;
    // Fixes the ranges until the next automatic rescale; autoscaling stays as it is.
    virtual bool SetView(int tab, double minX, double minY, double maxX, double maxY) = 0;
    virtual bool SetAutoScale(int tab, bool x, bool y) = 0;
    // Logarithmic (true) or linear axes; values of 0 and below leave a gap on a
    // logarithmic axis. Creates the tabs up to it, as SetAutoScale does.
    virtual bool SetLogAxes(int tab, bool x, bool y) = 0;
    // The name the legend shows for a curve (none when empty); a curve that does not exist
    // yet is made without points, so that a name given before the first point stays.
    virtual bool SetCurveName(std::uint16_t tab, std::uint16_t curve, std::string name) = 0;
    // Adds one point to a curve (making the curve, and the tabs up to it, if needed),
    // shows that tab and the window; answers the curve's point count afterwards, 0 for a
    // tab outside 0 to 50. Appends of one curve waiting for the window are drawn together.
    virtual int Append(std::uint16_t tab, std::uint16_t curve, double x, double y) = 0;
};

} // namespace NuvixParser
