// Control-flow functions: branches, loops, the variable test and the help entry of define.
#include "functions/control/control_functions.h"

#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/operands.h"
#include "engine/stack_guard.h"
#include "engine/user_function.h"
#include "engine/var_entry.h"

namespace NuvixParser {
namespace {

// The loops test for a break at the start of every iteration, before anything else runs;
// true when the run must end.
bool StopLoop(TCalcInfo& ci) {
    if (ci.error) return true;
    if (ci.BreakRequested()) {
        ci.SetBreaked();
        return true;
    }
    return false;
}

// A branch: the condition counts by its integer reading (truncated, low 32 bits), so 0.5
// and 2^32 are false here although a loop condition of 0.5 is true.
class TIf final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
        if (StackExhausted(ci)) return;
        const bool taken = DoubleToInt32(NumberOf(Arg(0), ci)) != 0;
        if (ci.error) return;
        result.SetNumber(0);
        Arg(taken ? 1 : 2)->Evaluate(ci, result);
    }
    // As a number (if(n<2; n; ...) inside arithmetic): the branch read without a value record.
    double EvalNumber(TCalcInfo& ci) override {
        if (StackExhausted(ci)) return 0;
        const bool taken = DoubleToInt32(NumberOf(Arg(0), ci)) != 0;
        if (ci.error) return 0;
        return NumberOf(Arg(taken ? 1 : 2), ci);
    }
    bool EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) override {
        out = 0;
        if (StackExhausted(ci)) return true;
        const bool taken = DoubleToInt32(NumberOf(Arg(0), ci)) != 0;
        if (ci.error) return true;
        return NumberOrTextOf(Arg(taken ? 1 : 2), ci, out, text);
    }
    const char* ParamText() const override { return "cond;expr1;expr2"; }
    const char* Description() const override {
        return "Evaluates <expr1> if <cond> is true, otherwise <expr2>. Returns the value of the evaluated "
               "expression.";
    }
    const char* Example() const override {
        return "a=42,\nif(a>0;\n println('a is greater than zero');\n println('a is not greater than "
               "zero')\n)";
    }
    const char* ExampleExplanation() const override { return "This prints out 'a is greater than zero'."; }
    const char* SeeAlso() const override { return "while(cond; expr)"; }
};

// The loop conditions of while and for compare the numeric reading with 0: 0.5 and NaN
// count as true.
class TWhile final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
        if (StackExhausted(ci)) return;
        result.SetNumber(0); // the value when the body never runs
        TParserAtom* const cond = Arg(0);
        TParserAtom* const body = Arg(1);
        while (!StopLoop(ci)) {
            if (ConditionOf(cond, ci) == 0) return;
            result.SetNumber(0);
            // A failed condition ends the loop at the next StopLoop, without the body.
            if (ci.error) continue;
            EvaluateBody(body, ci, result);
        }
    }
    const char* ParamText() const override { return "cond;expr"; }
    const char* Description() const override {
        return "Evaluates <expr> as long as <cond> is true. Returns the last result of <expr> or zero.";
    }
    const char* Example() const override { return "s='',\nwhile(length(s)<10;\n s = s + 'X'\n)"; }
    const char* ExampleExplanation() const override { return "This returns the string 'XXXXXXXXXX'."; }
    const char* SeeAlso() const override { return "if(cond;expr1;expr2)"; }
};

