// The curve-fitting functions fit and fiterr, and the registration table of the fit area.
#pragma once

#include <cstdint>
#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// The most parameters a fit takes: each iteration solves a system of that size, and the
// fitter keeps three such matrices.
constexpr std::int32_t kMaxFitParameters = 1024;

// fit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq): varies p[] so that func,
// evaluated with x set to each xdata value, matches ydata in the least-squares sense. func
// is not evaluated as an argument: the fitter evaluates its parse tree for every point and
// every parameter probe.
class TFit final : public TFunction {
public:
    int ArgumentCount() const override { return 8; }
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq"; }
    const char* Description() const override;
    const char* Example() const override;
    const char* ExampleExplanation() const override;
    const char* SeeAlso() const override;
};

// fiterr(xdata[];ydata[];p[];x;func;perr[]): the standard errors of fitted parameters, with
// the derivatives taken as fit takes them.
class TFitErr final : public TFunction {
public:
    int ArgumentCount() const override { return 6; }
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "xdata[];ydata[];p[];x;func;perr[]"; }
    const char* Description() const override;
    const char* Example() const override;
    const char* ExampleExplanation() const override;
    const char* SeeAlso() const override { return "fit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq)"; }
};

std::span<const TFunctionTableEntry> FitFunctionTable();

} // namespace NuvixParser
