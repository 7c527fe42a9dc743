// Binary operator nodes: arithmetic, comparison, logic, assignment and the sequence ','.
#pragma once

#include <cmath>
#include <memory>
#include <type_traits>
#include <vector>

#include "engine/conversions.h"

#include "engine/number_node.h"
#include "engine/parser_atom.h"

namespace NuvixParser {

class TOperand;
class TOperandBase;
class TVarEntry;

class TOpFunction : public TParserAtom {
public:
    TOpFunction() = default;
    // Destroys the left spine in a loop: a script of 300,000 statements is a left-deep
    // chain of ',' nodes that recursion would not survive on a small stack.
    ~TOpFunction() override;

    void SetOperands(TNodePtr left, TNodePtr right);
    // Binds the left spine in a loop, in the order recursion would: left before right.
    void Bind(TVarHandler& store) override;
    // Checked once by the parser after both operands are attached.
    virtual bool CheckOperands() { return true; }
    // The value of an operator of two number constants, where computing it now gives
    // exactly what every run would: the operator's own rule on the same doubles, which
    // can neither fail nor touch a text. The parser then keeps a constant instead (a
    // table of `vN = N * 2 + 1` holds one node for the right side, not five). False where
    // the value has to be computed at run time. The caller keeps floating-point traps off.
    virtual bool FoldedValue(double& out) const {
        (void)out;
        return false;
    }
    TOpFunction* AsOperator() final { return this; }
    // A ',' node.
    virtual bool IsSequence() const { return false; }

    TParserAtom* Left() const { return left_.get(); }
    TParserAtom* Right() const { return right_.get(); }
    // Gives both operands up, so the caller decides the order they go in.
    void TakeOperands(TNodePtr& left, TNodePtr& right) {
        left = std::move(left_);
        right = std::move(right_);
    }

    // The operators a kVarOperator or kRunUpdate node may carry. The four of op= come first
    // and together: RunUpdate tells the compiler its code is among them by that range.
    enum TInlineOp : unsigned char {
        kNoInline,
        kInlineSub,
        kInlineAdd,
        kInlineMult,
        kInlineDiv,
        kInlineLess,
        kInlineGreater,
        kInlineLessEq,
        kInlineGreaterEq,
        kInlineEqual,
        kInlineUnequal,
    };
    TInlineOp InlineOp() const { return inlineOp_; }

protected:
    // The leaf kinds of both operands, fixed when they are attached: operators take a
    // short way for variables and constants without calling into them.
    static constexpr unsigned char kVarNumber = kScalarLeaf | kNumberLeaf << 2;
    static constexpr unsigned char kVarVar = kScalarLeaf | kScalarLeaf << 2;
    static constexpr unsigned char kNumberVar = kNumberLeaf | kScalarLeaf << 2;
    static constexpr unsigned char kNumberNumber = kNumberLeaf | kNumberLeaf << 2;
    // The entry of a variable operand and the value of a number operand (only valid for
    // operands of those kinds).
    static TVarEntry* VarEntryOf(const TNodePtr& operand);
    static double NumberOfConstant(const TNodePtr& operand);

