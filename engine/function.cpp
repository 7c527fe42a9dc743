// TFunction: argument slots, the default evaluation and help defaults.
#include "engine/function.h"

#include "engine/calc_info.h"
#include "engine/operands.h"
#include "engine/stack_guard.h"

namespace NuvixParser {

// Marks a node as filling its slots; a nested fill swaps in fresh slots and puts the
// outer ones back when it ends (also when it ends by an exception).
class TFillGuard {
public:
    explicit TFillGuard(TFunction& f) : f_(f) {
        if (f_.filling_++ > 0 && f_.argc_ > 0) {
            outer_ = std::move(f_.values_);
            f_.values_ = MakePoolArray<TReturnValue>(static_cast<std::size_t>(f_.argc_));
        }
    }
    ~TFillGuard() {
        --f_.filling_;
        if (outer_) f_.values_ = std::move(outer_);
    }
    TFillGuard(const TFillGuard&) = delete;
    TFillGuard& operator=(const TFillGuard&) = delete;

private:
    TFunction& f_;
    TPoolArray<TReturnValue> outer_;
};

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

bool TFunction::EvaluateArgument(int i, TCalcInfo& ci, TReturnValue& v) {
    args_[i]->Evaluate(ci, v);
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

std::string TFunction::Syntax() const {
    if (const char* p = ParamText()) return std::string("(") + p + ")";
    std::string s = "(";
    const int n = ArgumentCount();
    for (int i = 0; i < n; ++i) {
        if (i > 0) s += ';';
        s += static_cast<char>('a' + i % 26);
    }
    return s + ")";
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

// The steps of TFunction::Evaluate: arguments in order into their slots (stopping at the
// first error), then Compute, which does not run after an error.
double TNumericFunction::EvalNumber(TCalcInfo& ci) {
    if (StackExhausted(ci)) return 0;
    // A number argument of a unary routine needs no slot (a text takes the way below).
    if (double x; unary_ && TryNumberOf(args_[0].get(), ci, x)) return ci.error ? 0 : unary_(x);
    TFillGuard guard(*this);
    for (int i = 0; i < argc_; ++i) {
        if (double v; TryNumberOf(args_[i].get(), ci, v))
            values_[i].SetNumber(v);
        else
            args_[i]->Evaluate(ci, values_[i]);
        if (ci.error) return 0;
    }
    return static_cast<double>(Compute(ci));
}

long double TNumericFunction::Compute(TCalcInfo& ci) {
    return unary_ ? unary_(Value(0).GetNumber()) : TFunction::Compute(ci);
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
