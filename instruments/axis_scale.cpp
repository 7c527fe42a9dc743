// TAxisScale: magnitudes, step choice, layout and tick labels of one axis.
#include "instruments/axis_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>

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

void TAxisScale::SetRange(double lo, double hi) {
    lo_ = lo;
    hi_ = hi;
    Magnitudes();
}

void TAxisScale::Magnitudes() {
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
int TAxisScale::LabelWidthFor(int s) const {
    const TScaleMetrics& m = metrics_;
    if (exponentFormat_)
        return (e_ > s ? (e_ - s + 1) * m.w0 + m.wsep : m.w0) + (neg_ ? m.wm : 0) + m.wten + ed_ * m.w0s +
               (eneg_ ? m.wms : 0);
    const bool sameSign = (e_ > 0 && s > 0) || (e_ < 0 && s < 0) || (e_ == 0 && s == 0);
    const int digits = sameSign ? std::max(std::abs(e_), std::abs(s)) + 1 : e_ - s + 1;
    return (neg_ ? m.wm : 0) + digits * m.w0 + (s < 0 ? m.wsep : 0);
}

// A superscript exponent reaches half a line above the mantissa.
int TAxisScale::LabelHeightNow() const {
    const TScaleMetrics& m = metrics_;
    return exponentFormat_ ? std::max(m.h0, m.h0 / 2 + m.hs) : m.h0;
}

int TAxisScale::HorizontalBand() const {
    const TScaleMetrics& m = metrics_;
    const int height = log_ && SpansDecades() ? std::max(m.h0, m.h0 / 2 + m.hs) : LabelHeightNow();
    return height + (label_ ? m.h0 : 0);
}

double TAxisScale::Map(double v) const {
    if (!log_) return v;
    return v > 0 ? std::log10(v) : std::numeric_limits<double>::quiet_NaN();
}

double TAxisScale::Unmap(double a) const {
    return log_ ? std::pow(10.0, a) : a;
}

// Decimal exponents of doubles lie within -324 to 308; the normal ones from -307.
bool TAxisScale::LogRange(double& lo, double& hi) const {
    if (!(hi_ > 0) || !std::isfinite(hi_)) return false;
    hi = std::min(std::log10(hi_), 308.0);
    lo = lo_ > 0 ? std::max(std::log10(lo_), -307.0) : hi - 3;
    if (hi - lo < 1e-12) {
        // One value: half a decade either side.
        lo -= 0.5;
        hi += 0.5;
    }
    return true;
}

bool TAxisScale::SpansDecades() const {
    double lo, hi;
    if (!LogRange(lo, hi)) return false;
    return std::floor(hi + 1e-9) - std::ceil(lo - 1e-9) >= 1;
}

void TAxisScale::Recompute() {
    Magnitudes();
    if (log_) {
        double lo, hi;
        if (!LogRange(lo, hi)) {
            valid_ = false;
            return;
        }
        decades_ = SpansDecades();
        if (decades_) return ChooseDecades();
    }
    ChooseStep();
    Layout();
}

int TAxisScale::DecadeLabelWidth(int decade) const {
    const TScaleMetrics& m = metrics_;
    const int digits = static_cast<int>(std::to_string(std::abs(decade)).size());
    return 2 * m.w0 + digits * m.w0s + (decade < 0 ? m.wms : 0);
}

// Labels every decade, or every 2nd, 5th, 10th, ... when they would crowd the axis as the
// linear steps are judged; the decades between labels carry minor ticks.
void TAxisScale::ChooseDecades() {
    valid_ = false;
    double lo, hi;
    if (length_ <= 0 || !LogRange(lo, hi)) return;
    const int d0 = static_cast<int>(std::ceil(lo - 1e-9)), d1 = static_cast<int>(std::floor(hi + 1e-9));
    const TScaleMetrics& m = metrics_;
    const int lh = std::max(m.h0, m.h0 / 2 + m.hs);
    const int lw = std::max(DecadeLabelWidth(d0), DecadeLabelWidth(d1));
    const double share = vertical_ ? 0.8 : 0.6;
    constexpr int kDecadeSteps[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    int step = kDecadeSteps[std::size(kDecadeSteps) - 1];
    for (int k : kDecadeSteps) {
        const int first = static_cast<int>(std::ceil(static_cast<double>(d0) / k)) * k;
        const int count = first > d1 ? 0 : (d1 - first) / k + 1;
        const int g = vertical_ ? lh : lw;
        if (static_cast<double>(count) * g / length_ <= share && g <= length_) {
            step = k;
            break;
        }
    }
    decadeStep_ = step;
    firstDecade_ = static_cast<int>(std::ceil(static_cast<double>(d0) / step)) * step;
    lastDecade_ = d1;
    minorDecades_ = step == 1 ? 0 : step == 2 ? 1 : step / 5;
    lw_ = lw;
    lh_ = lh;
    band_ = (vertical_ ? lw : lh) + (label_ ? m.h0 : 0);
    const int o = vertical_ ? lh : lw;
    const int usable = length_ - o;
    const double r = (vertical_ ? -usable : usable) / (hi - lo);
    const double offset = (vertical_ ? usable : 0) - r * lo + o / 2;
    if (!std::isfinite(r) || !std::isfinite(offset)) return;
    logLo_ = lo;
    logHi_ = hi;
    r_ = r;
    offset_ = offset;
    valid_ = true;
}

std::string TAxisScale::ValueText(double v) const {
    char buffer[64];
    if (!std::isfinite(v)) return std::isnan(v) ? "NaN" : v < 0 ? "-INF" : "+INF";
    if (log_) {
        std::snprintf(buffer, sizeof buffer, "%.4g", v);
        return buffer;
    }
    if (!exponentFormat_) return Fixed(v, std::max(0, -s_) + 1);
    int ev = v == 0 ? 0 : Exponent(Flr(Lg(v)));
    return Fixed(v / std::pow(10.0, ev), std::max(0, e_ - s_) + 1) +
           " \xB7"
           "10^" +
           std::to_string(ev);
}

std::vector<double> TAxisScale::MajorTicks() const {
    std::vector<double> ticks;
    if (!valid_) return ticks;
    if (Decades()) {
        for (int d = firstDecade_; d <= lastDecade_; d += decadeStep_) ticks.push_back(std::pow(10.0, d));
        return ticks;
    }
    double v = firstTick_;
    for (int k = 0; k < tickCount_; ++k, v += step_) ticks.push_back(v);
    return ticks;
}

std::vector<double> TAxisScale::MinorTicks() const {
    std::vector<double> ticks;
    if (!valid_) return ticks;
    if (Decades()) {
        const int from = static_cast<int>(std::floor(logLo_)), to = static_cast<int>(std::ceil(logHi_));
        if (minorDecades_ == 0) {
            for (int d = from; d <= to; ++d)
                for (int k = 2; k <= 9; ++k) {
                    const double a = std::log10(k) + d;
                    if (a >= logLo_ && a <= logHi_) ticks.push_back(k * std::pow(10.0, d));
                }
            return ticks;
        }
        const int first = static_cast<int>(std::ceil(static_cast<double>(from) / minorDecades_)) * minorDecades_;
        for (int d = first; d <= to; d += minorDecades_)
            if (d >= logLo_ && d <= logHi_ && d % decadeStep_ != 0) ticks.push_back(std::pow(10.0, d));
        return ticks;
    }
    double v = firstMinor_;
    for (int k = 0; k < minorCount_; ++k, v += minorStep_) ticks.push_back(v);
    return ticks;
}

// Tries ever finer steps, P/1, P/2, P/5, P/10, ..., and keeps the last whose labels fit.
void TAxisScale::ChooseStep() {
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

void TAxisScale::Layout() {
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
    const double r = (vertical_ ? -usable : usable) / (Map(amax) - Map(amin));
    const double offset = (vertical_ ? usable : 0) - r * Map(amin) + o / 2;
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

void TAxisScale::DrawLabels(TPlotCanvas& canvas, int a, int b, int rightEdge) const {
    if (!valid_) return;
    const TScaleMetrics& m = metrics_;
    canvas.SetFont(TPlotFont::Normal);
    const int b1 = b - m.h0;
    // Centred under its tick, but never cut by the picture's edges.
    const auto inside = [&](int x, int width) { return std::max(0, std::min(x, rightEdge - width)); };
    if (Decades()) {
        for (int d = firstDecade_; d <= lastDecade_; d += decadeStep_) {
            const int e = Trunc(Position(std::pow(10.0, d)));
            const std::string exponent = std::to_string(d);
            const int tenWidth = canvas.TextWidth("10");
            canvas.SetFont(TPlotFont::Small);
            const int width = tenWidth + canvas.TextWidth(exponent);
            canvas.SetFont(TPlotFont::Normal);
            int x, y;
            if (vertical_) {
                x = a + (label_ ? m.h0 : 0) + lw_ - width; // right-aligned
                y = b1 + e + lh_ / 2;
            } else {
                x = inside(a + e - width / 2, width);
                y = b1 + lh_;
            }
            canvas.DrawText(x, y, "10");
            canvas.SetFont(TPlotFont::Small);
            canvas.DrawText(x + tenWidth, y - m.h0 / 2, exponent);
            canvas.SetFont(TPlotFont::Normal);
        }
    }
    for (int k = 0; k < (Decades() ? 0 : tickCount_); ++k) {
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
                x = inside(x - (mw + m.wten + ew) / 2, mw + m.wten + ew);
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
                const int width = canvas.TextWidth(text);
                x = inside(x - width / 2, width);
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
