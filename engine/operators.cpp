// Evaluation of the binary operators, and the walks over left-deep operator spines.
#include "engine/operators.h"

#include <algorithm>
#include <vector>

#include "engine/calc_info.h"
#include "engine/operands.h"
#include "engine/return_value.h"
#include "engine/stack_guard.h"
#include "engine/var_entry.h"

namespace NuvixParser {

// ---- spine handling ---------------------------------------------------------------------

TOpFunction::~TOpFunction() {
    // Unhook each left operator before its node dies, so no destructor recurses into a
    // long left spine; right subtrees are shallow (bounded by bracket nesting).
    TNodePtr next = std::move(left_);
    while (next) {
        TOpFunction* op = next->AsOperator();
        if (!op) break;
        TNodePtr below = std::move(op->left_);
        next = std::move(below);
    }
}

void TOpFunction::SetOperands(TNodePtr left, TNodePtr right) {
    left_ = std::move(left);
    right_ = std::move(right);
    shape_ = left_ && right_ ? static_cast<unsigned char>(left_->LeafKind() | right_->LeafKind() << 2) : 0;
    if ((shape_ == kVarNumber || shape_ == kVarVar) && inlineOp_ != kNoInline) {
        if (inlineUpdate_)
            runKind_ = kRunUpdate;
        else
            leafKind_ = kVarOperator;
        inlineRightVar_ = shape_ == kVarVar;
        // Only TInlineOperator nodes set an inline operator code.
        if (!inlineRightVar_) static_cast<TInlineOperator*>(this)->inlineNumber_ = NumberOfConstant(right_);
    }
}

inline TVarEntry* TOpFunction::VarEntryOf(const TNodePtr& operand) {
    return static_cast<TOperand*>(operand.get())->Entry();
}

inline double TOpFunction::NumberOfConstant(const TNodePtr& operand) {
    return static_cast<TConstOperand*>(operand.get())->Number();
}

void TOpFunction::Bind(TVarHandler& store) {
    // Equivalent to left_->Bind(store); right_->Bind(store); applied down the spine.
    if (!left_ || !left_->AsOperator()) {
        if (left_) left_->Bind(store);
        if (right_) right_->Bind(store);
        FetchInlineEntry();
        return;
    }
    std::vector<TOpFunction*> spine;
    TOpFunction* op = this;
    while (op) {
        spine.push_back(op);
        op = op->left_ ? op->left_->AsOperator() : nullptr;
    }
    if (TParserAtom* leaf = spine.back()->left_.get()) leaf->Bind(store);
    for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
        if ((*it)->right_) (*it)->right_->Bind(store);
        (*it)->FetchInlineEntry();
    }
}

void TOpFunction::FetchInlineEntry() {
    if (leafKind_ != kVarOperator && runKind_ != kRunUpdate) return;
    auto* self = static_cast<TInlineOperator*>(this); // the only kind of node with these kinds
    self->inlineEntry_ = VarEntryOf(left_);
    if (inlineRightVar_) self->inlineRight_ = VarEntryOf(right_);
}

// The numeric operators never need a value record: numbers flow straight through. Two
// leaves with values need neither calls nor a stack check (nothing below can recurse).
template <class Op> double TNumericOp<Op>::EvalNumber(TCalcInfo& ci) {
    switch (this->shape_) {
    case TOpFunction::kVarNumber:
        if (const TVarEntry* a = this->VarEntryOf(this->left_); a && a->hasValue) [[likely]]
            return Op::Compute(a->number, this->NumberOfConstant(this->right_));
        break;
    case TOpFunction::kVarVar: {
        const TVarEntry* a = this->VarEntryOf(this->left_);
        const TVarEntry* b = this->VarEntryOf(this->right_);
        if (a && a->hasValue && b && b->hasValue) [[likely]]
            return Op::Compute(a->number, b->number);
        break;
    }
    case TOpFunction::kNumberVar:
        if (const TVarEntry* b = this->VarEntryOf(this->right_); b && b->hasValue) [[likely]]
            return Op::Compute(this->NumberOfConstant(this->left_), b->number);
        break;
    default: break;
    }
    return EvalGeneric(ci);
}

template <class Op> double TNumericOp<Op>::EvalGeneric(TCalcInfo& ci) {
    if (StackExhausted(ci)) return 0;
    const double a = NumberOf(this->left_.get(), ci);
    if (ci.error) return 0;
    const double b = NumberOf(this->right_.get(), ci);
    if (ci.error) return 0;
    return Op::Compute(a, b);
}

