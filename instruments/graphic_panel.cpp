// TGraphicPanel: panel layout, frame, ticks, grid and curves.
#include "instruments/graphic_panel.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace NuvixParser {
namespace {

constexpr TRgb kBlack{0, 0, 0};
constexpr TRgb kSilver{192, 192, 192};

constexpr TRgb kCurveColours[17] = {
    {0, 0, 255},     {255, 0, 0},     {0, 255, 0},   {255, 0, 255}, {0, 255, 255}, {0, 0, 0},
    {166, 202, 240}, {192, 220, 192}, {128, 128, 128}, {0, 128, 128}, {128, 0, 128}, {192, 192, 192},
    {128, 128, 0},   {0, 0, 128},     {0, 128, 0},   {128, 0, 0},   {255, 255, 0},
};

// A point's pixel along one axis, clamped into lo..hi. The clamping happens on the double,
// so no value (1e300, an infinity) meets a float-to-int conversion it does not fit.
struct TPixel {
    int at;
    bool outside;
};
TPixel PixelOf(double d, int lo, int hi) {
    if (!(d >= lo)) return {lo, true};
    if (!(d < hi + 1.0)) return {hi, true};
    return {static_cast<int>(d), false};
}

bool RangeDrawable(double lo, double hi) {
    return std::isfinite(lo) && std::isfinite(hi) && lo != hi;
}

} // namespace

TRgb TGraphicPanel::CurveColour(int number) {
    const int n = number % 17;
    return kCurveColours[n < 0 ? n + 17 : n];
}

// Labels sit left of and below the plot rectangle; the title above it. The vertical axis
// is laid out first: its labels' width, which depends on its step, decides the length
// left for the horizontal axis.
void TGraphicPanel::LayOut(TPlotCanvas& canvas, const TPlotPanel& panel, std::string_view title, int width,
                           int height) {
    const TScaleMetrics metrics = TScaleMetrics::Measure(canvas);
    for (TAxisScale* scale : {&x_, &y_}) scale->SetMetrics(metrics);
    // An empty label is no label: it takes no room.
    x_.SetLabel(panel.xLabel.empty() ? std::nullopt : std::optional(panel.xLabel));
    y_.SetLabel(panel.yLabel.empty() ? std::nullopt : std::optional(panel.yLabel));
    x_.SetLog(panel.xLog);
    y_.SetLog(panel.yLog);
    x_.SetRange(panel.xMin, panel.xMax);
    y_.SetRange(panel.yMin, panel.yMax);

    TPlotLayout& l = layout_;
    canvas.SetFont(TPlotFont::Normal);
    l.textHeight = canvas.TextHeight("0");
    l.zeroWidth = canvas.TextWidth("0");
    l.titleHeight = title.empty() ? 0 : l.textHeight;
    l.titleWidth = title.empty() ? 0 : canvas.TextWidth(title);
    l.margin = l.textHeight / 3;
    const int xBand = x_.HorizontalBand();
    y_.SetLength(height - xBand - l.titleHeight - l.margin);
    y_.Recompute();
    x_.SetLength(width - y_.Band() - l.zeroWidth);
    x_.Recompute();
    l.left = y_.Band() + l.zeroWidth + 1;
    l.right = width - 1;
    l.top = l.titleHeight + l.margin + 1;
    l.bottom = height - xBand - l.margin;
}

void TGraphicPanel::Paint(TPlotCanvas& canvas, const TPlotPanel& panel, std::string_view title, int width,
                          int height) {
    LayOut(canvas, panel, title, width, height);
    legend_ = {};
    drawn_ = RangeDrawable(panel.xMin, panel.xMax) && RangeDrawable(panel.yMin, panel.yMax);
    if (!drawn_) return;
    PaintAxes(canvas, title, width);
    for (const auto& slot : panel.curves)
        if (slot) PaintCurve(canvas, *slot);
    PaintLegend(canvas, panel);
    canvas.SetPen(kBlack, 1);
}

TLegendLayout TGraphicPanel::LayOutLegend(TPlotCanvas& canvas, const TPlotPanel& panel) const {
    TLegendLayout legend;
    const TPlotLayout& l = layout_;
    canvas.SetFont(TPlotFont::Normal);
    int nameWidth = 0;
    for (std::size_t n = 0; n < panel.curves.size(); ++n) {
        if (!panel.curves[n] || panel.curves[n]->name.empty()) continue;
        legend.curves.push_back(static_cast<int>(n));
        nameWidth = std::max(nameWidth, canvas.TextWidth(panel.curves[n]->name));
    }
    if (legend.curves.empty()) return legend;
    const int pad = std::max(2, l.margin);
    legend.rowHeight = l.textHeight;
    legend.sampleWidth = 2 * l.textHeight;
    legend.pad = pad;
    const int w = pad + legend.sampleWidth + pad + nameWidth + pad;
    const int h = pad + static_cast<int>(legend.curves.size()) * legend.rowHeight + pad;
    // The upper right corner of the plot, moved where the user dragged it, but kept inside
    // the plot as far as it fits.
    int left = l.right - pad - w + panel.legendDx;
    int top = l.top + pad + panel.legendDy;
    left = std::max(l.left, std::min(left, l.right - w));
    top = std::max(l.top, std::min(top, l.bottom - h));
    legend.left = left;
    legend.top = top;
    legend.right = left + w;
    legend.bottom = top + h;
    return legend;
}

