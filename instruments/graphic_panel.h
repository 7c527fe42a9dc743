// TGraphicPanel: lays out and paints one tab's plot (frame, axes, grid, curves) on a canvas.
#pragma once

#include <string_view>

#include "instruments/plot_canvas.h"
#include "instruments/plot_model.h"
#include "instruments/plot_scale.h"

namespace NuvixParser {

struct TPlotLayout {
    int th = 0;  // height of "0"
    int w0p = 0; // width of "0"
    int m = 0;   // margin, a third of th
    int titleHeight = 0, titleWidth = 0;
    // The plot rectangle; the frame runs one pixel outside it.
    int left = 0, right = 0, top = 0, bottom = 0;
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
    const TScaleBase& XScale() const { return x_; }
    const TScaleBase& YScale() const { return y_; }
    // The data value at a pixel, by the mapping of the last paint.
    double XValueAt(int px) const { return (px - layout_.left - x_.Offset()) / x_.R(); }
    double YValueAt(int py) const { return (py - layout_.top - y_.Offset()) / y_.R(); }

private:
    void LayOut(TPlotCanvas& canvas, const TPlotPanel& panel, std::string_view title, int width, int height);
    void PaintAxes(TPlotCanvas& canvas, std::string_view title, int width);
    void PaintCurve(TPlotCanvas& canvas, const TPlotCurve& curve);

    TScaleBase x_{false};
    TScaleBase y_{true};
    TPlotLayout layout_;
    bool drawn_ = false;
    bool reduce_ = true;
};

} // namespace NuvixParser
