// TGraphicPanel: lays out and paints one tab's plot (frame, axes, grid, curves) on a canvas.
#pragma once

#include <string_view>
#include <vector>

#include "instruments/plot_canvas.h"
#include "instruments/plot_model.h"
#include "instruments/axis_scale.h"

namespace NuvixParser {

struct TPlotLayout {
    int textHeight = 0; // height of "0" in the normal font
    int zeroWidth = 0;  // width of "0": the gap between the vertical axis's labels and the plot
    int margin = 0;     // a third of the text height, above the plot and under the x labels
    int titleHeight = 0, titleWidth = 0;
    // The plot rectangle; the frame runs one pixel outside it.
    int left = 0, right = 0, top = 0, bottom = 0;
};

// Where the legend of the last paint lies, and which curves it names, top to bottom.
struct TLegendLayout {
    std::vector<int> curves; // curve numbers; empty: no legend
    int left = 0, top = 0, right = 0, bottom = 0;
    int pad = 0, rowHeight = 0, sampleWidth = 0;
    bool Contains(int x, int y) const { return !curves.empty() && x >= left && x <= right && y >= top && y <= bottom; }
};

// The same code paints on screen, into pictures and for tests. Each paint lays the panel
// out afresh for the canvas and size it is given, and keeps that layout for turning pixels
// back into data values (mouse zoom).
class TGraphicPanel {
public:
    // The 17 curve colours; a curve's colour number is taken mod 17.
    static TRgb CurveColour(int number);

    // title: drawn centred above the plot when not empty (pictures carry the tab caption).
    void Paint(TPlotCanvas& canvas, const TPlotPanel& panel, std::string_view title, int width, int height);
    // Whether the last paint drew anything: a range of zero width, or one that is no
    // number, leaves the panel blank.
    bool Drawn() const { return drawn_; }
    // With reduction on (the default), a connected curve draws each pixel column's run of
    // points as its first, lowest, highest and last point, and a dotted curve each pixel
    // once: the same pixels for thin pens, at a fraction of the cost for large data.
    void SetReduction(bool on) { reduce_ = on; }

    const TPlotLayout& Layout() const { return layout_; }
    const TAxisScale& XScale() const { return x_; }
    const TAxisScale& YScale() const { return y_; }
    const TLegendLayout& Legend() const { return legend_; }
    // The data value at a pixel, and the pixel of a value, by the mapping of the last
    // paint (logarithmic axes included).
    double XValueAt(double px) const { return x_.ValueAt(px - layout_.left); }
    double YValueAt(double py) const { return y_.ValueAt(py - layout_.top); }
    double XPixelOf(double x) const { return layout_.left + x_.Position(x); }
    double YPixelOf(double y) const { return layout_.top + y_.Position(y); }

private:
    void LayOut(TPlotCanvas& canvas, const TPlotPanel& panel, std::string_view title, int width, int height);
    void PaintAxes(TPlotCanvas& canvas, std::string_view title, int width);
    void PaintCurve(TPlotCanvas& canvas, const TPlotCurve& curve);
    TLegendLayout LayOutLegend(TPlotCanvas& canvas, const TPlotPanel& panel) const;
    void PaintLegend(TPlotCanvas& canvas, const TPlotPanel& panel);

    TAxisScale x_{false};
    TAxisScale y_{true};
    TPlotLayout layout_;
    TLegendLayout legend_;
    bool drawn_ = false;
    bool reduce_ = true;
};

} // namespace NuvixParser
