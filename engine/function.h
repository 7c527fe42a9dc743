// TFunction: the node of every call, built-in or user-defined, with its argument slots.
#pragma once

#include <memory>
#include <string>

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
};

} // namespace NuvixParser