template <class Op> bool TNumericOp<Op>::FoldedValue(double& out) const {
    if (this->shape_ != TOpFunction::kNumberNumber) return false;
    out = Op::Compute(this->NumberOfConstant(this->left_), this->NumberOfConstant(this->right_));
    return true;
}

template class TNumericOp<TSubRule>;
template class TNumericOp<TMultRule>;
template class TNumericOp<TDivRule>;
template class TNumericOp<TExpRule>;
template class TNumericOp<TAndRule>;
template class TNumericOp<TOrRule>;
template class TNumericOp<TRelLRule>;
template class TNumericOp<TRelGRule>;
template class TNumericOp<TRelERule>;
template class TNumericOp<TRelGERule>;
template class TNumericOp<TRelLERule>;
template class TNumericOp<TRelURule>;

// ---- '+' and ',' ------------------------------------------------------------------------

void TAdd::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    double sum;
    if (!Sum(ci, sum, result)) return; // a text, built in result
    if (!ci.error) result.SetNumber(sum);
}

bool TAdd::EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) {
    if (Sum(ci, out, text)) {
        if (ci.error) out = 0;
        return true;
    }
    return false;
}

double TAdd::EvalNumber(TCalcInfo& ci) {
    double sum;
    if (leafKind_ == kVarOperator && ReadVarOp(this, sum)) return sum;
    TReturnValue text;
    if (Sum(ci, sum, text)) return ci.error ? 0 : sum;
    // Two texts concatenate: the numeric reading is that of the joined text.
    return text.GetNumber();
}

bool TAdd::FoldedValue(double& out) const {
    if (shape_ != kNumberNumber) return false;
    out = TAddRule::Compute(NumberOfConstant(left_), NumberOfConstant(right_));
    return true;
}

// A number on the left adds whatever comes on the right by its numeric reading; a text on
// the left is built in `text` itself, so concatenation appends in place.
inline bool TAdd::Sum(TCalcInfo& ci, double& out, TReturnValue& text) {
    out = 0;
    if (StackExhausted(ci)) return true;
    double a;
    if (NumberOrTextOf(left_.get(), ci, a, text)) {
        if (ci.error) return true;
        const double b = NumberOf(right_.get(), ci);
        out = TAddRule::Compute(a, b);
        return true;
    }
    if (ci.error) return true;
    AddToText(ci, text);
    if (!text.isString || ci.error) {
        out = text.number;
        return true;
    }
    return false;
}

// A text on the left: two texts join, a number on the right adds to the text's reading.
void TAdd::AddToText(TCalcInfo& ci, TReturnValue& result) {
    TReturnValue right;
    right_->Evaluate(ci, right);
    if (ci.error) return;
    if (result.isString && right.isString) {
        result.text += right.text;
        return;
    }
    result.SetNumber(TAddRule::Compute(result.GetNumber(), right.GetNumber()));
}

void TSepHead::Bind(TVarHandler& store) {
    TOpFunction::Bind(store);
    if (steps_) return; // the chain does not change once built
    std::vector<TParserAtom*> steps;
    TParserAtom* node = this;
    while (node && node->AsOperator() && node->AsOperator()->IsSequence()) {
        steps.push_back(node->AsOperator()->Right());
        node = node->AsOperator()->Left();
    }
    steps.push_back(node);
    if (std::find(steps.begin(), steps.end(), nullptr) != steps.end())
        return; // an incomplete node: the nested way reports it
    std::reverse(steps.begin(), steps.end());
    steps_ = std::make_unique<std::vector<TParserAtom*>>(std::move(steps));
    runKind_ = kRunSequence;
}

void TSep::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    if (runKind_ == kRunSequence) {
        const auto& head = static_cast<const TSepHead&>(*this);
        if (RunLeadingSteps(head, ci, result)) EvaluateOf(*head.LastStep(), ci, result);
        return;
    }
    ExecuteOf(left_.get(), ci, result); // the left value is dropped
    if (ci.error) return;
    result.SetNumber(0);
    if (ci.BreakRequested()) {
        ci.SetBreaked();
        return;
    }
    EvaluateOf(right_.get(), ci, result);
}

