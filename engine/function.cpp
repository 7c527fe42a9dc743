// TFunction: argument slots and the default evaluation.
#include "engine/function.h"

#include "engine/calc_info.h"
#include "engine/operands.h"
#include "engine/stack_guard.h"

namespace NuvixParser {

void TFunction::Prepare() {
    argc_ = ArgumentCount();
    if (argc_ < 0) argc_ = 0;
    args_ = MakePoolArray<TNodePtr>(static_cast<std::size_t>(argc_));
    values_ = MakePoolArray<TReturnValue>(static_cast<std::size_t>(argc_));
}

void TFunction::Bind(TVarHandler& store) {
    for (int i = 0; i < argc_; ++i)
        if (args_[i]) args_[i]->Bind(store);
}

bool TFunction::EvaluateArguments(TCalcInfo& ci) {
    for (int i = 0; i < argc_ && !ci.error; ++i) args_[i]->Evaluate(ci, values_[i]);
    return !ci.error;
}

void TFunction::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    TFillGuard guard(*this);
    if (!EvaluateArguments(ci)) return;
    result.SetNumber(static_cast<double>(Compute(ci)));
}

long double TFunction::Compute(TCalcInfo&) {
    return 0;
}

TOperandBase* TFunction::ArgOperand(int i) const {
    TParserAtom* a = args_[i].get();
    return a && a->IsVariable() ? static_cast<TOperandBase*>(a) : nullptr;
}

bool TFunction::ArgIsArray(int i) const {
    TOperandBase* op = ArgOperand(i);
    return op && op->IsArray();
}

TArrayEntry* TFunction::ArgArray(int i) const {
    return ArgIsArray(i) ? static_cast<TOpArray*>(args_[i].get())->Entry() : nullptr;
}

void TFunction::ReportNotAnArray(TCalcInfo& ci, int i, std::string_view where) const {
    static_cast<const TOpArray*>(args_[i].get())->ReportNotAnArray(ci, where);
}

void TNeg::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    const double v = EvalNumber(ci);
    if (!ci.error) result.SetNumber(v);
}

double TNeg::EvalNumber(TCalcInfo& ci) {
    if (StackExhausted(ci)) return 0;
    const double v = args_[0]->EvalNumber(ci);
    return ci.error ? 0 : -v;
}

} // namespace NuvixParser
