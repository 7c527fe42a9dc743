// The plot functions: plot samples a function, plotxy copies two arrays; the other ten are
// table rows that pass their argument values to the run's plot window.
#include "instruments/plot_functions.h"

#include <algorithm>
#include <new>
#include <string>
#include <thread>
#include <utility>

#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/operands.h"
#include "engine/stack_guard.h"
#include "engine/var_entry.h"
#include "instruments/plot_window.h"
#include "instruments/run_context.h"

namespace NuvixParser {
namespace {

void PausePlot() {
    std::this_thread::sleep_for(kPlotPause);
}

// Tab and curve numbers of a curve are the low 16 bits of the integer reading.
std::uint16_t Low16(const TReturnValue& v) {
    return static_cast<std::uint16_t>(v.GetInt());
}

std::uint8_t Low8(const TReturnValue& v) {
    return static_cast<std::uint8_t>(v.GetInt());
}

// Both arrays of a curve of n points, or an error naming the function when n is beyond the
// cap or beyond what can be allocated: the run ends with a message instead of a failed
// allocation somewhere later.
bool AllocatePoints(TCalcInfo& ci, const char* function, std::int64_t n, TPlotData& data) {
    if (n > kMaxPlotPoints) {
        ci.SetError(std::string(function) + ": Too many points (more than " + std::to_string(kMaxPlotPoints) + ")");
        return false;
    }
    try {
        data.x.resize(static_cast<std::size_t>(n));
        data.y.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        data = TPlotData();
        ci.SetError(std::string(function) + ": Not enough memory for " + std::to_string(n) + " points");
        return false;
    }
    return true;
}

// plot(tabno;curveno;var;func;start;stop;count): var and func are not evaluated as
// arguments; func is evaluated once per point with var set to the point's x.
class TPlot final : public TFunction {
public:
    int ArgumentCount() const override { return 7; }
    bool CheckArguments() override { return ArgOperand(2) != nullptr; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "tabno;curveno;var;func;start;stop;count"; }
    const char* Description() const override {
        return "This plots the function <func> to the two-dimensional graphic output window. The function is "
               "plotted on tab number <tabno> and as curve number <curveno>. For each point the variable <var> is "
               "set to the corresponding x value, then <func> is evaluated and the result is taken as y value.\nThe "
               "x-axis interval is defined by <start> and <stop> and the number of points is given by <count>";
    }
    const char* Example() const override { return "plot(0;0;x;sin(x);0;2*pi();200)"; }
    const char* ExampleExplanation() const override {
        return "This plots the function sin(x) in the interval 0 to 2*pi";
    }
    const char* SeeAlso() const override { return "plotxy(tabno;curveno;xdata[];ydata[])"; }
};

// The points are start, start + dx, ... with dx = (stop - start) / count: the stop value
// itself is not sampled, and x is accumulated, so it drifts by rounding for many points as
// a loop adding dx would. The result is dx, or 0 when nothing was sampled.
void TPlot::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    TOperandBase* var = ArgOperand(2);
    if (!var) return ci.SetError("Plot: 3rd argument is not a variable");
    result.SetNumber(0);
    TReturnValue tab, curve, start, stop, count;
    const std::pair<int, TReturnValue*> inOrder[] = {{0, &tab}, {1, &curve}, {4, &start}, {5, &stop}, {6, &count}};
    for (auto [i, value] : inOrder) {
        Arg(i)->Evaluate(ci, *value);
        if (ci.error) return;
    }
    const double from = start.GetNumber();
    const double to = stop.GetNumber();
    const double c = count.GetNumber();
    if (from == to || !(c > 0)) return;
    const double dx = (to - from) / c; // with the count as given, not truncated
    // Compared as a double first, so an infinite or huge count never reaches the conversion.
    const std::int64_t n = c > static_cast<double>(kMaxPlotPoints) ? kMaxPlotPoints + 1 : static_cast<std::int64_t>(c);

