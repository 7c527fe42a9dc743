// TBuiltinCall: the steps every built-in shares, taken once for all rows.
#include "engine/builtin_call.h"

#include <cstring>

#include "engine/operands.h"
#include "engine/stack_guard.h"

namespace NuvixParser {

std::unique_ptr<TFunction> MakeCall(const TBuiltin& row) {
    if (row.node) return row.node();
    if (row.unary || row.number) return std::make_unique<TBuiltinNumberCall>(row);
    return std::make_unique<TBuiltinCall>(row);
}

TBuiltinCall::TBuiltinCall(const TBuiltin& row) : row_(row) {
    hasArrays_ = std::strpbrk(row.params, "al") != nullptr;
}

int TBuiltinCall::ArgumentCount() const {
    return static_cast<int>(std::strlen(row_.params));
}

bool TBuiltinCall::CheckArguments() {
    for (int i = 0; i < argc_; ++i) {
        const char kind = row_.params[i];
        if (kind == TParam::kArray && !ArgIsArray(i)) return false;
        if (kind == TParam::kVariable && !ArgOperand(i)) return false;
        if (kind == TParam::kName && !AsScalarOperand(Arg(i))) return false;
    }
    return true;
}

bool TBuiltinCall::FindArrays(TCalcInfo& ci) {
    for (int i = 0; i < argc_; ++i) {
        const char kind = row_.params[i];
        if (kind != TParam::kArray && kind != TParam::kArrayAtRunTime) continue;
        if (!ArgIsArray(i)) {
            // Only an `l` argument gets here: the parser refused such an `a` argument.
            ci.SetError(row_.arrayExpected ? row_.arrayExpected : "Array expected");
            return false;
        }
        if (!ArgArray(i)) {
            if (row_.notAnArray)
                ci.SetError(row_.notAnArray);
            else
                ReportNotAnArray(ci, i, row_.where ? row_.where : row_.name);
            return false;
        }
    }
    return true;
}

bool TBuiltinCall::IsValueParameter(char kind) {
    return kind == TParam::kNumber || kind == TParam::kText || kind == TParam::kValue;
}

bool TBuiltinCall::PrepareArguments(TCalcInfo& ci) {
    for (int i = 0; i < argc_; ++i) {
        if (!IsValueParameter(row_.params[i])) continue;
        args_[i]->Evaluate(ci, values_[i]);
        if (ci.error) return false;
    }
    return !hasArrays_ || FindArrays(ci);
}

// Lazy:   stack check, then the step with the arguments as written.
// Eager:  stack check, value arguments into slots (in order, the first error ends the
//         call), arrays looked up, then the step.
void TBuiltinCall::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    if (row_.lazy) return row_.lazy(*this, ci, result);
    TFillGuard guard(*this);
    if (!PrepareArguments(ci)) return;
    row_.value(*this, ci, result);
}

double TBuiltinCall::EvalNumber(TCalcInfo& ci) {
    if (!row_.lazyNumber) return TFunction::EvalNumber(ci);
    if (StackExhausted(ci)) return 0;
    return row_.lazyNumber(*this, ci);
}

bool TBuiltinCall::EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) {
    if (!row_.lazyNumberOrText) return TFunction::EvalNumberOrText(ci, out, text);
    out = 0;
    if (StackExhausted(ci)) return true;
    return row_.lazyNumberOrText(*this, ci, out, text);
}

void TBuiltinNumberCall::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    const double v = EvalNumber(ci);
    if (!ci.error) result.SetNumber(v);
}

bool TBuiltinNumberCall::TryNumber(TCalcInfo& ci, double& out) {
    out = EvalNumber(ci);
    return true;
}

double TBuiltinNumberCall::EvalNumber(TCalcInfo& ci) {
    if (StackExhausted(ci)) return 0;
    // A number argument of a unary routine needs no slot (a text takes the way below).
    if (double x; unary_ && TryNumberOf(args_[0].get(), ci, x)) return ci.error ? 0 : unary_(x);
    TFillGuard guard(*this);
    for (int i = 0; i < argc_; ++i) {
        if (!IsValueParameter(row_.params[i])) continue;
        if (double v; TryNumberOf(args_[i].get(), ci, v))
            values_[i].SetNumber(v);
        else
            args_[i]->Evaluate(ci, values_[i]);
        if (ci.error) return 0;
    }
    if (hasArrays_ && !FindArrays(ci)) return 0;
    return unary_ ? unary_(values_[0].GetNumber()) : number_(*this, ci);
}

} // namespace NuvixParser
