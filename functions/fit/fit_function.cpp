// fit: a script model fitted to data points by the Marquardt fitter; the fit area's table.
#include "functions/fit/fit_function.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "engine/operands.h"
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

// The error of a name of the other kind: a scalar name written name[] ("Fit: p is not an
// array"), or an array name given where a variable is written to ("Fit: x is an array").
void ReportWrongKind(const TFunction& f, TCalcInfo& ci, std::string_view where) {
    for (int i = 0; i < f.ArgCount(); ++i) {
        if (UnboundArray(f, i)) return f.ReportNotAnArray(ci, i, where);
        if (const TOperand* x = ScalarArgument(f, i); x && !x->Entry())
            return ci.SetError(std::string(where) + ": " + std::string(x->Name()) + " is an array");
    }
    ci.SetError(std::string(where) + ": an argument is not of the kind the call needs");
}

// Bounds count only as an array of exactly one element per parameter.
const double* Bounds(const TFunction& f, int i, std::int32_t np) {
    const TArrayEntry* a = f.ArgArray(i);
    return a && a->Length() == np ? a->Data() : nullptr;
}

// What fit and fiterr share: the data copied, the parameters, the model and its callbacks.
// The model is arbitrary script and may change xdata and ydata while it is evaluated; the
// fitter works on copies taken now.
struct TFitProblem {
    std::vector<double> xs, ys;
    std::int32_t np = 0;
    TArrayEntry* p = nullptr;
    TFitFuncParms context;

    // Reads xdata[];ydata[];p[];x;func from the first five arguments. False when there is
    // nothing to fit (no points or parameters, or an error was raised).
    bool Read(const TFunction& f, TCalcInfo& ci, std::string_view where) {
        const TArrayEntry* xdata = f.ArgArray(0);
        const TArrayEntry* ydata = f.ArgArray(1);
        p = f.ArgArray(2);
        TOperand* x = ScalarArgument(f, 3);
        // A name of the other kind (an array name passed as x, a scalar name as p[]) leaves
        // nothing to read or write: the error flag without a message, as an element access
        // of a scalar name gives.
        if (!xdata || !ydata || !p || !x || !x->Entry()) {
            ReportWrongKind(f, ci, where);
            return false;
        }
        const std::int32_t m = std::min(xdata->Length(), ydata->Length());
        np = p->Length();
        if (m <= 0 || np <= 0) return false;
        if (np > kMaxFitParameters) {
            ci.SetError("Fit: Too many parameters (more than 1024)");
            return false;
        }
        xs.assign(xdata->Data(), xdata->Data() + m);
        ys.assign(ydata->Data(), ydata->Data() + m);
        context.params = std::make_unique<double[]>(static_cast<std::size_t>(np));
        std::copy_n(p->Data(), np, context.params.get());
        context.count = np;
        context.xEntry = x->Entry();
        context.pEntry = p;
        context.model = f.Arg(4);
        context.calc = &ci;
        context.program = TModelProgram::Compile(context.model, context.xEntry, p, np);
        return true;
    }

    Marquardt Fitter(const TFitLimits* limits) {
        Marquardt fitter(xs.data(), ys.data(), static_cast<std::int32_t>(xs.size()), limits, np,
                         context.params.get(), &TFitFuncParms::Progress, &context, &TFitFuncParms::Model, nullptr,
                         nullptr, kMaxIterations, kTolerance);
        if (context.program) fitter.SetColumnModel(&TFitFuncParms::Columns);
        return fitter;
    }

    // The script's variables as the evaluation of the tree leaves them: x at the last
    // point (the program never sets it) and p[] at the parameters.
    void WriteBack() {
        if (context.program) context.xEntry->SetNumber(xs.back());
        std::copy_n(context.params.get(), std::min(np, p->Length()), p->Data());
    }
};

// fit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq): varies p[] so that func,
// evaluated with x set to each xdata value, matches ydata in the least-squares sense. func
// is not evaluated as an argument: the fitter evaluates its parse tree for every point and
// every parameter probe.
void Fit(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    TOperand* chisq = ScalarArgument(f, 7);
    if (!chisq || !chisq->Entry() || UnboundArray(f, 5) || UnboundArray(f, 6)) {
        ReportWrongKind(f, ci, "Fit");
        return;
    }
    TFitProblem problem;
    if (!problem.Read(f, ci, "Fit")) return;
    const std::int32_t np = problem.np;
    const double* minvals = Bounds(f, 5, np);
    const double* maxvals = Bounds(f, 6, np);
    std::vector<TFitLimits> limits(static_cast<std::size_t>(np));
    for (std::int32_t j = 0; j < np; ++j)
        limits[j] = {problem.p->Data()[j], minvals ? minvals[j] : -kNoBound, maxvals ? maxvals[j] : kNoBound};

    Marquardt fitter = problem.Fitter(limits.data());
    const bool converged = fitter.Fit();
    chisq->AssignNumber(ci, fitter.ChiSquare());
    problem.WriteBack();
    result.SetNumber(converged ? -1 : 0);
}

