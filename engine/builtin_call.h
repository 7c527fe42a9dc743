// TBuiltinCall: the call node of a built-in row, which takes the steps every built-in shares.
#pragma once

#include "engine/builtin.h"
#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/stack_guard.h"

namespace NuvixParser {

class TArrayEntry;

// A call of a row. Before the row's own step runs the node has checked the stack, and for
// an eager row (unary, number, value) evaluated the value arguments into their slots and
// looked up the array arguments; the step runs only when all of that succeeded.
class TBuiltinCall : public TFunction {
public:
    explicit TBuiltinCall(const TBuiltin& row);

    const TBuiltin& Row() const { return row_; }
    int ArgumentCount() const final;
    // Array parameters must be written name[], variable parameters as a variable.
    bool CheckArguments() final;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    double EvalNumber(TCalcInfo& ci) override;
    bool EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) override;

    // The array of an array parameter, found by the eager steps (never none there).
    TArrayEntry* Array(int i) const { return ArgArray(i); }
    // How many evaluations of this node are filling slots right now, for steps that
    // evaluate their own arguments (see TArgumentSlot).
    int& FillCount() { return filling_; }

protected:
    // The shared steps of an eager row; false when one of them raised an error.
    bool PrepareArguments(TCalcInfo& ci);
    // The arrays of the a and l arguments, with their errors; false after one.
    bool FindArrays(TCalcInfo& ci);
    static bool IsValueParameter(char kind);

    const TBuiltin& row_;
    bool hasArrays_ = false;
};

// A call of a row whose value is always a number (unary and number steps): read inside
// arithmetic without a value record, and its number arguments reach their slots without
// one either.
class TBuiltinNumberCall final : public TBuiltinCall {
public:
    explicit TBuiltinNumberCall(const TBuiltin& row) : TBuiltinCall(row), unary_(row.unary), number_(row.number) {}

    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    double EvalNumber(TCalcInfo& ci) override;
    bool ResultIsNumber() const override { return true; }
    bool TryNumber(TCalcInfo& ci, double& out) override;

private:
    // Copied from the row: the hot path reads them without going through it.
    TUnaryRoutine unary_;
    TNumberStep number_;
};

// A call of one lazy row known when the program is compiled, for the hottest rows (if):
// its steps are direct calls the compiler can inline, where TBuiltinCall reaches them
// through the row. The row names it as its node: WithNode(kRow, &MakeFixedCall<kRow>).
template <const TBuiltin& kRow> class TFixedCall final : public TBuiltinCall {
public:
    TFixedCall() : TBuiltinCall(kRow) {}
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
        if (StackExhausted(ci)) return;
        kRow.lazy(*this, ci, result);
    }
    double EvalNumber(TCalcInfo& ci) override {
        if constexpr (kRow.lazyNumber == nullptr) {
            return TBuiltinCall::EvalNumber(ci);
        } else {
            if (StackExhausted(ci)) return 0;
            return kRow.lazyNumber(*this, ci);
        }
    }
    bool EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) override {
        if constexpr (kRow.lazyNumberOrText == nullptr) {
            return TBuiltinCall::EvalNumberOrText(ci, out, text);
        } else {
            out = 0;
            if (StackExhausted(ci)) return true;
            return kRow.lazyNumberOrText(*this, ci, out, text);
        }
    }
};

template <const TBuiltin& kRow> std::unique_ptr<TFunction> MakeFixedCall() {
    return std::make_unique<TFixedCall<kRow>>();
}

// The row with a node factory of its own.
constexpr TBuiltin WithNode(TBuiltin row, TFunctionFactory node) {
    row.node = node;
    return row;
}

// The break check of a step that loops: true when the run must end (an error stands, or
// the user broke off the run, which then ends with "Breaked").
inline bool StopRequested(TCalcInfo& ci) {
    if (ci.error) return true;
    if (ci.BreakRequested()) {
        ci.SetBreaked();
        return true;
    }
    return false;
}

} // namespace NuvixParser