// A box in the background colour with a frame; a row per named curve: a piece of its line
// (or one of its dots), then its name.
void TGraphicPanel::PaintLegend(TPlotCanvas& canvas, const TPlotPanel& panel) {
    legend_ = LayOutLegend(canvas, panel);
    const TLegendLayout& g = legend_;
    if (g.curves.empty()) return;
    canvas.SetPen(kBlack, 1);
    canvas.FillRectangle(g.left, g.top, g.right + 1, g.bottom + 1, TRgb{255, 255, 255});
    canvas.Rectangle(g.left, g.top, g.right + 1, g.bottom + 1);
    for (std::size_t row = 0; row < g.curves.size(); ++row) {
        const TPlotCurve& curve = *panel.curves[g.curves[row]];
        const int y = g.top + g.pad + static_cast<int>(row) * g.rowHeight;
        const int mid = y + g.rowHeight / 2;
        const int x0 = g.left + g.pad;
        if (curve.connected) {
            canvas.SetPen(CurveColour(curve.color), curve.thickness);
            canvas.MoveTo(x0, mid);
            canvas.LineTo(x0 + g.sampleWidth, mid);
        } else {
            canvas.SetPen(CurveColour(curve.color), 1);
            const int k = curve.thickness >= 4 ? curve.thickness / 2 : 1;
            const int cx = x0 + g.sampleWidth / 2;
            canvas.Ellipse(cx - k, mid - k, cx + k, mid + k);
        }
        canvas.SetPen(kBlack, 1);
        canvas.DrawText(x0 + g.sampleWidth + g.pad, y, curve.name);
    }
}

// Ticks point inward from both sides of the frame; major ticks are joined by a silver
// grid line that stops 4 pixels short of the frame.
void TGraphicPanel::PaintAxes(TPlotCanvas& canvas, std::string_view title, int width) {
    const TPlotLayout& l = layout_;
    canvas.SetPen(kBlack, 1);
    canvas.SetFont(TPlotFont::Normal);
    if (!title.empty()) canvas.DrawText((width - l.titleWidth) / 2, 0, title);
    y_.DrawLabels(canvas, 1, l.top);
    x_.DrawLabels(canvas, l.left - 1, l.bottom + l.margin, width);
    canvas.Rectangle(l.left - 1, l.top - 1, l.right + 1, l.bottom + 1);

    // A tick without a place (a NaN position) is not drawn.
    auto xAt = [&](double v) { return PlotMath::Trunc(l.left - 1 + x_.Position(v)); };
    auto yAt = [&](double v) { return PlotMath::Trunc(l.top + y_.Position(v)); };
    for (double v : x_.MajorTicks()) {
        if (std::isnan(x_.Position(v))) continue;
        const int px = xAt(v);
        canvas.MoveTo(px, l.bottom);
        canvas.LineTo(px, l.bottom - 4);
        canvas.SetPen(kSilver, 1);
        canvas.LineTo(px, l.top + 4);
        canvas.SetPen(kBlack, 1);
        canvas.LineTo(px, l.top);
    }
    for (double v : x_.MinorTicks()) {
        if (std::isnan(x_.Position(v))) continue;
        const int px = xAt(v);
        canvas.MoveTo(px, l.bottom);
        canvas.LineTo(px, l.bottom - 2);
        canvas.MoveTo(px, l.top);
        canvas.LineTo(px, l.top + 2);
    }
    for (double v : y_.MajorTicks()) {
        if (std::isnan(y_.Position(v))) continue;
        const int py = yAt(v);
        canvas.MoveTo(l.left, py);
        canvas.LineTo(l.left + 4, py);
        canvas.SetPen(kSilver, 1);
        canvas.LineTo(l.right - 4, py);
        canvas.SetPen(kBlack, 1);
        canvas.LineTo(l.right, py);
    }
    for (double v : y_.MinorTicks()) {
        if (std::isnan(y_.Position(v))) continue;
        const int py = yAt(v);
        canvas.MoveTo(l.left, py);
        canvas.LineTo(l.left + 2, py);
        canvas.MoveTo(l.right - 2, py);
        canvas.LineTo(l.right, py);
    }
}

namespace {

// A position along one axis clamped into lo..hi; NaN goes to lo, as PixelOf places it.
// Truncated, it is the pixel PixelOf gives, and truncation keeps the order of positions.
inline double ClampedPosition(double d, double lo, double hi) {
    d = d >= lo ? d : lo;
    return d < hi ? d : hi;
}
inline int ClampedPixel(double d, int lo, int hi) {
    return static_cast<int>(ClampedPosition(d, lo, hi));
}

// The reduced points of a connected curve: lines from point to point, leaving out points
// that repeat the one before.
class TReducedLine {
public:
    explicit TReducedLine(TPlotCanvas& canvas) : canvas_(canvas) {}
    void Add(int x, int y) {
        if (penDown_ && x == x_ && y == y_) return; // already there
        if (penDown_)
            canvas_.LineTo(x, y);
        else
            canvas_.MoveTo(x, y);
        penDown_ = true;
        x_ = x;
        y_ = y;
    }
    // The line ends (at a NaN point); the next point starts a new one.
    void Break() { penDown_ = false; }

private:
    TPlotCanvas& canvas_;
    bool penDown_ = false;
    int x_ = 0, y_ = 0;
};

} // namespace

