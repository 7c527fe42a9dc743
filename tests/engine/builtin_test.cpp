// The steps the engine takes for every built-in row: each parameter kind, its parse-time and
// run-time errors, the order of evaluation and the help read from the row.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "engine/builtin_call.h"
#include "engine/function_help.h"
#include "engine/function_registry.h"
#include "engine/operands.h"
#include "engine/parser.h"
#include "engine/var_entry.h"
#include "tests/engine/test_support.h"

using namespace NuvixParser;

namespace {

// How often a compute step ran: a step must not run after an argument failed.
int stepRuns = 0;

double Twice(double x) {
    return 2 * x;
}

double Sum(TBuiltinCall& f, TCalcInfo&) {
    ++stepRuns;
    return f.Value(0).GetNumber() + f.Value(1).GetNumber();
}

void Shout(TBuiltinCall& f, TCalcInfo&, TReturnValue& result) {
    ++stepRuns;
    result.SetString(f.Value(0).ToString() + "!");
}

void Same(TBuiltinCall& f, TCalcInfo&, TReturnValue& result) {
    ++stepRuns;
    result = f.Value(0);
}

double Count(TBuiltinCall& f, TCalcInfo&) {
    ++stepRuns;
    return f.Array(0)->Length();
}

void SetSeven(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    ++stepRuns;
    f.ArgOperand(0)->AssignNumber(ci, 7);
    result.SetNumber(1);
}

// second(a;b): evaluates only b.
void Second(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    ++stepRuns;
    f.Arg(1)->Evaluate(ci, result);
}

double SecondNumber(TBuiltinCall& f, TCalcInfo& ci) {
    return NumberOf(f.Arg(1), ci) + 1000; // tells the fast path from Evaluate
}

// loop(n): counts n steps, testing for a break at each.
double Loop(TBuiltinCall& f, TCalcInfo& ci) {
    const std::int32_t n = f.Value(0).GetInt();
    std::int32_t i = 0;
    for (; i < n && !StopRequested(ci); ++i)
        if (i == 2) ci.RequestBreak();
    return i;
}

double Fail(TBuiltinCall&, TCalcInfo& ci) {
    ci.SetError("Fail: always");
    return 0;
}

constexpr TBuiltin kRows[] = {
    {.name = "twice", .params = "n", .description = "Twice <a>.", .unary = Twice},
    {.name = "sum", .params = "nn", .description = "Sum.", .example = "sum(1;2)", .number = Sum},
    {.name = "shout", .params = "s", .paramText = "text", .description = "Shouts.", .value = Shout},
    {.name = "same", .params = "v", .value = Same},
    {.name = "count", .params = "a", .where = "Count", .number = Count},
    {.name = "countplain", .params = "a", .number = Count},
    {.name = "countown", .params = "a", .notAnArray = "CountOwn: no array here", .number = Count},
    {.name = "late", .params = "l", .where = "Late", .arrayExpected = "Late: Array expected", .number = Count},
    {.name = "setname", .params = "x", .value = SetSeven},
    {.name = "setseven", .params = "r", .value = SetSeven},
    {.name = "second", .params = "ee", .lazy = Second},
    {.name = "secondfast", .params = "ee", .lazy = Second, .lazyNumber = SecondNumber},
    {.name = "loop", .params = "n", .number = Loop},
    {.name = "fail", .number = Fail},
};

std::string Outcome(std::string_view text) {
    TGlobalVarList globals;
    TParser parser(globals, MakeRegistry({kRows}));
    parser.SetText(text);
    if (!parser.Compile()) return "Syntax: " + parser.ErrorMessage();
    TCalcInfo ci;
    parser.Rebind();
    ci.Reset();
    const TReturnValue v = parser.Calculate(ci);
    if (ci.error) return "Error: " + ci.errorMessage;
    return v.ToString();
}

struct TCase {
    const char* script;
    const char* expected;
    int runs; // compute steps run
};

TEST(BuiltinRows, EveryParameterKindAndItsErrors) {
    const TCase cases[] = {
        // n: numbers, texts read as numbers; the unary routine takes either way
        {"twice(4)", "8", 0},
        {"twice('2.5')", "5", 0},
        {"twice(u)", "Error: Variable u has no value", 0},
        {"sum(1;2)", "3", 1},
        {"sum(1;'2')", "3", 1},
        {"sum(u;2)", "Error: Variable u has no value", 0},
        {"sum(1;fail())", "Error: Fail: always", 0},
        {"sum(1)", "Syntax: ';' expected", 0},
        // s and v: the value as evaluated
        {"shout('hey')", "hey!", 1},
        {"shout(u)", "Error: Variable u has no value", 0},
        {"same('x')", "x", 1},
        {"same(1.5)", "1.5", 1},
        // a: written name[], the array looked up before the step runs
        {"a[2]=1, count(a[])", "3", 1},
        {"count(5)", "Syntax: Illegal argument", 0},
        {"count(a)", "Syntax: Illegal argument", 0},
        {"s=1, count(s[])", "Error: Count: s is not an array", 0},
        {"s=1, countplain(s[])", "Error: countplain: s is not an array", 0},
        {"s=1, countown(s[])", "Error: CountOwn: no array here", 0},
        // l: an array checked when the call runs, with the row's messages
        {"a[1]=0, late(a[])", "2", 1},
        {"late(5)", "Error: Late: Array expected", 0},
        {"late(a)", "Error: Late: Array expected", 0},
        {"s=1, late(s[])", "Error: Late: s is not an array", 0},
        // x: a plain variable name, not an element or a constant
        {"setname(y), y", "7", 1},
        {"b[0]=1, setname(b[0])", "Syntax: Illegal argument", 0},
        {"setname(2)", "Syntax: Illegal argument", 0},
        // r: a variable the step assigns
        {"setseven(x), x", "7", 1},
        {"b[1]=0, setseven(b[1]), b[1]", "7", 1},
        {"setseven(3)", "Syntax: Illegal argument", 0},
        // e: unevaluated; the step picks what runs
        {"second(u;3)", "3", 1},
        {"second(1;u)", "Error: Variable u has no value", 1},
        {"1+second(u;3)", "4", 1},
        {"2*secondfast(u;3)", "2006", 0},
        {"-secondfast(u;3)", "-1003", 0},
        // the break check of a step that loops
        {"loop(10)", "Error: Breaked", 0},
        {"loop(2)", "2", 0},
    };
    for (const TCase& c : cases) {
        stepRuns = 0;
        EXPECT_EQ(Outcome(c.script), c.expected) << c.script;
        EXPECT_EQ(stepRuns, c.runs) << c.script;
    }
}

// A step reached again from its own argument (a call nested in a call) keeps the outer
// call's finished arguments.
TEST(BuiltinRows, NestedCallsKeepTheirOwnArguments) {
    EXPECT_EQ(Outcome("sum(1;sum(2;sum(3;4)))"), "10");
    EXPECT_EQ(Outcome("shout(shout('a'))"), "a!!");
}

TEST(BuiltinRows, HelpComesFromTheRow) {
    TFunctionRegistry registry;
    registry.Register(kRows);
    const auto sum = HelpOf(registry, "SUM");
    ASSERT_TRUE(sum);
    EXPECT_EQ(sum->CallForm(), "sum(a;b)");
    EXPECT_EQ(sum->description, "Sum.");
    EXPECT_EQ(sum->example, "sum(1;2)");
    EXPECT_FALSE(sum->seeAlso);
    const auto shout = HelpOf(registry, "shout");
    ASSERT_TRUE(shout);
    EXPECT_EQ(shout->CallForm(), "shout(text)");
    const auto fail = HelpOf(registry, "fail");
    ASSERT_TRUE(fail);
    EXPECT_EQ(fail->CallForm(), "fail()");
    EXPECT_EQ(HelpOf(registry, "same")->description, "No Description available.");
}

} // namespace
