// TFitFuncParms: the callbacks that run a script model for the fitter.
#include "functions/fit/fit_func_parms.h"

#include <algorithm>

#include "engine/calc_info.h"
#include "engine/operands.h"
#include "engine/parser_atom.h"
#include "engine/return_value.h"
#include "engine/var_entry.h"

namespace NuvixParser {
namespace {

// A break ends a long fit at the next model evaluation rather than after the 100th
// iteration; true when the run must stop.
bool StopRequested(TCalcInfo& ci) {
    if (ci.error) return true;
    if (ci.BreakRequested()) {
        ci.SetBreaked();
        return true;
    }
    return false;
}

} // namespace

double TFitFuncParms::Model(double x, void* context) {
    auto& c = *static_cast<TFitFuncParms*>(context);
    if (StopRequested(*c.calc)) return 0;
    c.xEntry->SetNumber(x);
    // The model is any script, and may have shortened p[] (or made it longer).
    const std::int32_t shown = std::min(c.count, c.pEntry->Length());
    if (shown > 0) std::copy_n(c.params.get(), shown, c.pEntry->Data());
    // The numeric reading straight from the tree, without a value record: the model is
    // evaluated points x (parameters + 1) times per iteration.
    return NumberOf(c.model, *c.calc);
}

void TFitFuncParms::Columns(const double* x, std::int32_t count, double* out, void* context) {
    auto& c = *static_cast<TFitFuncParms*>(context);
    if (StopRequested(*c.calc)) {
        std::fill_n(out, count, 0.0);
        return;
    }
    c.program->Run(x, count, c.params.get(), out);
}

bool TFitFuncParms::Progress(void* context, std::int32_t, double) {
    TCalcInfo& ci = *static_cast<TFitFuncParms*>(context)->calc;
    if (!ci.BreakRequested()) return true;
    if (!ci.error) ci.SetBreaked();
    return false;
}

} // namespace NuvixParser
