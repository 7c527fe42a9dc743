// TScaleBase: magnitudes, step choice, layout and tick labels of one axis.
#include "instruments/plot_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace NuvixParser {

namespace PlotMath {

double Lg(double x) {
    return x == 0 ? -HUGE_VAL : std::log10(std::fabs(x));
}

double Flr(double x) {
    const double f = std::floor(x);
    return x - f > 0.99999999 ? std::floor(x + 0.5) : f;
}

int Trunc(double x, int lo, int hi) {
    if (std::isnan(x)) return 0;
    if (x <= lo) return lo;
    if (x >= hi) return hi;
    return static_cast<int>(x);
}

} // namespace PlotMath

namespace {

using PlotMath::Flr;
using PlotMath::Lg;
using PlotMath::Trunc;

// Decimal exponents of doubles lie within +-324; the bound keeps infinities and the
// logarithm of 0 out of the integer arithmetic of label widths.
constexpr int kMaxExponent = 400;

int Exponent(double lg) {
    return Trunc(lg, -kMaxExponent, kMaxExponent);
}

// The divisors of the power of ten above the range: candidate steps P/1, P/2, P/5, P/10, ...
constexpr double kDivisors[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
constexpr int kCandidates = 10; // the last two divisors only give minor steps

std::string Fixed(double v, int decimals) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(decimals, 0, 40), v);
    return buffer;
}

} // namespace

TScaleMetrics TScaleMetrics::Measure(TPlotCanvas& canvas) {
    TScaleMetrics m;
    canvas.SetFont(TPlotFont::Small);
    m.hs = canvas.TextHeight("0");
    m.wms = canvas.TextWidth("-");
    m.w0s = canvas.TextWidth("0");
    canvas.SetFont(TPlotFont::Normal);
    m.h0 = canvas.TextHeight("0");
    m.w0 = canvas.TextWidth("0");
    m.wsep = canvas.TextWidth(".");
    m.wm = canvas.TextWidth("-");
    m.wten = canvas.TextWidth(" \xB7"
                              "10");
    return m;
}

void TScaleBase::SetRange(double lo, double hi) {
    lo_ = lo;
    hi_ = hi;
    Magnitudes();
}

void TScaleBase::Magnitudes() {
    e_ = Exponent(std::max(Lg(hi_), Lg(lo_)));
    range_ = hi_ - lo_;
    if (range_ == 0) range_ = 10;
    neg_ = lo_ < 0;
    eneg_ = e_ < 0;
    ed_ = e_ != 0 ? Trunc(Flr(Lg(std::abs(e_)))) + 1 : 1;
    exponentFormat_ = std::abs(e_) > 3;
}

// The widest label a step of exponent s gives: digits down to the step's, or a mantissa
// with a power of ten.
int TScaleBase::LabelWidthFor(int s) const {
    const TScaleMetrics& m = metrics_;
    if (exponentFormat_)
        return (e_ > s ? (e_ - s + 1) * m.w0 + m.wsep : m.w0) + (neg_ ? m.wm : 0) + m.wten + ed_ * m.w0s +
               (eneg_ ? m.wms : 0);
    const bool sameSign = (e_ > 0 && s > 0) || (e_ < 0 && s < 0) || (e_ == 0 && s == 0);
    const int digits = sameSign ? std::max(std::abs(e_), std::abs(s)) + 1 : e_ - s + 1;
    return (neg_ ? m.wm : 0) + digits * m.w0 + (s < 0 ? m.wsep : 0);
}

// A superscript exponent reaches half a line above the mantissa.
int TScaleBase::LabelHeightNow() const {
    const TScaleMetrics& m = metrics_;
    return exponentFormat_ ? std::max(m.h0, m.h0 / 2 + m.hs) : m.h0;
}

int TScaleBase::HorizontalBand() const {
    return LabelHeightNow() + (label_ ? metrics_.h0 : 0);
}

void TScaleBase::Recompute() {
    Magnitudes();
    ChooseStep();
    Layout();
}

// Tries ever finer steps, P/1, P/2, P/5, P/10, ..., and keeps the last whose labels fit.
void TScaleBase::ChooseStep() {
    if (length_ == 0) return;
    const double p = std::pow(10.0, Exponent(Flr(Lg(range_))) + 1);
    step_ = minorStep_ = range_;
    // When not even the coarsest candidate fits, the step is the range itself and its
    // ticks are counted as for any step.
    firstTick_ = std::ceil(lo_ / step_) * step_;
    tickCount_ = Trunc(Flr((hi_ - firstTick_) / step_), -1, kMaxTicks - 1) + 1;
    const double share = vertical_ ? 0.8 : 0.6;
    for (int i = 0; i < kCandidates; ++i) {
        const double c = p / kDivisors[i];
        const double first = std::ceil(lo_ / c) * c;
        const int f = Trunc(Flr((hi_ - first) / c), -1, kMaxTicks - 1) + 1;
        const int g = vertical_ ? LabelHeightNow() : LabelWidthFor(Exponent(Flr(Lg(c))));
        if (static_cast<double>(f) * g / length_ > share || g > length_) break;
        step_ = c;
        minorStep_ = p / kDivisors[i + 2];
        tickCount_ = f;
    }
    firstTick_ = std::ceil(lo_ / step_) * step_;
}