bool TSep::EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) {
    out = 0;
    if (StackExhausted(ci)) return true;
    if (runKind_ == kRunSequence) {
        const auto& head = static_cast<const TSepHead&>(*this);
        if (!RunLeadingSteps(head, ci, text)) return true;
        return NumberOrTextOf(*head.LastStep(), ci, out, text);
    }
    ExecuteOf(left_.get(), ci, text); // the left value is dropped
    if (ci.error) return true;
    text.SetNumber(0);
    if (ci.BreakRequested()) {
        ci.SetBreaked();
        return true;
    }
    return NumberOrTextOf(right_.get(), ci, out, text);
}

double TSep::EvalNumber(TCalcInfo& ci) {
    TReturnValue scratch;
    double v;
    if (EvalNumberOrText(ci, v, scratch)) return v;
    return scratch.GetNumber();
}

void TSep::Execute(TCalcInfo& ci, TReturnValue& scratch) {
    if (StackExhausted(ci)) return;
    if (runKind_ == kRunSequence) {
        const auto& head = static_cast<const TSepHead&>(*this);
        if (RunLeadingSteps(head, ci, scratch)) ExecuteOf(*head.LastStep(), ci, scratch);
        return;
    }
    ExecuteOf(left_.get(), ci, scratch);
    if (ci.error) return;
    if (ci.BreakRequested()) {
        ci.SetBreaked();
        return;
    }
    ExecuteOf(right_.get(), ci, scratch);
}

// ---- assignments ------------------------------------------------------------------------

template <class TBase> TVarEntry* TAssignBase<TBase>::ScalarTargetEntry() const {
    return this->targetKind_ == 3 ? static_cast<TOperand*>(this->left_.get())->Entry() : nullptr;
}

void TAssign::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    Assign(ci, result, true);
}

void TAssign::Execute(TCalcInfo& ci, TReturnValue& scratch) {
    Assign(ci, scratch, false);
}

// With `keepValue` false the value is not wanted: a text moves into a plain variable
// instead of being copied.
inline void TAssign::Assign(TCalcInfo& ci, TReturnValue& result, bool keepValue) {
    // x = number: stored at once.
    if (shape_ == kVarNumber && !ci.error) {
        if (TVarEntry* e = VarEntryOf(left_)) [[likely]] {
            const double v = NumberOfConstant(right_);
            e->SetNumber(v);
            if (keepValue) result.SetNumber(v);
            return;
        }
    }
    AssignGeneric(ci, result, keepValue);
}

void TAssign::AssignGeneric(TCalcInfo& ci, TReturnValue& result, bool keepValue) {
    if (StackExhausted(ci)) return;
    TOperandBase* target = Target();
    if (!target) {
        ci.SetError("=: Left expression is constant");
        return;
    }
    bool ok;
    if (double v; TryNumberOf(right_.get(), ci, v)) {
        if (ci.error) return;
        if (TVarEntry* e = ScalarTargetEntry()) {
            e->SetNumber(v);
            if (keepValue) result.SetNumber(v);
            return;
        }
        result.SetNumber(v);
        ok = target->AssignNumber(ci, v);
    } else {
        right_->Evaluate(ci, result);
        if (ci.error) return;
        TVarEntry* e = ScalarTargetEntry();
        if (e && result.isString && !keepValue) {
            e->SetString(std::move(result.text));
            result.text.clear();
            return;
        }
        ok =
            result.isString ? target->AssignString(ci, result.text) : target->AssignNumber(ci, result.number);
    }
    if (!ok) ReportRefusedStore(ci, *target, "= operator");
}

template <class Op, char OpChar>
void TCompoundAssign<Op, OpChar>::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    Update(ci, result, true);
}

template <class Op, char OpChar>
void TCompoundAssign<Op, OpChar>::Execute(TCalcInfo& ci, TReturnValue& scratch) {
    Update(ci, scratch, false);
}

template <class Op, char OpChar>
inline void TCompoundAssign<Op, OpChar>::Update(TCalcInfo& ci, TReturnValue& result, bool keepValue) {
    // x op= number or x op= y, both with numbers: read and written in place (not after an
    // error: for's increment runs with the flag set and must store nothing).
    if (double v; runKind_ == kRunUpdate && RunUpdate(this, ci, v)) [[likely]] {
        if (keepValue) result.SetNumber(v);
        return;
    }
    UpdateGeneric(ci, result, keepValue);
}

