// TAxisScale: one axis of a plot: its tick step, tick labels and pixel mapping.
#pragma once

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "instruments/plot_canvas.h"

namespace NuvixParser {

// The widths and heights of the characters an axis label is made of.
struct TScaleMetrics {
    int h0 = 0;   // height of "0", normal font
    int hs = 0;   // height of "0", small font
    int w0 = 0;   // width of "0", normal font
    int wsep = 0; // width of the decimal separator "."
    int wm = 0;   // width of "-", normal font
    int wms = 0;  // width of "-", small font
    int w0s = 0;  // width of "0", small font
    int wten = 0; // width of " \xB7" "10", normal font: what stands between mantissa and exponent

    static TScaleMetrics Measure(TPlotCanvas& canvas);
};

// The data range lo..hi is laid out along `length` pixels. Ticks are 1, 2 or 5 times a
// power of ten, as fine as their labels allow (at most 60 % of a horizontal and 80 % of a
// vertical axis taken by labels); half a label is kept free at either end.
//
// A logarithmic axis lays out log10 of the values. Spanning two decades or more, it ticks
// every decade it has room to label (10^n, or every 2nd, 5th, 10th, ... decade), with
// minor ticks at 2 to 9 times each decade or at the decades left unlabelled; a narrower
// range keeps the linear ticks and labels, placed logarithmically. Values of 0 and below
// have no place on it; a range that starts there begins three decades below its top.
class TAxisScale {
public:
    explicit TAxisScale(bool vertical) : vertical_(vertical) {}

    void SetLog(bool on) { log_ = on; }
    bool Log() const { return log_; }
    void SetRange(double lo, double hi);
    void SetLength(int length) { length_ = length; }
    void SetLabel(std::optional<std::string> label) { label_ = std::move(label); }
    void SetMetrics(const TScaleMetrics& metrics) { metrics_ = metrics; }

    // Magnitudes, step choice and layout; a range too narrow for its step leaves the
    // layout invalid and the previous mapping in place.
    void Recompute();
    // The height a horizontal axis needs below the plot, known from the range alone (the
    // label height does not depend on the step).
    int HorizontalBand() const;
    // Draws the tick labels and the axis label with the origin (a, b); no label of a
    // horizontal axis reaches past the picture's left edge or `rightEdge`.
    void DrawLabels(TPlotCanvas& canvas, int a, int b, int rightEdge = INT_MAX) const;

    // A data value in the axis's own measure: itself, or its log10 on a logarithmic axis,
    // where values of 0 and below give NaN (no place, like NaN itself).
    double Map(double v) const;
    // The data value of a measure: Map's inverse.
    double Unmap(double a) const;
    // The pixel of v from the axis origin, in floating point.
    double Position(double v) const { return Map(v) * r_ + offset_; }
    // The data value at a pixel from the axis origin.
    double ValueAt(double pixel) const { return Unmap((pixel - offset_) / r_); }
    // A value as a readout shows it: in the labels' format with one digit more (plain, or
    // mantissa and power of ten as "1.25\xB7" "10^4"), four significant digits on a
    // logarithmic axis.
    std::string ValueText(double v) const;
    // The tick values, major ones labelled, in drawing order.
    std::vector<double> MajorTicks() const;
    std::vector<double> MinorTicks() const;
    // Whether a logarithmic axis ticks by decades (its labels are 10 with an exponent).
    bool Decades() const { return log_ && decades_; }

    bool Vertical() const { return vertical_; }
    int Length() const { return length_; }
    bool Valid() const { return valid_; }
    bool ExponentFormat() const { return exponentFormat_; }
    int E() const { return e_; }
    int S() const { return s_; }
    double Step() const { return step_; }
    double MinorStep() const { return minorStep_; }
    double FirstTick() const { return firstTick_; }
    int TickCount() const { return tickCount_; }
    double FirstMinorTick() const { return firstMinor_; }
    int MinorCount() const { return minorCount_; }
    int LabelWidth() const { return lw_; }
    int LabelHeight() const { return lh_; }
    int Band() const { return band_; }
    double R() const { return r_; }
    double Offset() const { return offset_; }

    // The most ticks an axis draws, whatever its range: a guard for ranges that are not
    // numbers at all.
    static constexpr int kMaxTicks = 100000;

private:
    void Magnitudes();
    void ChooseStep();
    void Layout();
    // The range a logarithmic axis shows, in decades; false when it can show none.
    bool LogRange(double& lo, double& hi) const;
    bool SpansDecades() const;
    void ChooseDecades();
    int DecadeLabelWidth(int decade) const;
    int LabelWidthFor(int s) const;
    int LabelHeightNow() const;

    bool vertical_;
    double lo_ = 0, hi_ = 10;
    int length_ = 0;
    std::optional<std::string> label_;
    TScaleMetrics metrics_;

    int e_ = 0;
    double range_ = 10;
    bool neg_ = false, eneg_ = false, exponentFormat_ = false;
    int ed_ = 1;
    double step_ = 10, minorStep_ = 10, firstTick_ = 0;
    int tickCount_ = 0, s_ = 0;
    int lw_ = 0, lh_ = 0, band_ = 0;
    double amin_ = 0, amax_ = 10, firstMinor_ = 0;
    int minorCount_ = 0;
    double r_ = 0, offset_ = 0;
    bool valid_ = false;

    bool log_ = false;
    bool decades_ = false;
    // Decades: the labelled decades firstDecade_, + decadeStep_, ..., lastDecade_; minor
    // ticks every minorDecades_ decades, or at 2 to 9 times each decade when that is 0.
    int firstDecade_ = 0, lastDecade_ = -1, decadeStep_ = 1, minorDecades_ = 0;
    double logLo_ = 0, logHi_ = 1;
};

// The pieces of the axis arithmetic, shared with the painting.
namespace PlotMath {
// log10 |x|; minus infinity for 0.
double Lg(double x);
// floor, except that a value just below an integer (by less than 1e-8) counts as it.
double Flr(double x);
// Conversion towards zero, clamped into lo..hi in floating point first; NaN gives 0.
int Trunc(double x, int lo = -1000000000, int hi = 1000000000);
} // namespace PlotMath

} // namespace NuvixParser