void TScaleBase::Layout() {
    // A step too small to change lo cannot be drawn; neither can a range that is no number,
    // nor an axis without room (whose step was never chosen for its range).
    valid_ = length_ > 0 && std::isfinite(lo_) && std::isfinite(hi_) && std::isfinite(step_) && step_ > 0 &&
             lo_ + step_ / 2 != lo_;
    if (!valid_) return;
    const double last = (tickCount_ - 1) * step_ + firstTick_;
    const int s = Exponent(Flr(Lg(step_)));
    const int lw = LabelWidthFor(s);
    const int lh = LabelHeightNow();
    const double amax = std::max(hi_, last);
    const double amin = std::min(firstTick_, lo_);
    double firstMinor = std::ceil(amin / minorStep_) * minorStep_;
    if (firstTick_ < firstMinor) firstMinor = firstTick_;
    const int minorCount = Trunc(Flr((amax - firstMinor) / minorStep_), -1, 5 * kMaxTicks) + 1;
    const int o = vertical_ ? lh : lw;
    const int usable = length_ - o;
    const double r = (vertical_ ? -usable : usable) / (amax - amin);
    const double offset = (vertical_ ? usable : 0) - r * amin + o / 2;
    if (!std::isfinite(r) || !std::isfinite(offset)) {
        valid_ = false; // the last valid mapping stays
        return;
    }
    s_ = s;
    lw_ = lw;
    lh_ = lh;
    band_ = (vertical_ ? lw : lh) + (label_ ? metrics_.h0 : 0);
    amin_ = amin;
    amax_ = amax;
    firstMinor_ = firstMinor;
    minorCount_ = minorCount;
    r_ = r;
    offset_ = offset;
}

void TScaleBase::DrawLabels(TPlotCanvas& canvas, int a, int b) const {
    if (!valid_) return;
    const TScaleMetrics& m = metrics_;
    canvas.SetFont(TPlotFont::Normal);
    const int b1 = b - m.h0;
    for (int k = 0; k < tickCount_; ++k) {
        double v = k * step_ + firstTick_;
        if (v == 0) v = 0; // no "-0" label
        const int e = Trunc(Position(v));
        int x = vertical_ ? a + (label_ ? m.h0 : 0) : a + e;
        const int y = vertical_ ? b1 + e + lh_ / 2 : b1 + lh_;
        if (neg_ && v >= 0) x += m.wm; // positive labels stay aligned with negative ones
        int ev = v == 0 ? 0 : Exponent(Lg(v) + 1e-8);
        if (exponentFormat_) {
            if (ev < 0) ev -= 1;
            const std::string mantissa = Fixed(v / std::pow(10.0, ev), e_ - s_);
            const std::string exponent = std::to_string(ev);
            const int mw = canvas.TextWidth(mantissa);
            if (!vertical_) {
                canvas.SetFont(TPlotFont::Small);
                const int ew = canvas.TextWidth(exponent);
                canvas.SetFont(TPlotFont::Normal);
                x -= (mw + m.wten + ew) / 2;
            }
            canvas.DrawText(x, y, mantissa);
            canvas.DrawText(x + mw, y,
                            " \xB7"
                            "10");
            canvas.SetFont(TPlotFont::Small);
            canvas.DrawText(x + mw + m.wten, y - m.h0 / 2, exponent);
            canvas.SetFont(TPlotFont::Normal);
        } else {
            const std::string text = Fixed(v, -s_);
            if (vertical_) {
                // Right-aligned by digit count.
                const int digitsE = e_ >= 0 ? e_ + 1 : 1;
                const int digitsV = ev >= 0 ? ev + 1 : 1;
                x += (digitsE - digitsV) * m.w0;
            } else {
                x -= canvas.TextWidth(text) / 2;
            }
            canvas.DrawText(x, y, text);
        }
    }
    if (!label_) return;
    if (vertical_) {
        // Runs upward, centred on the axis.
        canvas.SetFont(TPlotFont::Rotated);
        const int tw = canvas.TextWidth(*label_);
        canvas.DrawText(a, b + length_ / 2 + tw / 2, *label_);
        canvas.SetFont(TPlotFont::Normal);
    } else {
        const int tw = canvas.TextWidth(*label_);
        canvas.DrawText(a + (length_ - tw) / 2, b1 + lh_ + m.h0, *label_);
    }
}

} // namespace NuvixParser
