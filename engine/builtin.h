// TBuiltin: the descriptor row of a built-in function (name, parameters, help, compute).
#pragma once

#include <memory>

namespace NuvixParser {

class TBuiltinCall;
class TCalcInfo;
class TFunction;
class TReturnValue;

// How a call passes each argument; a row's `params` holds one letter per argument.
//   n  a number          evaluated before the compute step runs
//   s  a text            evaluated likewise
//   v  any value         evaluated likewise, number or text
//   a  an array, name[]  looked up; anything else is refused at parse time ("Illegal
//                        argument"), a name that belongs to a scalar at run time
//                        ("<where>: name is not an array")
//   l  an array name[]   checked when the call runs instead: anything not written name[]
//                        raises the row's `arrayExpected` message, a name that belongs to a
//                        scalar "<where>: name is not an array"
//   r  a variable        a scalar variable, an element or an array name the compute step
//                        reads or assigns itself; anything else is refused at parse time
//   x  a plain name      a variable written without index, which the step reads or sets
//                        (fit's x); anything else is refused at parse time
//   e  an expression     handed over unevaluated (branches, loop bodies, plot's function)
// For rows with an `unary`, `number` or `value` step the engine evaluates the value
// arguments (n, s, v) first, in order (a value may change an array), then looks up the
// arrays (a, l); a `lazy` step receives every argument unevaluated and takes its own steps.
namespace TParam {
constexpr char kNumber = 'n';
constexpr char kText = 's';
constexpr char kValue = 'v';
constexpr char kArray = 'a';
constexpr char kArrayAtRunTime = 'l';
constexpr char kVariable = 'r';
constexpr char kName = 'x';
constexpr char kExpression = 'e';
} // namespace TParam

// A plain routine of one number (sin, cos, ...): a number argument reaches it without a
// value record.
using TUnaryRoutine = double (*)(double);
// A compute step whose value is always a number: the call is used inside arithmetic
// without a value record.
using TNumberStep = double (*)(TBuiltinCall& call, TCalcInfo& ci);
// A compute step that sets the result (a number or a text).
using TValueStep = void (*)(TBuiltinCall& call, TCalcInfo& ci, TReturnValue& result);
// A lazy step's numeric reading without a value record, where it has a faster way than
// evaluating into one (if's branch read as a number); false from NumberOrText: `text`
// holds a text result.
using TLazyNumberOrText = bool (*)(TBuiltinCall& call, TCalcInfo& ci, double& out, TReturnValue& text);
// A node of a class of its own, for callers that need one (test doubles).
using TFunctionFactory = std::unique_ptr<TFunction> (*)();

// Errors of a compute step go to ci.SetError, worded "<Name>: ...", as every function does.
struct TBuiltin {
    const char* name;
    const char* params = "";
    // Help: the parameter list as shown ("cond;expr"; none gives one letter per argument),
    // the description, an example script, what the example does, related calls.
    const char* paramText = nullptr;
    const char* description = "No Description available.";
    const char* example = nullptr;
    const char* explanation = nullptr;
    const char* seeAlso = nullptr;
    // The name an array argument's error starts with ("ForEach: x is not an array").
    const char* where = nullptr;
    // The error of an `l` argument not written name[] ("Mean: Array expected").
    const char* arrayExpected = nullptr;
    // A message of the function's own for an array argument whose name belongs to a
    // scalar, instead of "<where>: name is not an array".
    const char* notAnArray = nullptr;
    // One compute step is set; `node`, where set, makes the call node (TFixedCall, doubles).
    TUnaryRoutine unary = nullptr;
    TNumberStep number = nullptr;
    TValueStep value = nullptr;
    TValueStep lazy = nullptr;
    // Optional fast paths of a lazy step.
    TNumberStep lazyNumber = nullptr;
    TLazyNumberOrText lazyNumberOrText = nullptr;
    TFunctionFactory node = nullptr;
};

// A new call node for the row (its own class for a `node` row); the parser prepares it.
std::unique_ptr<TFunction> MakeCall(const TBuiltin& row);

} // namespace NuvixParser