    // A script of a million statements holds millions of these nodes: the small fields
    // come first, where they share the 8 bytes of TParserAtom's kinds, so an operator
    // is its vtable, its kinds and two pointers.
    unsigned char shape_ = 0;
    TInlineOp inlineOp_ = kNoInline; // set by the operators that can be run inline
    bool inlineUpdate_ = false;      // op=: kRunUpdate instead of kVarOperator
    bool inlineRightVar_ = false;
    // For assignments: 0 not looked at yet, 1 the left side is no variable, 2 it is an
    // operand (a variable or an array element), 3 a plain variable.
    unsigned char targetKind_ = 0;
    TNodePtr left_;
    TNodePtr right_;

private:
    // After the operands are bound: the entries of a kVarOperator or kRunUpdate node.
    void FetchInlineEntry();
};

// An operator that callers may compute without a visit when it joins a variable with a
// number constant or a second variable (i < n, x += 1): it keeps the operator, the left
// variable's entry and the right operand at hand. Only these operators can become
// kVarOperator or kRunUpdate nodes (they alone set an inline operator code).
class TInlineOperator : public TOpFunction {
public:
    // Entries are none until bound.
    TVarEntry* InlineEntry() const { return inlineEntry_; }
    bool InlineRightIsVariable() const { return inlineRightVar_; }
    const TVarEntry* InlineRight() const { return inlineRight_; }
    double InlineNumber() const { return inlineNumber_; }

private:
    friend class TOpFunction;
    TVarEntry* inlineEntry_ = nullptr;
    union {
        const TVarEntry* inlineRight_ = nullptr; // a second variable (inlineRightVar_)
        double inlineNumber_;                    // a number constant
    };
};

// Creates the node of an operator code (the byte of a one-byte operator or the code
// letter of a two-byte one: e g l u p m t d), or none.
std::unique_ptr<TOpFunction> CreateOperatorNode(char code);
// Binding strength of an operator code, 0 when the byte is no operator.
int OperatorPrecedence(unsigned char code);

// Numeric operators whose evaluation is left, right, then the rule's Compute.
template <class Op>
class TNumericOp
    : public TNumberNode<std::conditional_t<Op::kInline == TOpFunction::kNoInline, TOpFunction, TInlineOperator>> {
public:
    TNumericOp() { this->inlineOp_ = Op::kInline; }
    double EvalNumber(TCalcInfo& ci) final;
    bool FoldedValue(double& out) const final;

private:
    // Operands that are not both leaves with values: evaluated through their nodes.
    [[gnu::noinline]] double EvalGeneric(TCalcInfo& ci);
};

// The arithmetic of each operator, defined here once: the operator nodes, the inline
// forms of operands.h (through ComputeInline) and the compound assignments all call these.
// Division is IEEE (x/0 gives an infinity, 0/0 NaN); pow reports nothing; the logical
// operators use the integer truth of both sides (no short circuit: both are evaluated);
// comparisons give exactly 0 or 1.
struct TAddRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineAdd;
    static double Compute(double a, double b) { return a + b; }
};
struct TSubRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineSub;
    static double Compute(double a, double b) { return a - b; }
};
class TSub final : public TNumericOp<TSubRule> {};
struct TMultRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineMult;
    static double Compute(double a, double b) { return a * b; }
};
class TMult final : public TNumericOp<TMultRule> {};
struct TDivRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineDiv;
    static double Compute(double a, double b) { return a / b; }
};
class TDiv final : public TNumericOp<TDivRule> {};
struct TExpRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kNoInline;
    static double Compute(double a, double b) { return std::pow(a, b); }
};
class TExp final : public TNumericOp<TExpRule> {};
struct TAndRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kNoInline;
    static double Compute(double a, double b) {
        return (DoubleToInt32(a) != 0 && DoubleToInt32(b) != 0) ? 1.0 : 0.0;
    }
};
class TAnd final : public TNumericOp<TAndRule> {};
struct TOrRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kNoInline;
    static double Compute(double a, double b) {
        return (DoubleToInt32(a) != 0 || DoubleToInt32(b) != 0) ? 1.0 : 0.0;
    }
};
class TOr final : public TNumericOp<TOrRule> {};
struct TRelLRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineLess;
    static double Compute(double a, double b) { return a < b ? 1.0 : 0.0; }
};
class TRelL final : public TNumericOp<TRelLRule> {};
struct TRelGRule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineGreater;
    static double Compute(double a, double b) { return a > b ? 1.0 : 0.0; }
};
class TRelG final : public TNumericOp<TRelGRule> {};
struct TRelERule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineEqual;
    static double Compute(double a, double b) { return a == b ? 1.0 : 0.0; }
};
class TRelE final : public TNumericOp<TRelERule> {};
struct TRelGERule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineGreaterEq;
    static double Compute(double a, double b) { return a >= b ? 1.0 : 0.0; }
};
class TRelGE final : public TNumericOp<TRelGERule> {};
struct TRelLERule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineLessEq;
    static double Compute(double a, double b) { return a <= b ? 1.0 : 0.0; }
};
class TRelLE final : public TNumericOp<TRelLERule> {};
struct TRelURule {
    static constexpr TOpFunction::TInlineOp kInline = TOpFunction::kInlineUnequal;
    static double Compute(double a, double b) { return a != b ? 1.0 : 0.0; }
};
class TRelU final : public TNumericOp<TRelURule> {};

// The rule of an inline operator code, for the kVarOperator and kRunUpdate nodes that
// callers compute without a visit (ReadVarOp, RunUpdate in operands.h). Never asked for
// kNoInline: only operators with a rule are made inline.
inline double ComputeInline(TOpFunction::TInlineOp op, double a, double b) {
    switch (op) {
    case TOpFunction::kInlineSub: return TSubRule::Compute(a, b);
    case TOpFunction::kInlineAdd: return TAddRule::Compute(a, b);
    case TOpFunction::kInlineMult: return TMultRule::Compute(a, b);
    case TOpFunction::kInlineDiv: return TDivRule::Compute(a, b);
    case TOpFunction::kInlineLess: return TRelLRule::Compute(a, b);
    case TOpFunction::kInlineGreater: return TRelGRule::Compute(a, b);
    case TOpFunction::kInlineLessEq: return TRelLERule::Compute(a, b);
    case TOpFunction::kInlineGreaterEq: return TRelGERule::Compute(a, b);
    case TOpFunction::kInlineEqual: return TRelERule::Compute(a, b);
    case TOpFunction::kInlineUnequal: return TRelURule::Compute(a, b);
    case TOpFunction::kNoInline: break;
    }
    __builtin_unreachable();
}

