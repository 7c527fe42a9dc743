// Control-flow functions: branches, loops, the variable test and the help entry of define.
#include "functions/control/control_functions.h"

#include "engine/calc_info.h"
#include "engine/builtin_call.h"
#include "engine/operands.h"
#include "engine/user_function.h"
#include "engine/var_entry.h"

namespace NuvixParser {
namespace {

// A branch: the condition counts by its integer reading (truncated, low 32 bits), so 0.5
// and 2^32 are false here although a loop condition of 0.5 is true.
void If(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    const bool taken = DoubleToInt32(NumberOf(f.Arg(0), ci)) != 0;
    if (ci.error) return;
    result.SetNumber(0);
    f.Arg(taken ? 1 : 2)->Evaluate(ci, result);
}

// As a number (if(n<2; n; ...) inside arithmetic): the branch read without a value record.
double IfNumber(TBuiltinCall& f, TCalcInfo& ci) {
    const bool taken = DoubleToInt32(NumberOf(f.Arg(0), ci)) != 0;
    if (ci.error) return 0;
    return NumberOf(f.Arg(taken ? 1 : 2), ci);
}

bool IfNumberOrText(TBuiltinCall& f, TCalcInfo& ci, double& out, TReturnValue& text) {
    const bool taken = DoubleToInt32(NumberOf(f.Arg(0), ci)) != 0;
    if (ci.error) return true;
    return NumberOrTextOf(f.Arg(taken ? 1 : 2), ci, out, text);
}

// The loop conditions of while and for compare the numeric reading with 0: 0.5 and NaN
// count as true.
void While(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0); // the value when the body never runs
    TParserAtom* const cond = f.Arg(0);
    TParserAtom* const body = f.Arg(1);
    while (!StopRequested(ci)) {
        if (ConditionOf(cond, ci) == 0) return;
        result.SetNumber(0);
        // A failed condition ends the loop at the next break check, without the body.
        if (ci.error) continue;
        EvaluateBody(body, ci, result);
    }
}

//   init ──► [stop?] ──► cond == 0? ──yes──► done
//               ▲            │ no
//               └── incr ◄── expr
// The flags are tested only at the top, so incr still runs after an expr that failed.
void For(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0); // the value when the body never runs
    TReturnValue scratch; // init and incr: their values are dropped
    ExecuteOf(f.Arg(0), ci, scratch);
    TParserAtom* const cond = f.Arg(1);
    TParserAtom* const incr = f.Arg(2);
    TParserAtom* const body = f.Arg(3);
    while (!StopRequested(ci)) {
        if (ConditionOf(cond, ci) == 0) return;
        result.SetNumber(0);
        EvaluateBody(body, ci, result);
        ExecuteOf(incr, ci, scratch);
    }
}

// Runs over the indices of an array, not its elements; the length is taken once, so an
// expr that appends to the array does not lengthen the loop. The array is checked when the
// loop starts, with foreach's own message for a scalar.
void ForEach(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    TOperandBase* x = f.ArgOperand(0);
    if (!f.ArgIsArray(1)) {
        ci.SetError("ForEach: Second argument is not an array");
        return;
    }
    const TArrayEntry* array = f.ArgArray(1);
    if (!array) {
        f.ReportNotAnArray(ci, 1, "ForEach");
        return;
    }
    result.SetNumber(0); // the value when the array is empty
    const std::int32_t n = array->Length();
    TParserAtom* const body = f.Arg(2);
    TVarEntry* const plain = AsScalarOperand(x) ? AsScalarOperand(x)->Entry() : nullptr;
    for (std::int32_t i = 0; i < n && !StopRequested(ci); ++i) {
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

// Looks at the variable without evaluating it, so an unset variable is 0 here instead
// of the error "has no value".
void Defined(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    TOperandBase* var = f.ArgOperand(0);
    if (!var) {
        ci.SetError("Defined: Variable expected");
        return;
    }
    result.SetNumber(var->HasValue(ci) ? 1 : 0);
}

// if is the hottest lazy row (every recursive user function has one): its calls take
// their steps as direct calls.
constexpr TBuiltin kIf = {
    .name = "if",
    .params = "nee",
    .paramText = "cond;expr1;expr2",
    .description = "Evaluates <expr1> if <cond> is true, otherwise <expr2>. Returns the value of the evaluated "
                   "expression.",
    .example = "a=42,\nif(a>0;\n println('a is greater than zero');\n println('a is not greater than "
               "zero')\n)",
    .explanation = "This prints out 'a is greater than zero'.",
    .seeAlso = "while(cond; expr)",
    .lazy = If,
    .lazyNumber = IfNumber,
    .lazyNumberOrText = IfNumberOrText,
};

constexpr TBuiltin kControlFunctions[] = {
    WithNode(kIf, &MakeFixedCall<kIf>),
    {.name = "while",
     .params = "ee",
     .paramText = "cond;expr",
     .description = "Evaluates <expr> as long as <cond> is true. Returns the last result of <expr> or zero.",
     .example = "s='',\nwhile(length(s)<10;\n s = s + 'X'\n)",
     .explanation = "This returns the string 'XXXXXXXXXX'.",
     .seeAlso = "if(cond;expr1;expr2)",
     .lazy = While},
    {.name = "for",
     .params = "eeee",
     .paramText = "init;cond;incr;expr",
     .description = "Implements a 'for' loop: evaluates <init> once, then evaluates <expr> and <incr> as long as "
                    "<cond> is true. Returns the last result of <expr> or zero.",
     .example = "for(i=0;i<10;i+=1;\n println(i)\n)",
     .explanation = "This prints the numbers from 0 to 9  in the output window.",
     .seeAlso = "while(a;b), foreach(x;a[];expr)",
     .lazy = For},
    {.name = "foreach",
     .params = "ree",
     .paramText = "x;arr[];expr",
     .description = "Sets <x> to each index of <arr[]> in turn and evaluates <expr>. Returns the last result of "
                    "<expr> or zero.",
     .example = "foreach(i; data[]; println(data[i]))",
     .explanation = "This prints all elements of <data[]> to the output window.",
     .seeAlso = "for(init;cond;incr;expr)",
     .lazy = ForEach},
    kDefineRow,
    {.name = "defined",
     .params = "e",
     .paramText = "var",
     .description = "Tells whether the variable <var> has a value: returns 1 if it has one, otherwise 0.",
     .example = "a=42,\nif(defined(a);'hello';'you')",
     .explanation = "This returns the string 'hello', as the variable a has a value.",
     .lazy = Defined},
};

} // namespace

std::span<const TBuiltin> ControlFunctionTable() {
    return kControlFunctions;
}

} // namespace NuvixParser