    TPlotData data{Low16(tab), Low16(curve), {}, {}};
    if (!AllocatePoints(ci, "Plot", n, data)) return;
    TParserAtom* const func = Arg(3);
    double x = from;
    for (std::int64_t i = 0; i < n && !ci.error; ++i) {
        if (ci.BreakRequested()) {
            ci.SetBreaked();
            break;
        }
        if (!var->AssignNumber(ci, x)) {
            ci.error = true; // the operand refused the value; it gives no message of its own
            break;
        }
        result.SetNumber(0);
        func->Evaluate(ci, result);
        data.x[i] = x;
        data.y[i] = result.GetNumber();
        x += dx;
    }
    if (ci.error) return; // nothing is plotted; the error stands
    if (TPlotWindow* window = PlotWindowOf(ci)) window->Plot(std::move(data));
    result.SetNumber(dx);
}

// plotxy(tabno;curveno;xdata[];ydata[]): an x argument that is no array plots the y values
// over 0, 1, 2, ...; with one, as many points as the shorter array has. The arrays are
// copied here, so the script may change them at once. plotxy leaves the result as it was.
class TPlotXY final : public TFunction {
public:
    int ArgumentCount() const override { return 4; }
    bool CheckArguments() override { return ArgIsArray(3); }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "tabno;curveno;datax[];datay[]"; }
    const char* Description() const override {
        return "This plots a curve described by its x-y points to tab <tabno>, curve <curveno>.";
    }
    const char* Example() const override {
        return "for(i=0;i<100;i+=1;\n xdata[i] = i, ydata[i] = sin(i * 2*pi() / 100)\n),\nplotxy(0;0;xdata[];ydata[])"
               ",\nappend(xdata[];ydata[]),\nwritematrix('test.txt';xdata[];2)";
    }
    const char* ExampleExplanation() const override {
        return "This creates two arrays <xdata[]> and <ydata[]> which are plotted on the screen and then written "
               "into the file 'test.txt'.";
    }
    const char* SeeAlso() const override { return "plot(tabno;curveno;var;func;start;stop;count)"; }
};

void TPlotXY::Evaluate(TCalcInfo& ci, TReturnValue&) {
    if (ci.error || StackExhausted(ci)) return;
    if (!ArgOperand(3)) return ci.SetError("PlotXY: 4th argument is constant");
    if (!ArgIsArray(3)) return ci.SetError("PlotXY: 4th argument is not an array");
    // A name written name[] that belongs to a scalar has no elements: nothing to plot.
    auto length = [](const TArrayEntry* a) { return a ? std::int64_t{a->Length()} : 0; };
    if (length(ArgArray(3)) < 1) return;
    TReturnValue tab, curve;
    Arg(0)->Evaluate(ci, tab);
    if (ci.error) return;
    Arg(1)->Evaluate(ci, curve);
    if (ci.error) return;

    // Read after the numbers were evaluated: their evaluation may have changed the arrays.
    const TArrayEntry* ys = ArgArray(3);
    const TArrayEntry* xs = ArgArray(2);
    std::int64_t n = length(ys);
    if (xs) n = std::min(n, length(xs));
    if (n < 1) return;
    TPlotData data{Low16(tab), Low16(curve), {}, {}};
    if (!AllocatePoints(ci, "PlotXY", n, data)) return;
    std::copy_n(ys->Data(), n, data.y.begin());
    if (xs)
        std::copy_n(xs->Data(), n, data.x.begin());
    else
        for (std::int64_t i = 0; i < n; ++i) data.x[i] = static_cast<double>(i);
    if (TPlotWindow* window = PlotWindowOf(ci)) window->Plot(std::move(data));
}

// The other ten keep the default Evaluate: all arguments are evaluated in order, and the
// row's routine passes their values to the window. A run without a plot window makes no
// call; its posting functions then return 0 (nothing was queued), as do the queries.
struct TPlotCommandRow {
    int argumentCount;
    // The result: a query's answer, or 1 when the call was queued and 0 when not.
    double (*run)(TPlotWindow& window, const TFunction& call);
    // plotview and plotautoscale return 1 whatever became of the call, and pause after it.
    bool pacedAndOne;
    const char* paramText;
    const char* description;
    const char* seeAlso;
};

class TPlotCommand final : public TFunction {
public:
    explicit TPlotCommand(const TPlotCommandRow& row) : row_(row) {}
    int ArgumentCount() const override { return row_.argumentCount; }
    long double Compute(TCalcInfo& ci) override {
        TPlotWindow* window = PlotWindowOf(ci);
        const double answer = window ? row_.run(*window, *this) : 0;
        if (!row_.pacedAndOne) return answer;
        if (window) PausePlot();
        return 1;
    }
    const char* ParamText() const override { return row_.paramText; }
    const char* Description() const override { return row_.description; }
    const char* SeeAlso() const override { return row_.seeAlso; }

private:
    const TPlotCommandRow& row_;
};

template <const TPlotCommandRow& Row> std::unique_ptr<TFunction> MakePlotCommand() {
    return std::make_unique<TPlotCommand>(Row);
}

int IntArg(const TFunction& f, int i) {
    return f.Value(i).GetInt();
}
double NumberArg(const TFunction& f, int i) {
    return f.Value(i).GetNumber();
}

constexpr TPlotCommandRow kTabs{
    0,
    [](TPlotWindow& w, const TFunction&) -> double { return w.TabCount(); },
    false,
    nullptr,
    "Returns the number of tabs currently displayed on the two dimentional graphic window.",
    "plotcurvecount(tabno)",
};