// fiterr(xdata[];ydata[];p[];x;func;perr[]): the standard errors of fitted parameters, with
// the derivatives taken as fit takes them.
void FitErr(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    TArrayEntry* perr = f.ArgArray(5);
    if (!perr) {
        ReportWrongKind(f, ci, "FitErr");
        return;
    }
    result.SetNumber(0);
    TFitProblem problem;
    if (!problem.Read(f, ci, "FitErr")) return;
    const std::vector<TFitLimits> limits(static_cast<std::size_t>(problem.np), TFitLimits{0, -kNoBound, kNoBound});
    Marquardt fitter = problem.Fitter(limits.data());
    std::vector<double> errors(static_cast<std::size_t>(problem.np));
    const bool computed = fitter.StandardErrors(errors.data());
    // The probes left their values in the script's p[]: the parameters go back.
    problem.WriteBack();
    if (!computed || ci.error) return;
    if (!perr->SetLength(problem.np)) return;
    std::copy(errors.begin(), errors.end(), perr->Data());
    result.SetNumber(-1);
}

constexpr TBuiltin kFitFunctions[] = {
    {.name = "fit",
     .params = "aaaxellx",
     .paramText = "xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq",
     .description = "Fits the function <func> to the data points (<xdata[i]>, <ydata[i]>): the parameters <p[]> are varied "
                    "until ydata[i] = func(xdata[i]) holds as well as possible in the least-squares sense "
                    "(Levenberg-Marquardt method). <p[]> holds the start values and receives the fitted values. <func> "
                    "uses the parameters p[] and the variable <x>, for example p[0]^2+p[1]*x. Lower and upper limits of the "
                    "parameters are taken from <minvals[]> and <maxvals[]>, which must have the same length as <p[]>; "
                    "pass 0 for no limits. <chisq> receives the chi-square of the result. Returns -1 if the fit succeeded, "
                    "0 if it failed.",
     .example = "for(i=0;i<500;i+=1;\n xdata[i]=i/30,\n ydata[i]=3.5*(xdata[i]-4)^2+random()-0.5\n),\n"
                "p[0]=1, p[1]=-1,\n"
                "if(fit(xdata[];ydata[];p[];x;p[0]*(x-p[1])^2;0;0;chi);\n"
                " for(i=0;i<500;i+=1;model[i]=p[0]*(xdata[i]-p[1])^2),\n"
                " plotxy(0;0;xdata[];ydata[]),\n plotxy(0;1;xdata[];model[]),\n"
                " 'p[0]='+string(p[0])+' p[1]='+string(p[1])+' sigma='+string(sqrt(chi/500));\n"
                " 'Fit failed'\n)",
     .explanation = "This fits a parabola to 500 noisy points, plots the points and the fitted curve, and returns the "
                    "fitted parameters and the standard deviation of the points from the curve.",
     .seeAlso = "fiterr(xdata[];ydata[];p[];x;func;perr[])",
     .lazy = Fit},
    {.name = "fiterr",
     .params = "aaaxea",
     .paramText = "xdata[];ydata[];p[];x;func;perr[]",
     .description = "Computes the standard errors of the parameters <p[]> of the function <func> fitted to the data points "
                    "(<xdata[i]>, <ydata[i]>), as fit would use them: <perr[i]> receives the error of p[i], the square root of "
                    "the i-th diagonal element of the covariance matrix, with the data taken as unweighted and the "
                    "covariance scaled by the residuals (chi-square divided by the number of points less the number of "
                    "parameters). Returns -1 if the errors could be computed, 0 if not (as many points as parameters or "
                    "fewer, or parameters that the data cannot tell apart); <perr[]> is then unchanged.",
     .example = "for(i=0;i<20;i+=1;xdata[i]=i, ydata[i]=2*i+1+random()-0.5),\n"
                "p[0]=1, p[1]=0,\n"
                "fit(xdata[];ydata[];p[];x;p[0]*x+p[1];0;0;chi),\n"
                "fiterr(xdata[];ydata[];p[];x;p[0]*x+p[1];perr[]),\n"
                "'slope '+string(p[0])+' +- '+string(perr[0])",
     .explanation = "This fits a straight line to 20 noisy points and returns the slope with its standard error.",
     .seeAlso = "fit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq)",
     .lazy = FitErr},
};

} // namespace

std::span<const TBuiltin> FitFunctionTable() {
    return kFitFunctions;
}

} // namespace NuvixParser