// Connected points outside the view run along the frame; dots outside it are left out. A
// NaN point has no place at all: it breaks a connected curve, and the line starts again
// at the next point.
void TGraphicPanel::PaintCurve(TPlotCanvas& canvas, const TPlotCurve& curve) {
    const TPlotLayout& l = layout_;
    canvas.SetPen(CurveColour(curve.color), curve.connected ? curve.thickness : 1);
    const std::size_t n = std::min(curve.x.size(), curve.y.size());
    const double* xs = curve.x.data();
    const double* ys = curve.y.data();
    // On a logarithmic axis the curve is drawn from the logarithms of its values; values of
    // 0 and below become NaN and so leave a gap.
    std::vector<double> mappedX, mappedY;
    if (x_.Log()) {
        mappedX.resize(n);
        for (std::size_t i = 0; i < n; ++i) mappedX[i] = x_.Map(xs[i]);
        xs = mappedX.data();
    }
    if (y_.Log()) {
        mappedY.resize(n);
        for (std::size_t i = 0; i < n; ++i) mappedY[i] = y_.Map(ys[i]);
        ys = mappedY.data();
    }
    // A value's pixel is value * r + (origin + offset), the sum taken once per curve.
    const double xr = x_.R(), xo = l.left + x_.Offset();
    const double yr = y_.R(), yo = l.top + y_.Offset();

    if (curve.connected && reduce_) {
        // Each pixel column's run of points as its first, lowest, highest (in the order they
        // came) and last point: within a column the segments between consecutive points
        // are vertical and join up to cover the lowest to the highest point, so these four
        // draw the same pixels as all of them. A run is found by its x positions alone;
        // its extremes are those of the y values themselves (the mapping to pixels keeps
        // or reverses their order), so only four values of a run are mapped.
        TReducedLine line(canvas);
        const double top = l.top, bottom = l.bottom;
        const auto yPixel = [&](double y) { return static_cast<int>(ClampedPosition(y * yr + yo, top, bottom)); };
        std::size_t i = 0;
        while (i < n) {
            if (std::isunordered(xs[i], ys[i])) {
                line.Break();
                ++i;
                continue;
            }
            const int column = ClampedPixel(xs[i] * xr + xo, l.left, l.right);
            // Positions clamp onto the first and last column, so those reach out for ever.
            const double from = column <= l.left ? -HUGE_VAL : column;
            const double to = column >= l.right ? HUGE_VAL : column + 1.0;
            std::size_t end = i + 1;
            while (end < n && !std::isunordered(xs[end], ys[end])) {
                const double x = xs[end] * xr + xo;
                if (!(x >= from && x < to)) break;
                ++end;
            }
            const auto [low, high] = std::minmax_element(ys + i, ys + end);
            const int a = yPixel(*low), b = yPixel(*high);
            // The extreme that came first is drawn first.
            const bool lowFirst = low < high;
            line.Add(column, yPixel(ys[i]));
            line.Add(column, lowFirst ? a : b);
            line.Add(column, lowFirst ? b : a);
            line.Add(column, yPixel(ys[end - 1]));
            i = end;
        }
        return;
    }
    if (curve.connected) {
        // Every segment on its own, as the reduction is checked against.
        bool penDown = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (std::isunordered(xs[i], ys[i])) {
                penDown = false;
                continue;
            }
            const int px = ClampedPixel(xs[i] * xr + xo, l.left, l.right);
            const int py = ClampedPixel(ys[i] * yr + yo, l.top, l.bottom);
            if (penDown)
                canvas.LineTo(px, py);
            else
                canvas.MoveTo(px, py);
            penDown = true;
        }
        return;
    }

    const int k = curve.thickness >= 4 ? curve.thickness / 2 : 1;
    // The dots drawn so far, one flag per pixel of the plot rectangle.
    const int columns = std::max(0, l.right - l.left + 1), rows = std::max(0, l.bottom - l.top + 1);
    std::vector<bool> dotted;
    if (reduce_) dotted.assign(static_cast<std::size_t>(columns) * rows, false);
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isunordered(xs[i], ys[i])) continue;
        const TPixel px = PixelOf(xs[i] * xr + xo, l.left, l.right);
        const TPixel py = PixelOf(ys[i] * yr + yo, l.top, l.bottom);
        if (px.outside || py.outside) continue;
        if (!dotted.empty()) {
            const std::size_t at = static_cast<std::size_t>(py.at - l.top) * columns + (px.at - l.left);
            if (dotted[at]) continue;
            dotted[at] = true;
        }
        canvas.Ellipse(px.at - k, py.at - k, px.at + k, py.at + k);
    }
}

} // namespace NuvixParser