constexpr TPlotCommandRow kCurveCount{
    1,
    [](TPlotWindow& w, const TFunction& f) -> double { return w.CurveCount(IntArg(f, 0)); },
    false,
    "tabno",
    "Returns the number of curves currently displayed on tab <tabno>.",
    "plottabs()",
};

// Titles and axis labels take the text reading: a number gives its 15-digit text.
constexpr TPlotCommandRow kTitle{
    2,
    [](TPlotWindow& w, const TFunction& f) -> double { return w.SetTitle(IntArg(f, 0), f.Value(1).ToString()); },
    false,
    "tabno;s",
    "Sets the title of tab <tabno> to <s>.",
    "plotaxis(tabno;xtext;ytext)",
};

constexpr TPlotCommandRow kClearTab{
    1,
    [](TPlotWindow& w, const TFunction& f) -> double { return w.ClearTab(IntArg(f, 0)); },
    false,
    "tabno",
    "Clears and possibly removes tab <tabno> from the two dimentional graphic window.",
    "plotclearcurve(tabno;curveno)",
};

constexpr TPlotCommandRow kClearAll{
    0,
    [](TPlotWindow& w, const TFunction&) -> double { return w.ClearAll(); },
    false,
    "",
    "Removes all tabs from the two dimentional graphic window.",
    "plotclearcurve(tabno;curveno),plotcleartab(tabno)",
};

constexpr TPlotCommandRow kClearCurve{
    2,
    [](TPlotWindow& w, const TFunction& f) -> double { return w.ClearCurve(IntArg(f, 0), IntArg(f, 1)); },
    false,
    "tabno;curveno",
    "Removes curve <curveno> from tab <tabno>.",
    "plotcleartab(tabno)",
};

constexpr TPlotCommandRow kAxis{
    3,
    [](TPlotWindow& w, const TFunction& f) -> double {
        return w.SetAxisLabels(IntArg(f, 0), f.Value(1).ToString(), f.Value(2).ToString());
    },
    false,
    "tabno;xtext;ytext",
    "Sets the axis labels of tab <tabno> to <xtext> and <ytext>.",
    "plottitle(tabno;s)",
};

constexpr TPlotCommandRow kView{
    5,
    [](TPlotWindow& w, const TFunction& f) -> double {
        return w.SetView(IntArg(f, 0), NumberArg(f, 1), NumberArg(f, 2), NumberArg(f, 3), NumberArg(f, 4));
    },
    true,
    "tabno;minx;miny;maxx;maxy",
    "This disables autoscaling and sets the x- and y-axis intervals of tab <tabno>.",
    "plotautoscale(tabno;enablex;enabley)",
};

// Each enable value travels in 16 bits: a multiple of 65536 counts as 0.
constexpr TPlotCommandRow kAutoScale{
    3,
    [](TPlotWindow& w, const TFunction& f) -> double {
        return w.SetAutoScale(IntArg(f, 0), Low16(f.Value(1)) != 0, Low16(f.Value(2)) != 0);
    },
    true,
    "tabno;enablex;enabley",
    "This enables or disables autoscaling on the x and y axis of tab <tabno>. <enablex> and <enabley> are set to "
    "zero for diabling autoscaling respectively, any other value enables autoscaling.",
    "plotview(tabno;minx;miny;maxx;maxy)",
};

// Tab and curve travel in 16 bits each, colour, connected and thickness in 8 bits each:
// plotcurveparms(0;0;256;1;2) draws dots, since only the low 8 bits of connected count.
constexpr TPlotCommandRow kCurveStyle{
    5,
    [](TPlotWindow& w, const TFunction& f) -> double {
        return w.SetCurveStyle(Low16(f.Value(0)), Low16(f.Value(1)), Low8(f.Value(3)), Low8(f.Value(2)) != 0,
                               Low8(f.Value(4)));
    },
    false,
    "tabno;curveno;connected;color;thickness",
    "This sets the drawing parameters of curve <curveno> on tab <tabno>. If <connected> is zero, then the curve is "
    "plotted as single unconnected data points, otherwise it is drawn as a line. <color> is a value in the range of "
    "0 to 16. By default, the color number corresponds to the curve number (even though there can be more than 17 "
    "curves on one tab). The <thickness> parameter describes the line thickness that is used to draw the curve.",
    nullptr,
};