// '+': two texts concatenate, anything else adds numeric readings.
class TAdd final : public TInlineOperator {
public:
    TAdd() { inlineOp_ = TAddRule::kInline; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    double EvalNumber(TCalcInfo& ci) override;
    bool EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) override;
    // Two number constants add; a text constant makes no number constant.
    bool FoldedValue(double& out) const override;

private:
    // The one evaluation behind all three: a number in `out` (true) or a text in `text`.
    bool Sum(TCalcInfo& ci, double& out, TReturnValue& text);
    [[gnu::noinline]] void AddToText(TCalcInfo& ci, TReturnValue& result);
};

// ',': the value of the right side; checks for a break between the two. A script's
// statements make a left-deep chain of these, (a, b), c for a, b, c; the parser puts a
// TSepHead at the top of each chain.
class TSep : public TOpFunction {
public:
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    double EvalNumber(TCalcInfo& ci) override;
    bool EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) override;
    void Execute(TCalcInfo& ci, TReturnValue& scratch) override;
    bool IsSequence() const final { return true; }
};

// The top ',' node of a chain. Bound, it lists the operands of the ',' nodes below it, in
// order, and its run kind becomes kRunSequence: the chain then runs in a loop over them,
// as the nested nodes would, with no recursion for a script of many statements. Only the
// top holds the list: the million ',' nodes of a long script carry no pointer for it.
class TSepHead final : public TSep {
public:
    void Bind(TVarHandler& store) override;
    // Valid once the node's run kind is kRunSequence.
    TParserAtom* const* FirstStep() const { return steps_->data(); }
    TParserAtom* const* LastStep() const { return &steps_->back(); }

private:
    std::unique_ptr<std::vector<TParserAtom*>> steps_;
};

// '=' and the compound assignments; the left side must be a variable or array operand.
// TBase is TOpFunction for '=' and TInlineOperator for op=, which may run inline.
template <class TBase> class TAssignBase : public TBase {
public:
    bool CheckOperands() override { return Target() != nullptr; }

protected:
    // The left side as an assignable operand, or none when it is not a variable. Only
    // operands report IsVariable, so the cast is safe exactly then; the answer never
    // changes for a node, so it is looked up once.
    TOperandBase* Target() {
        if (this->targetKind_ == 0) [[unlikely]] {
            TParserAtom* left = this->left_.get();
            this->targetKind_ = !left || !left->IsVariable() ? 1 : left->LeafKind() == kScalarLeaf ? 3 : 2;
        }
        return this->targetKind_ >= 2 ? static_cast<TOperandBase*>(this->left_.get()) : nullptr;
    }
    // The bound entry of the left side when it is a plain variable (valid after Target).
    TVarEntry* ScalarTargetEntry() const;
};

class TAssign final : public TAssignBase<TOpFunction> {
public:
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    void Execute(TCalcInfo& ci, TReturnValue& scratch) override;

private:
    void Assign(TCalcInfo& ci, TReturnValue& result, bool keepValue);
    [[gnu::noinline]] void AssignGeneric(TCalcInfo& ci, TReturnValue& result, bool keepValue);
};

// x op= y stores x op y by the operator's rule; OpChar names the operator in messages.
template <class Op, char OpChar> class TCompoundAssign : public TAssignBase<TInlineOperator> {
public:
    TCompoundAssign() {
        this->inlineOp_ = Op::kInline;
        this->inlineUpdate_ = true;
    }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) final;
    void Execute(TCalcInfo& ci, TReturnValue& scratch) final;
    // Only += can give a text (appending one).
    bool ResultIsNumber() const final { return OpChar != '+'; }

private:
    void Update(TCalcInfo& ci, TReturnValue& result, bool keepValue);
    [[gnu::noinline]] void UpdateGeneric(TCalcInfo& ci, TReturnValue& result, bool keepValue);
    [[gnu::noinline]] void EvaluateWithText(TCalcInfo& ci, TReturnValue& result, TOperandBase& target,
                                            bool keepValue);
    [[gnu::noinline, gnu::cold]] static void ReportConstantTarget(TCalcInfo& ci);
};

class TPlusEq final : public TCompoundAssign<TAddRule, '+'> {};
class TMinusEq final : public TCompoundAssign<TSubRule, '-'> {};
class TMultEq final : public TCompoundAssign<TMultRule, '*'> {};
class TDivEq final : public TCompoundAssign<TDivRule, '/'> {};

} // namespace NuvixParser