//   init ──► [stop?] ──► cond == 0? ──yes──► done
//               ▲            │ no
//               └── incr ◄── expr
// The flags are tested only at the top, so incr still runs after an expr that failed.
class TFor final : public TFunction {
public:
    int ArgumentCount() const override { return 4; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
        if (StackExhausted(ci)) return;
        result.SetNumber(0); // the value when the body never runs
        TReturnValue scratch; // init and incr: their values are dropped
        ExecuteOf(Arg(0), ci, scratch);
        TParserAtom* const cond = Arg(1);
        TParserAtom* const incr = Arg(2);
        TParserAtom* const body = Arg(3);
        while (!StopLoop(ci)) {
            if (ConditionOf(cond, ci) == 0) return;
            result.SetNumber(0);
            EvaluateBody(body, ci, result);
            ExecuteOf(incr, ci, scratch);
        }
    }
    const char* ParamText() const override { return "init;cond;incr;expr"; }
    const char* Description() const override {
        return "Implements a 'for' loop: evaluates <init> once, then evaluates <expr> and <incr> as long as "
               "<cond> is true. Returns the last result of <expr> or zero.";
    }
    const char* Example() const override { return "for(i=0;i<10;i+=1;\n println(i)\n)"; }
    const char* ExampleExplanation() const override {
        return "This prints the numbers from 0 to 9  in the output window.";
    }
    const char* SeeAlso() const override { return "while(a;b), foreach(x,a[],expr)"; }
};

// Runs over the indices of an array, not its elements; the length is taken once, so an
// expr that appends to the array does not lengthen the loop.
class TForEach final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    bool CheckArguments() override { return ArgOperand(0) != nullptr; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
        if (StackExhausted(ci)) return;
        TOperandBase* x = ArgOperand(0);
        if (!x) {
            ci.SetError("ForEach: First argument is not a scalar");
            return;
        }
        if (!ArgIsArray(1)) {
            ci.SetError("ForEach: Second argument is not an array");
            return;
        }
        const TArrayEntry* array = ArgArray(1);
        if (!array) {
            ReportNotAnArray(ci, 1, "ForEach");
            return;
        }
        result.SetNumber(0); // the value when the array is empty
        const std::int32_t n = array->Length();
        TParserAtom* const body = Arg(2);
        TVarEntry* const plain = AsScalarOperand(x) ? AsScalarOperand(x)->Entry() : nullptr;
        for (std::int32_t i = 0; i < n && !StopLoop(ci); ++i) {
            // A refused store (a loop variable like b[-1]) ends the run at once, with no
            // message; the body is not run with the error flag already set.
            if (plain)
                plain->SetNumber(i);
            else if (!x->AssignNumber(ci, i)) {
                ReportRefusedStore(ci, *x, "ForEach");
                return;
            }
            result.SetNumber(0);
            EvaluateBody(body, ci, result);
        }
    }
    const char* ParamText() const override { return "x;arr[];expr"; }
    const char* Description() const override {
        return "Sets <x> to each index of <arr[]> in turn and evaluates <expr>. Returns the last result of "
               "<expr> or zero.";
    }
    const char* Example() const override { return "foreach(i; data[]; println(data[i]))"; }
    const char* ExampleExplanation() const override {
        return "This prints all elements of <data[]> to the output window.";
    }
    const char* SeeAlso() const override { return "for(init,cond,incr,expr)"; }
};

// Looks at the variable without evaluating it, so an unset variable is 0 here instead
// of the error "has no value".
class TDefined final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
        TOperandBase* var = ArgOperand(0);
        if (!var) {
            ci.SetError("Defined: Variable expected");
            return;
        }
        result.SetNumber(var->HasValue(ci) ? 1 : 0);
    }
    const char* ParamText() const override { return "var"; }
    const char* Description() const override {
        return "Tells whether the variable <var> has a value: returns 1 if it has one, otherwise 0.";
    }
    const char* Example() const override { return "a=42,\nif(defined(a);'hello';'you')"; }
    const char* ExampleExplanation() const override {
        return "This returns the string 'hello', as the variable a has a value.";
    }
};

constexpr TFunctionTableEntry kControlFunctions[] = {
    {"if", &MakeFunction<TIf>},         {"while", &MakeFunction<TWhile>},
    {"for", &MakeFunction<TFor>},       {"foreach", &MakeFunction<TForEach>},
    {"define", &MakeFunction<TDefine>}, {"defined", &MakeFunction<TDefined>},
};

} // namespace

std::span<const TFunctionTableEntry> ControlFunctionTable() {
    return kControlFunctions;
}

} // namespace NuvixParser