// Values of 0 and below leave a gap on a logarithmic axis; each flag travels in 16 bits,
// as plotautoscale's do.
constexpr TPlotCommandRow kLogAxes{
    3,
    [](TPlotWindow& w, const TFunction& f) -> double {
        return w.SetLogAxes(IntArg(f, 0), Low16(f.Value(1)) != 0, Low16(f.Value(2)) != 0);
    },
    true,
    "tabno;xlog;ylog",
    "This switches the x and y axis of tab <tabno> between a linear and a logarithmic scale. <xlog> and <ylog> are "
    "set to zero for a linear axis, any other value makes the axis logarithmic. On a logarithmic axis points whose "
    "value is zero or below are left out, and autoscaling ignores them.",
    "plotautoscale(tabno;enablex;enabley)",
};

constexpr TPlotCommandRow kCurveName{
    3,
    [](TPlotWindow& w, const TFunction& f) -> double {
        return w.SetCurveName(Low16(f.Value(0)), Low16(f.Value(1)), f.Value(2).ToString());
    },
    false,
    "tabno;curveno;name",
    "This sets the name of curve <curveno> on tab <tabno>. A tab with at least one named curve shows a legend with "
    "the colour, the line or point style and the name of each named curve; an empty name takes the curve out of "
    "the legend. The legend can be dragged with the mouse.",
    "plotcurveparms(tabno;curveno;connected;color;thickness)",
};

// plotappend(tabno;curveno;x;y): one point at the end of a curve, without handing the
// curve over again, so a strip chart costs the same for its millionth point as for its
// first. Tab and curve are checked rather than cut to 16 bits: the answer is the count
// of the curve the script means.
class TPlotAppend final : public TFunction {
public:
    int ArgumentCount() const override { return 4; }
    long double Compute(TCalcInfo& ci) override {
        for (int i = 0; i < 4; ++i)
            if (ArgIsArray(i)) {
                ci.SetError("PlotAppend: Argument " + std::to_string(i + 1) + " must be a number, not an array");
                return 0;
            }
        const double tab = Value(0).GetNumber(), curve = Value(1).GetNumber();
        if (!(tab >= 0 && tab < 51)) {
            ci.SetError("PlotAppend: Tab number out of range (0 to 50)");
            return 0;
        }
        if (!(curve >= 0 && curve < 65536)) {
            ci.SetError("PlotAppend: Curve number out of range (0 to 65535)");
            return 0;
        }
        TPlotWindow* window = PlotWindowOf(ci);
        if (!window) return 0;
        const int count = window->Append(static_cast<std::uint16_t>(tab), static_cast<std::uint16_t>(curve),
                                          Value(2).GetNumber(), Value(3).GetNumber());
        if (count > kMaxPlotPoints) {
            ci.SetError("PlotAppend: Too many points (more than " + std::to_string(kMaxPlotPoints) + ")");
            return 0;
        }
        return count;
    }
    const char* ParamText() const override { return "tabno;curveno;x;y"; }
    const char* Description() const override {
        return "This adds the point <x>, <y> at the end of curve <curveno> on tab <tabno> and returns the number of "
               "points the curve has then. The curve is made if it does not exist. Unlike plotxy it does not hand "
               "the whole curve over again, so a loop that adds one measured point at a time stays fast however "
               "long the curve grows.";
    }
    const char* Example() const override {
        return "for(i=0;i<1000;i+=1;\n plotappend(0;0;i;sin(i/50))\n)";
    }
    const char* ExampleExplanation() const override {
        return "This draws a sine wave point by point, as a measurement loop would.";
    }
    const char* SeeAlso() const override { return "plotxy(tabno;curveno;xdata[];ydata[])"; }
};

constexpr TFunctionTableEntry kPlotFunctions[] = {
    {"plot", &MakeFunction<TPlot>},
    {"plotxy", &MakeFunction<TPlotXY>},
    {"plottabs", &MakePlotCommand<kTabs>},
    {"plotcurvecount", &MakePlotCommand<kCurveCount>},
    {"plottitle", &MakePlotCommand<kTitle>},
    {"plotcleartab", &MakePlotCommand<kClearTab>},
    {"plotcleartabs", &MakePlotCommand<kClearAll>},
    {"plotclearcurve", &MakePlotCommand<kClearCurve>},
    {"plotaxis", &MakePlotCommand<kAxis>},
    {"plotview", &MakePlotCommand<kView>},
    {"plotautoscale", &MakePlotCommand<kAutoScale>},
    {"plotcurveparms", &MakePlotCommand<kCurveStyle>},
    {"plotlog", &MakePlotCommand<kLogAxes>},
    {"plotcurvename", &MakePlotCommand<kCurveName>},
    {"plotappend", &MakeFunction<TPlotAppend>},
};

} // namespace

std::span<const TFunctionTableEntry> PlotFunctionTable() {
    return kPlotFunctions;
}

} // namespace NuvixParser
