// TFunction: the node of every built-in call, with argument slots and help texts.
#pragma once

#include <memory>
#include <string>

#include "engine/number_node.h"
#include "engine/parser_atom.h"
#include "engine/return_value.h"

namespace NuvixParser {

class TArrayEntry;

class TFunction : public TParserAtom {
public:
    // Allocates ArgumentCount() empty argument slots and values; called by the parser
    // right after creating the object.
    void Prepare();

    void Bind(TVarHandler& store) override;
    // Evaluates every argument into its value slot (stopping at the first error), then
    // stores Compute() as the number result. Compute does not run after an error.
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;

    // The numeric body used by the default Evaluate; errors go to ci.
    virtual long double Compute(TCalcInfo& ci);
    // "(" + ParamText + ")", or one letter per argument: (a;b).
    virtual std::string Syntax() const;
    // Help texts; nullptr stands for "none".
    virtual const char* ParamText() const { return nullptr; }
    virtual const char* Description() const { return "No Description available."; }
    virtual const char* Example() const { return nullptr; }
    virtual const char* ExampleExplanation() const { return nullptr; }
    virtual const char* SeeAlso() const { return nullptr; }
    // Parse-time check once all arguments are attached; false gives "Illegal argument".
    virtual bool CheckArguments() { return true; }
    // The exact number of arguments a call must have.
    virtual int ArgumentCount() const = 0;

    int ArgCount() const { return argc_; }
    TParserAtom* Arg(int i) const { return args_[i].get(); }
    void SetArgument(int i, TNodePtr node) { args_[i] = std::move(node); }
    TReturnValue& Value(int i) { return values_[i]; }
    const TReturnValue& Value(int i) const { return values_[i]; }
    // Argument i as an assignable operand (a variable or array element), or none.
    TOperandBase* ArgOperand(int i) const;
    // The bound array of an argument written name[], or none (not an array operand, or
    // the name belongs to a scalar).
    TArrayEntry* ArgArray(int i) const;
    bool ArgIsArray(int i) const;
    // The error of an argument written name[] whose name belongs to a scalar: "<where>:
    // name is not an array". Only for such an argument (ArgIsArray, no ArgArray).
    void ReportNotAnArray(TCalcInfo& ci, int i, std::string_view where) const;

protected:
    // Fills the value slots; false when an argument raised an error.
    bool EvaluateArguments(TCalcInfo& ci);
    // Evaluates argument i alone into v, a value of the caller's own rather than the slot,
    // for functions that take other arguments as arrays: a call reached again from its own
    // arguments cannot overwrite it. False when the argument raised an error.
    bool EvaluateArgument(int i, TCalcInfo& ci, TReturnValue& v);

    int argc_ = 0;
    TPoolArray<TNodePtr> args_;
    TPoolArray<TReturnValue> values_;
    // How many evaluations of this node are filling its value slots right now. A call can
    // be reached again from inside one of its own arguments (a recursive user function
    // passed as the second argument); the inner evaluation then works on fresh slots so
    // the outer one's finished arguments survive.
    int filling_ = 0;
    friend class TFillGuard;
};

// A function whose value is always a number: Compute over the numeric or text readings of
// its arguments. Used inside arithmetic it is read without a value record, and arguments
// that are numbers go to their slots without one either.
class TNumericFunction : public TNumberNode<TFunction> {
public:
    // A function of one number given by a plain routine (sin, cos, ...): the argument is
    // read as a number and passed straight to it, without its slot.
    using TUnary = double (*)(double);
    explicit TNumericFunction(TUnary unary = nullptr) : unary_(unary) {}

    double EvalNumber(TCalcInfo& ci) final;
    // The routine of a unary function over the numeric reading of its argument.
    long double Compute(TCalcInfo& ci) override;
    // The routine of a unary function; none for the others.
    TUnary Unary() const { return unary_; }

private:
    TUnary unary_;
};

// Counts an evaluation in progress for as long as it lives.
class TFillCount {
public:
    explicit TFillCount(int& count) : count_(count) { ++count_; }
    ~TFillCount() { --count_; }
    TFillCount(const TFillCount&) = delete;
    TFillCount& operator=(const TFillCount&) = delete;

private:
    int& count_;
};

// Unary minus, built by the parser for a leading '-'; registered under no name.
class TNeg final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo&) override { return -values_[0].GetNumber(); }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    double EvalNumber(TCalcInfo& ci) override;
    bool ResultIsNumber() const override { return true; }
    const char* Description() const override { return "Returns -1*<a>."; }
};

} // namespace NuvixParser
