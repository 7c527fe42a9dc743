// fit: a script model fitted to data points by the Marquardt fitter; the fit area's table.
#include "functions/fit/fit_function.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/calc_info.h"
#include "engine/operands.h"
#include "engine/stack_guard.h"
#include "engine/var_entry.h"
#include "functions/fit/fit_func_parms.h"
#include "functions/fit/marquardt.h"

namespace NuvixParser {
namespace {

constexpr std::int32_t kMaxIterations = 100;
constexpr double kTolerance = 1e-5; // absolute improvement of chi-square that ends the fit
constexpr double kNoBound = 1e255;

// Argument i written as a plain variable name, or none.
TOperand* ScalarArgument(const TFunction& f, int i) {
    return dynamic_cast<TOperand*>(f.Arg(i));
}

// An argument written name[] whose name belongs to a scalar: there is no array to use.
bool UnboundArray(const TFunction& f, int i) {
    return f.ArgIsArray(i) && !f.ArgArray(i);
}

// Bounds count only as an array of exactly one element per parameter.
const double* Bounds(const TFunction& f, int i, std::int32_t np) {
    const TArrayEntry* a = f.ArgArray(i);
    return a && a->Length() == np ? a->Data() : nullptr;
}

} // namespace

bool TFit::CheckArguments() {
    return ArgIsArray(0) && ArgIsArray(1) && ArgIsArray(2) && ScalarArgument(*this, 3) && ScalarArgument(*this, 7);
}

void TFit::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    const TArrayEntry* xdata = ArgArray(0);
    const TArrayEntry* ydata = ArgArray(1);
    TArrayEntry* p = ArgArray(2);
    TOperand* x = ScalarArgument(*this, 3);
    TOperand* chisq = ScalarArgument(*this, 7);
    // A name of the other kind (an array name passed as x, a scalar name as p[]) leaves
    // nothing to read or write: the error flag without a message, as an element access of
    // a scalar name gives.
    if (!xdata || !ydata || !p || !x || !x->Entry() || !chisq || !chisq->Entry() || UnboundArray(*this, 5) ||
        UnboundArray(*this, 6)) {
        ci.error = true;
        return;
    }
    const std::int32_t m = std::min(xdata->Length(), ydata->Length());
    const std::int32_t np = p->Length();
    if (m <= 0 || np <= 0) return;
    if (np > kMaxFitParameters) return ci.SetError("Fit: Too many parameters (more than 1024)");

    const double* minvals = Bounds(*this, 5, np);
    const double* maxvals = Bounds(*this, 6, np);
    std::vector<TFitLimits> limits(static_cast<std::size_t>(np));
    for (std::int32_t j = 0; j < np; ++j)
        limits[j] = {p->Data()[j], minvals ? minvals[j] : -kNoBound, maxvals ? maxvals[j] : kNoBound};
    // The model is arbitrary script and may change xdata and ydata while it is evaluated;
    // the fitter works on copies taken now.
    const std::vector<double> xs(xdata->Data(), xdata->Data() + m);
    const std::vector<double> ys(ydata->Data(), ydata->Data() + m);

    TFitFuncParms context;
    context.params = std::make_unique<double[]>(static_cast<std::size_t>(np));
    std::copy_n(p->Data(), np, context.params.get());
    context.count = np;
    context.xEntry = x->Entry();
    context.pEntry = p;
    context.model = Arg(4);
    context.calc = &ci;

    Marquardt fitter(xs.data(), ys.data(), m, limits.data(), np, context.params.get(), &TFitFuncParms::Progress,
                     &context, &TFitFuncParms::Model, nullptr, nullptr, kMaxIterations, kTolerance);
    const bool converged = fitter.Fit();
    chisq->AssignNumber(ci, fitter.ChiSquare());
    const std::int32_t shown = std::min(np, p->Length());
    if (shown > 0) std::copy_n(context.params.get(), shown, p->Data());
    result.SetNumber(converged ? -1 : 0);
}

const char* TFit::Description() const {
    return "Fits the function <func> to the data points (<xdata[i]>, <ydata[i]>): the parameters <p[]> are varied "
           "until ydata[i] = func(xdata[i]) holds as well as possible in the least-squares sense "
           "(Levenberg-Marquardt method). <p[]> holds the start values and receives the fitted values. <func> "
           "uses the parameters p[] and the variable <x>, for example p[0]^2+p[1]*x. Lower and upper limits of the "
           "parameters are taken from <minvals[]> and <maxvals[]>, which must have the same length as <p[]>; "
           "pass 0 for no limits. <chisq> receives the chi-square of the result. Returns -1 if the fit succeeded, "
           "0 if it failed.";
}

const char* TFit::Example() const {
    return "for(i=0;i<500;i+=1;\n xdata[i]=i/30,\n ydata[i]=3.5*(xdata[i]-4)^2+random()-0.5\n),\n"
           "p[0]=1, p[1]=-1,\n"
           "if(fit(xdata[];ydata[];p[];x;p[0]*(x-p[1])^2;0;0;chi);\n"
           " for(i=0;i<500;i+=1;model[i]=p[0]*(xdata[i]-p[1])^2),\n"
           " plotxy(0;0;xdata[];ydata[]),\n plotxy(0;1;xdata[];model[]),\n"
           " 'p[0]='+string(p[0])+' p[1]='+string(p[1])+' sigma='+string(sqrt(chi/500));\n"
           " 'Fit failed'\n)";
}

const char* TFit::ExampleExplanation() const {
    return "This fits a parabola to 500 noisy points, plots the points and the fitted curve, and returns the "
           "fitted parameters and the standard deviation of the points from the curve.";
}

namespace {

constexpr TFunctionTableEntry kFitFunctions[] = {
    {"fit", &MakeFunction<TFit>},
};

} // namespace

std::span<const TFunctionTableEntry> FitFunctionTable() {
    return kFitFunctions;
}

} // namespace NuvixParser