template <class Op, char OpChar>
void TCompoundAssign<Op, OpChar>::UpdateGeneric(TCalcInfo& ci, TReturnValue& result, bool keepValue) {
    if (StackExhausted(ci)) return;
    TOperandBase* target = Target();
    if (!target) {
        ReportConstantTarget(ci);
        return;
    }
    if (double r; TryNumberOf(right_.get(), ci, r)) {
        // A number: no text append is possible, and the target counts by its numeric
        // reading.
        if (ci.error) return;
        if (TVarEntry* e = ScalarTargetEntry(); e && e->hasValue) {
            // A plain variable read and written in place (what x += 1 in a loop is).
            const double v = Op::Compute(e->number, r);
            e->SetNumber(v);
            if (keepValue) result.SetNumber(v);
            return;
        }
        const double l = left_->EvalNumber(ci);
        if (ci.error) return;
        const double v = Op::Compute(l, r);
        if (!target->AssignNumber(ci, v)) return ReportRefusedStore(ci, *target, std::string(1, OpChar) + "= operator");
        result.SetNumber(v);
        return;
    }
    EvaluateWithText(ci, result, *target, keepValue);
}

// The right side may be a text: kept out of the numeric path above so that one stays lean.
template <class Op, char OpChar>
void TCompoundAssign<Op, OpChar>::EvaluateWithText(TCalcInfo& ci, TReturnValue& result,
                                                   TOperandBase& targetOperand, bool keepValue) {
    TOperandBase* target = &targetOperand;
    TReturnValue right;
    right_->Evaluate(ci, right);
    if (ci.error) return;
    if constexpr (OpChar == '+') {
        // A text appended to a variable that holds a text grows that text where it is: a
        // loop of t += 'x' then costs linear time, not quadratic.
        TVarEntry* e = ScalarTargetEntry();
        if (right.isString && e && e->hasValue && e->isString) {
            e->AppendString(right.text);
            if (keepValue) result.SetString(e->text);
            return;
        }
    }
    left_->Evaluate(ci, result); // current value of the target
    if (ci.error) return;
    if constexpr (OpChar == '+') {
        if (right.isString) {
            // Text append: the left value (a number formatted as text) followed by R.
            if (!result.isString) result.SetString(FormatNumber(result.number));
            result.text += right.text;
            target->AssignString(ci, result.text); // a failed store is not reported
            return;
        }
    }
    const double v = Op::Compute(result.GetNumber(), right.GetNumber());
    if (!target->AssignNumber(ci, v)) return ReportRefusedStore(ci, *target, std::string(1, OpChar) + "= operator");
    result.SetNumber(v);
}

template <class Op, char OpChar>
void TCompoundAssign<Op, OpChar>::ReportConstantTarget(TCalcInfo& ci) {
    ci.SetError(std::string(1, OpChar) + "=: Left expression is constant");
}

template class TCompoundAssign<TAddRule, '+'>;
template class TCompoundAssign<TSubRule, '-'>;
template class TCompoundAssign<TMultRule, '*'>;
template class TCompoundAssign<TDivRule, '/'>;

// ---- table of operators -----------------------------------------------------------------

int OperatorPrecedence(unsigned char code) {
    switch (code) {
    case ',': return 1;
    case '|': return 2;
    case '&': return 3;
    case '<':
    case '>':
    case 'e':
    case 'g':
    case 'l':
    case 'u': return 4;
    case '=':
    case 'p':
    case 'm':
    case 't':
    case 'd': return 5;
    case '+':
    case '-': return 6;
    case '*':
    case '/': return 7;
    case '^': return 8;
    default: return 0;
    }
}

std::unique_ptr<TOpFunction> CreateOperatorNode(char code) {
    switch (code) {
    case ',': return std::make_unique<TSep>();
    case '|': return std::make_unique<TOr>();
    case '&': return std::make_unique<TAnd>();
    case '<': return std::make_unique<TRelL>();
    case '>': return std::make_unique<TRelG>();
    case 'e': return std::make_unique<TRelE>();
    case 'g': return std::make_unique<TRelGE>();
    case 'l': return std::make_unique<TRelLE>();
    case 'u': return std::make_unique<TRelU>();
    case '=': return std::make_unique<TAssign>();
    case 'p': return std::make_unique<TPlusEq>();
    case 'm': return std::make_unique<TMinusEq>();
    case 't': return std::make_unique<TMultEq>();
    case 'd': return std::make_unique<TDivEq>();
    case '+': return std::make_unique<TAdd>();
    case '-': return std::make_unique<TSub>();
    case '*': return std::make_unique<TMult>();
    case '/': return std::make_unique<TDiv>();
    case '^': return std::make_unique<TExp>();
    default: return nullptr;
    }
}

} // namespace NuvixParser
