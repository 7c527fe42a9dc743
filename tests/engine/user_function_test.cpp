// User-defined functions: define, calls with value and value-result arguments, recursion,
// the shared table of definitions and the lifetime of definitions across parsers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/function_help.h"
#include "engine/operands.h"
#include "engine/parser.h"
#include "engine/return_value.h"
#include "engine/user_function.h"
#include "engine/var_entry.h"
#include "engine/var_handler.h"
#include "tests/engine/test_support.h"

using namespace NuvixParser;

namespace {

// ---- helper functions only these tests register --------------------------------------------

// pick(c;a;b): evaluates a when c is true, else b (only one of them). Lets recursion end.
class TPick final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
        TReturnValue cond;
        Arg(0)->Evaluate(ci, cond);
        if (ci.error) return;
        Arg(cond.IsTrue() ? 1 : 2)->Evaluate(ci, result);
    }
};

// diff(a;b) = a - b, with the default evaluation into the node's value slots.
class TDiff final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo&) override { return Value(0).GetNumber() - Value(1).GetNumber(); }
};

// setlen(a[];n): gives array a the length n.
class TSetLen final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    bool CheckArguments() override { return ArgIsArray(0); }
    long double Compute(TCalcInfo& ci) override {
        TArrayEntry* a = ArgArray(0);
        if (!a || !a->SetLength(Value(1).GetInt())) ci.SetError("setlen: cannot set the length");
        return 1;
    }
};

// twice(a) = 2 * a: a built-in that user functions can hide.
class TTwice final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo&) override { return 2 * Value(0).GetNumber(); }
};

// requestbreak(c): when c is true, requests a break of the run (as Ctrl+C or F4 would, only
// at a known point of the script); gives 0.
class TRequestBreak final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override {
        if (Value(0).IsTrue()) ci.RequestBreak();
        return 0;
    }
};

// A parser class that carries the helper functions; its clones (definition bodies) do too.
class TTestParser final : public TParser {
public:
    explicit TTestParser(TGlobalVarList& globals) : TParser(globals, NuvixTest::ScriptRegistry()) {
        Register("pick", &MakeFunction<TPick>);
        Register("diff", &MakeFunction<TDiff>);
        Register("setlen", &MakeFunction<TSetLen>);
        Register("twice", &MakeFunction<TTwice>);
        Register("requestbreak", &MakeFunction<TRequestBreak>);
    }
    std::unique_ptr<TParserBase> Clone() const override { return std::make_unique<TTestParser>(Globals()); }
};

std::string Outcome(const TReturnValue& v, const TCalcInfo& ci) {
    if (ci.error) return "Error: " + ci.errorMessage;
    return v.ToString();
}

// One parser with the helper functions.
struct TRun {
    TGlobalVarList globals;
    TTestParser parser{globals};
    TCalcInfo ci;

    bool Compile(std::string_view text) {
        parser.SetText(text);
        return parser.Compile();
    }
    std::string Run() {
        parser.Rebind();
        ci.Reset();
        const TReturnValue v = parser.Calculate(ci);
        return Outcome(v, ci);
    }
    TVarEntry* Scalar(std::string_view name) {
        TVarEntryBase* e = parser.Store().Find(name);
        return e && e->Kind() == TEntryKind::Scalar ? static_cast<TVarEntry*>(e) : nullptr;
    }
    TArrayEntry* Array(std::string_view name) {
        TVarEntryBase* e = parser.Store().Find(name);
        return e && e->Kind() == TEntryKind::Array ? static_cast<TArrayEntry*>(e) : nullptr;
    }
};

// Result text of a script, "Error: ..." after a run error, "Syntax: ..." after a failed compile.
std::string Eval(std::string_view text) {
    TRun r;
    if (!r.Compile(text)) return "Syntax: " + r.parser.ErrorMessage();
    return r.Run();
}

// The main window's pair: the panel parser and the Global panel's parser (its clone), sharing
// one table of user functions.
struct TPanels {
    TGlobalVarList globals;
    TTestParser panel{globals};
    std::unique_ptr<TParserBase> globalOwner = panel.Clone();
    TParser& global = static_cast<TParser&>(*globalOwner);
    TCalcInfo ci;

    TPanels() { panel.ShareHandler(global.Handler()); }

    static bool Compile(TParser& p, std::string_view text) {
        p.SetText(text);
        return p.Compile();
    }
    // What the calculation thread does with one start request.
    std::string RunBoth() {
        global.Rebind();
        panel.Rebind();
        ci.Reset();
        TReturnValue v = global.Calculate(ci);
        if (!ci.error) v = panel.Calculate(ci);
        return Outcome(v, ci);
    }
    // Both parsers rebound (every definition body is bound), one of them run.
    std::string RunOnly(TParser& p) {
        global.Rebind();
        panel.Rebind();
        return Calculate(p);
    }
    // The panel alone rebound and run: the Global panel's definitions keep their state.
    std::string RunPanelKeepingGlobal() {
        panel.Rebind();
        return Calculate(panel);
    }
    std::string Calculate(TParser& p) {
        ci.Reset();
        const TReturnValue v = p.Calculate(ci);
        return Outcome(v, ci);
    }
};

TVarEntryBase* LocalNamed(TVarHandler& store, std::string_view name) {
    for (const auto& e : store.Locals())
        if (e->Name() == name) return e.get();
    return nullptr;
}

// ---- define and call ------------------------------------------------------------------------

TEST(UserFunctionBasics, DefineFormEvaluatesToOneWithoutRunningTheBody) {
    EXPECT_EQ(Eval("define(f(x);2*x)"), "1");
    // The body would fail if it ran.
    EXPECT_EQ(Eval("define(f(x);undefinedName)"), "1");
    EXPECT_EQ(Eval("define(f(x);x) + define(g();1)"), "2");
}

TEST(UserFunctionBasics, CallsPassArgumentsInDeclarationOrder) {
    EXPECT_EQ(Eval("define(f(x);2*x), f(5)"), "10");
    EXPECT_EQ(Eval("define(g(a;b);a-b), g(10;3)"), "7");
    EXPECT_EQ(Eval("define(h(a;b;c);a*100+b*10+c), h(1;2;3)"), "123");
    EXPECT_EQ(Eval("define(k();42), k()"), "42");
    // An argument may be a sequence.
    EXPECT_EQ(Eval("define(f(x);x), f((1, 2, 3))"), "3");
    EXPECT_EQ(Eval("define(f(x);x), f(1, 2)"), "2");
}

TEST(UserFunctionBasics, ArgumentCountIsExact) {
    EXPECT_EQ(Eval("define(g(a;b);a-b), g(1)"), "Syntax: ';' expected");
    EXPECT_EQ(Eval("define(g(a;b);a-b), g()"), "Syntax: Expression or identifier expected");
    EXPECT_EQ(Eval("define(g(a;b);a-b), g(1;2;3)"), "Syntax: ')' expected");
    EXPECT_EQ(Eval("define(k();42), k(1)"), "Syntax: ')' expected");
}

TEST(UserFunctionBasics, UserNamesAreCaseSensitiveBuiltInsAreNot) {
    EXPECT_EQ(Eval("define(f(x);2*x), F(5)"), "Syntax: Unknown function");
    EXPECT_EQ(Eval("define(Fx(x);x), fx(1)"), "Syntax: Unknown function");
    EXPECT_EQ(Eval("define(Fx(x);x), Fx(1)"), "1");
    EXPECT_EQ(Eval("twice(4)"), "8");
    EXPECT_EQ(Eval("TWICE(4)"), "8");
    EXPECT_EQ(Eval("tWiCe(4)"), "8");
}

TEST(UserFunctionBasics, UserFunctionsHideBuiltInsOfTheExactName) {
    EXPECT_EQ(Eval("define(twice(x);x+100), twice(1)"), "101");
    // Any other spelling still reaches the built-in.
    EXPECT_EQ(Eval("define(twice(x);x+100), TWICE(1)"), "2");
}

TEST(UserFunctionBasics, NewestDefinitionIsFoundButEarlierCallsKeepTheirs) {
    EXPECT_EQ(Eval("define(f(x);1), a=f(0), define(f(x);2), a*10+f(0)"), "12");
    // A body parsed before the redefinition calls the definition it saw.
    EXPECT_EQ(Eval("define(f(x);1), define(g(x);f(x)*10), define(f(x);2), g(0)+f(0)"), "12");
}

TEST(UserFunctionBasics, DefinitionsStayBetweenRuns) {
    TRun r;
    ASSERT_TRUE(r.Compile("define(f(x);x*3), f(4)"));
    EXPECT_EQ(r.Run(), "12");
    EXPECT_EQ(r.Run(), "12");
}

TEST(UserFunctionBasics, CallsTakeTheirDefinitionsArgumentCount) {
    TRun r;
    ASSERT_TRUE(r.Compile("define(f(x;y);x), define(g();1), define(h(a[];b;c);b)"));
    for (auto [name, count] : {std::pair{"f", 2}, std::pair{"g", 0}, std::pair{"h", 3}}) {
        auto call = r.parser.CreateFunction(name);
        ASSERT_NE(call, nullptr) << name;
        ASSERT_NE(dynamic_cast<TFunctionCall*>(call.get()), nullptr) << name;
        EXPECT_EQ(call->ArgumentCount(), count) << name;
    }
    // The user table is exact; the registry's define entry carries its own help.
    EXPECT_EQ(r.parser.CreateFunction("G"), nullptr);
    EXPECT_NE(r.parser.CreateFunction("Define"), nullptr);
    const auto define = HelpOf(r.parser.Registry(), "Define");
    ASSERT_TRUE(define);
    EXPECT_EQ(define->CallForm(), "define(func;expr)");
}

// ---- arguments --------------------------------------------------------------------------------

TEST(UserFunctionArguments, ScalarsArePassedByValue) {
    EXPECT_EQ(Eval("define(h(v);v=3), y=1, h(y), y"), "1");
    EXPECT_EQ(Eval("define(h(v);v=3, v*2), y=1, h(y)"), "6");
    // The argument is evaluated once, by the caller.
    EXPECT_EQ(Eval("define(f(x);x+x), $c=0, f($c+=1), $c"), "1");
    EXPECT_EQ(Eval("define(f(x);x+x), $c=0, f($c+=1)"), "2");
}

TEST(UserFunctionArguments, TextsStayTexts) {
    EXPECT_EQ(Eval("define(t(s);s+'!'), t('hi')"), "hi!");
    EXPECT_EQ(Eval("define(t(s);s+s), t('12')"), "1212");
    EXPECT_EQ(Eval("define(t(s);s+s), t(12)"), "24");
    EXPECT_EQ(Eval("define(t(s);s), x='ab', t(x)+t('cd')"), "abcd");
}

TEST(UserFunctionArguments, ArraysAreCopiedIn) {
    EXPECT_EQ(Eval("define(sum3(a[]);a[0]+a[1]+a[2]), x[0]=1, x[1]=2, x[2]=4, sum3(x[])"), "7");
    // The body works on its copy: a store to the caller's array during the call is not seen
    // there, and the copy-back then overwrites it.
    EXPECT_EQ(Eval("define(g(a[]);$x[0]=5, a[0]), $x[0]=1, g($x[])"), "1");
    EXPECT_EQ(Eval("define(g(a[]);$x[0]=5, a[0]), $x[0]=1, g($x[]), $x[0]"), "1");
}

TEST(UserFunctionArguments, ArraysAreCopiedBack) {
    EXPECT_EQ(Eval("define(g(a[]);a[0]=7), x[0]=1, g(x[]), x[0]"), "7");
    // Two parameters given the same array: copied back in parameter order, the last wins.
    EXPECT_EQ(Eval("define(two(a[];b[]);a[0]=1, b[0]=2), x[0]=0, two(x[];x[]), x[0]"), "2");
}

TEST(UserFunctionArguments, CopyBackCarriesLengthChanges) {
    EXPECT_EQ(Eval("define(grow(a[]);a[4]=9), x[0]=1, grow(x[]), x[4]+x[0]"), "10");
    EXPECT_EQ(Eval("define(grow(a[]);a[4]=9), x[0]=1, grow(x[]), x[3]"), "0");
    EXPECT_EQ(Eval("define(grow(a[]);a[4]=9), x[0]=1, grow(x[]), x[5]"),
              "Error: Illegal array element access in array x");
    EXPECT_EQ(Eval("define(cut(a[]);setlen(a[];1)), x[0]=1, x[1]=2, x[2]=3, cut(x[]), x[0]"), "1");
    EXPECT_EQ(Eval("define(cut(a[]);setlen(a[];1)), x[0]=1, x[1]=2, x[2]=3, cut(x[]), x[1]"),
              "Error: Illegal array element access in array x");

    TRun r;
    ASSERT_TRUE(r.Compile("define(grow(a[]);a[4]=9), x[0]=1, grow(x[])"));
    EXPECT_EQ(r.Run(), "9");
    TArrayEntry* x = r.Array("x");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->Length(), 5);
}

TEST(UserFunctionArguments, CopyBackHappensAlsoWhenTheBodyFails) {
    TRun r;
    ASSERT_TRUE(r.Compile("define(g(a[]);a[0]=7, a[1]=8, missing), x[0]=1, g(x[])"));
    EXPECT_EQ(r.Run(), "Error: Variable missing has no value");
    TArrayEntry* x = r.Array("x");
    ASSERT_NE(x, nullptr);
    ASSERT_EQ(x->Length(), 2);
    EXPECT_EQ(x->GetElement(0), 7);
    EXPECT_EQ(x->GetElement(1), 8);
}

TEST(UserFunctionArguments, ArraysPassThroughRecursiveCalls) {
    // Each level fills one element of its copy; the copies come back level by level.
    EXPECT_EQ(Eval("define(fill(a[];n);pick(n>0;a[n-1]=n, fill(a[];n-1);0)), "
                   "fill(x[];4), x[0]+x[1]*10+x[2]*100+x[3]*1000"),
              "4321");
}

TEST(UserFunctionArguments, ArrayParameterGivenANonArrayFailsAtParseTime) {
    EXPECT_EQ(Eval("define(g(a[]);a[0]=7), g(5)"), "Syntax: Illegal argument");
    EXPECT_EQ(Eval("define(g(a[]);a[0]=7), y=1, g(y)"), "Syntax: Illegal argument");
    EXPECT_EQ(Eval("define(g(a[]);a[0]=7), g('text')"), "Syntax: Illegal argument");
    EXPECT_EQ(Eval("define(g(n;a[]);n), g(1;2)"), "Syntax: Illegal argument");
    // A scalar parameter takes an array element like any value.
    EXPECT_EQ(Eval("define(s(v);v*2), x[1]=4, s(x[1])"), "8");
}

TEST(UserFunctionArguments, ArrayArgumentNamingAScalarFailsAtRunTime) {
    EXPECT_EQ(Eval("define(g(a[]);a[0]=7), y=1, g(y[])"), "Error: Functioncall: Array not found.");
    // Arguments are taken in order; the first failure ends the call.
    EXPECT_EQ(Eval("define(h(n;a[]);1), y=1, h(zz;y[])"), "Error: Variable zz has no value");
    EXPECT_EQ(Eval("define(h(n;a[]);1), y=1, h(1;y[])"), "Error: Functioncall: Array not found.");
}

// The parser rejects other arguments for array parameters, so the remaining run-time checks
// are reached by building the call node directly.
class UserFunctionCallNode : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(r.Compile("define(g(a[]);$ran=1, a[0]=7)"));
        r.parser.Rebind();
        def = r.parser.Handler()->Find("g");
        ASSERT_NE(def, nullptr);
        call = std::make_unique<TFunctionCall>(*def, r.parser.Handler());
        call->Prepare();
    }
    std::string Evaluate() {
        TReturnValue v;
        call->Bind(r.parser.Store());
        call->Evaluate(r.ci, v);
        return Outcome(v, r.ci);
    }
    void ExpectBodyNotRun() {
        TVarEntry* ran = r.Scalar("$ran");
        ASSERT_NE(ran, nullptr); // bound by the body
        EXPECT_FALSE(ran->hasValue);
        EXPECT_EQ(def->Body().Store().FrameDepth(), 0u);
    }
    TRun r;
    TFunctionDef* def = nullptr;
    std::unique_ptr<TFunctionCall> call;
};

TEST_F(UserFunctionCallNode, ConstantForArrayParameterIsAMismatch) {
    call->SetArgument(0, std::make_unique<TConstOperand>(5.0));
    EXPECT_FALSE(call->CheckArguments());
    EXPECT_EQ(Evaluate(), "Error: Functioncall: Parameter mismatch.");
    ExpectBodyNotRun();
}

TEST_F(UserFunctionCallNode, ScalarVariableForArrayParameterIsRejected) {
    call->SetArgument(0, TOperand::Make("y"));
    EXPECT_FALSE(call->CheckArguments());
    EXPECT_EQ(Evaluate(), "Error: Functioncall: Parameter should be an array");
    ExpectBodyNotRun();
}

TEST_F(UserFunctionCallNode, ArrayOperandOfAScalarNameIsNotFound) {
    r.parser.Store().GetScalar("y");
    call->SetArgument(0, TOpArray::Make("y", std::make_unique<TConstOperand>(0.0)));
    EXPECT_TRUE(call->CheckArguments());
    EXPECT_EQ(Evaluate(), "Error: Functioncall: Array not found.");
    ExpectBodyNotRun();
}

TEST_F(UserFunctionCallNode, WellFormedArrayArgumentRunsTheBodyAndCopiesBack) {
    call->SetArgument(0, TOpArray::Make("x", std::make_unique<TConstOperand>(0.0)));
    EXPECT_TRUE(call->CheckArguments());
    EXPECT_EQ(Evaluate(), "7");
    TArrayEntry* x = r.Array("x");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->GetElement(0), 7);
}

TEST_F(UserFunctionCallNode, BreakMakesTheCallReturnWithoutRunningTheBody) {
    call->SetArgument(0, TOpArray::Make("x", std::make_unique<TConstOperand>(0.0)));
    r.ci.RequestBreak();
    TReturnValue v;
    v.SetNumber(-5);
    call->Bind(r.parser.Store());
    call->Evaluate(r.ci, v);
    // The call itself reports the break: no enclosing check may follow it.
    EXPECT_TRUE(r.ci.error);
    EXPECT_EQ(r.ci.errorMessage, "Breaked");
    EXPECT_EQ(v.number, -5);
    ExpectBodyNotRun();
}

// ---- recursion and locals --------------------------------------------------------------------

TEST(UserFunctionRecursion, RecursionComputes) {
    EXPECT_EQ(Eval("define(fak(n);pick(n<2;1;n*fak(n-1))), fak(10)"), "3628800");
    // n is read after the inner call returned: the call must have restored it.
    EXPECT_EQ(Eval("define(s(n);pick(n>0;s(n-1)+n;0)), s(100)"), "5050");
    EXPECT_EQ(Eval("define(r(t;n);pick(n>0;r(t+'x';n-1);t)), r('a';3)"), "axxx");
}

TEST(UserFunctionRecursion, InnerCallsDoNotDisturbTheCallersLocals) {
    // k is a local of the body, set before the recursive call and read after it.
    EXPECT_EQ(Eval("define(h(n);k=n*10, pick(n>0;h(n-1);0), k), h(3)"), "30");
    EXPECT_EQ(Eval("define(h(n);t='<'+'>', pick(n>0;h(n-1);0), t), h(3)"), "<>");
    // The caller's own n is untouched by the body's n.
    EXPECT_EQ(Eval("n=5, define(fak(n);pick(n<2;1;n*fak(n-1))), fak(10), n"), "5");
}

// ---- body scope -----------------------------------------------------------------------------

TEST(UserFunctionScope, BodyNamesAreLocalsOfTheBody) {
    EXPECT_EQ(Eval("define(f(x);q+x), f(1)"), "Error: Variable q has no value");
    // The caller's locals are not visible in the body, nor the body's in the caller.
    EXPECT_EQ(Eval("k=1, define(f();k), f()"), "Error: Variable k has no value");
    EXPECT_EQ(Eval("define(f(x);k=x), k=1, f(9), k"), "1");
    // Body locals do not keep their value from one call to the next.
    EXPECT_EQ(Eval("define(f(x);pick(x;k=x;k)), f(3), f(0)"), "Error: Variable k has no value");
    // Two functions have separate locals of the same name.
    EXPECT_EQ(Eval("define(f();k=5), define(g();k), f(), g()"), "Error: Variable k has no value");
}

TEST(UserFunctionScope, DollarNamesAreSharedWithBodies) {
    EXPECT_EQ(Eval("define(inc();$c=$c+1), $c=1, inc(), inc(), $c"), "3");
    EXPECT_EQ(Eval("define(get();$v*2), $v=21, get()"), "42");
    EXPECT_EQ(Eval("define(put(i);$a[i]=i*i), put(3), $a[3]"), "9");
    EXPECT_EQ(Eval("define(name();$s+'!'), $s='hi', name()"), "hi!");
}

// ---- the table of definitions ----------------------------------------------------------------

TEST(UserFunctionHandler, FindIsExactAndTheNewestDefinitionWins) {
    TGlobalVarList globals;
    TParser creator(globals, NuvixTest::ScriptRegistry());
    TGlobalFuncHandler h;
    TFunctionDef d1("f", creator);
    TFunctionDef d2("f", creator);
    h.Register(&d1);
    EXPECT_EQ(h.Find("f"), &d1);
    EXPECT_EQ(h.Find("F"), nullptr);
    h.Register(&d2);
    EXPECT_EQ(h.Find("f"), &d2);
    EXPECT_EQ(h.Definitions().size(), 2u);
    EXPECT_EQ(d1.handler, &h);
    EXPECT_EQ(d2.handler, &h);
    // Registering again adds no second list entry but makes it the found one.
    h.Register(&d1);
    EXPECT_EQ(h.Definitions().size(), 2u);
    EXPECT_EQ(h.Find("f"), &d1);
}

TEST(UserFunctionHandler, UnregisterErasesTheNameOnlyForTheMappedDefinition) {
    TGlobalVarList globals;
    TParser creator(globals, NuvixTest::ScriptRegistry());
    TGlobalFuncHandler h;
    TFunctionDef older("f", creator);
    TFunctionDef newer("f", creator);
    h.Register(&older);
    h.Register(&newer);

    h.Unregister(&older);
    EXPECT_EQ(h.Find("f"), &newer);
    EXPECT_EQ(older.handler, nullptr);
    ASSERT_EQ(h.Definitions().size(), 1u);
    EXPECT_EQ(h.Definitions()[0], &newer);

    h.Register(&older);
    EXPECT_EQ(h.Find("f"), &older);
    // Removing the mapped one leaves the name missing, even though another definition of
    // it is still registered, until that one is registered again.
    h.Unregister(&older);
    EXPECT_EQ(h.Find("f"), nullptr);
    EXPECT_EQ(h.Definitions().size(), 1u);
    h.Register(&newer);
    EXPECT_EQ(h.Find("f"), &newer);
}

TEST(UserFunctionHandler, RegisteringElsewhereMovesTheDefinition) {
    TGlobalVarList globals;
    TParser creator(globals, NuvixTest::ScriptRegistry());
    TGlobalFuncHandler a;
    TGlobalFuncHandler b;
    TFunctionDef d("f", creator);
    a.Register(&d);
    b.Register(&d);
    EXPECT_EQ(a.Find("f"), nullptr);
    EXPECT_TRUE(a.Definitions().empty());
    EXPECT_EQ(b.Find("f"), &d);
    EXPECT_EQ(d.handler, &b);
}

TEST(UserFunctionHandler, DestroyingEitherSideIsSafe) {
    TGlobalVarList globals;
    TParser creator(globals, NuvixTest::ScriptRegistry());
    {
        auto h = std::make_unique<TGlobalFuncHandler>();
        TFunctionDef d("f", creator);
        h->Register(&d);
        h.reset();
        EXPECT_EQ(d.handler, nullptr);
    } // d is destroyed after its handler
    {
        TGlobalFuncHandler h;
        {
            TFunctionDef d("g", creator);
            h.Register(&d);
        }
        EXPECT_EQ(h.Find("g"), nullptr);
        EXPECT_TRUE(h.Definitions().empty());
    }
}

TEST(UserFunctionHandler, ReparsingOneParserKeepsTheOtherParsersNewerDefinition) {
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x);x+1)"));
    ASSERT_TRUE(TPanels::Compile(p.global, "define(f(x);x+2)"));
    // The panel's f goes; the Global panel's f, registered later, stays callable.
    ASSERT_TRUE(TPanels::Compile(p.panel, "f(1)"));
    EXPECT_EQ(p.RunBoth(), "3");
}

TEST(UserFunctionHandler, ReparsingTheParserOfTheFoundDefinitionRemovesTheName) {
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.global, "define(f(x);x+2)"));
    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x);x+1), f(1)"));
    EXPECT_EQ(p.RunBoth(), "2");
    ASSERT_TRUE(TPanels::Compile(p.panel, "5"));
    EXPECT_FALSE(TPanels::Compile(p.panel, "f(1)"));
    EXPECT_EQ(p.panel.ErrorMessage(), "Unknown function");
    // Parsing the Global panel again registers its f again.
    ASSERT_TRUE(TPanels::Compile(p.global, "define(f(x);x+2)"));
    ASSERT_TRUE(TPanels::Compile(p.panel, "f(1)"));
    EXPECT_EQ(p.RunBoth(), "3");
}

// ---- lifetime of definitions across parsers ---------------------------------------------------

TEST(UserFunctionLifetime, GlobalPanelDefinitionsServeTheCalculatorPanel) {
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.global, "define(f(x);x+1)"));
    ASSERT_TRUE(TPanels::Compile(p.panel, "f(1)"));
    EXPECT_EQ(p.RunBoth(), "2");
    // Editing the Global panel replaces f; the panel's compiled call follows the new one.
    ASSERT_TRUE(TPanels::Compile(p.global, "define(f(x);x+10)"));
    EXPECT_EQ(p.RunBoth(), "11");
}

TEST(UserFunctionLifetime, CallToADefinitionOfAReparsedPanelFailsCleanly) {
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x);x+1)"));
    ASSERT_TRUE(TPanels::Compile(p.global, "f(2)"));
    EXPECT_EQ(p.RunOnly(p.global), "3");

    ASSERT_TRUE(TPanels::Compile(p.panel, "1"));
    EXPECT_EQ(p.RunOnly(p.global), "Error: Functioncall: Function f is no longer defined.");
    EXPECT_EQ(p.RunBoth(), "Error: Functioncall: Function f is no longer defined.");
}

TEST(UserFunctionLifetime, CallUsesALiveDefinitionOfTheSameNameAndShape) {
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x);x+1)"));
    ASSERT_TRUE(TPanels::Compile(p.global, "f(2)"));
    EXPECT_EQ(p.RunOnly(p.global), "3");

    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x);x*100)"));
    EXPECT_EQ(p.RunOnly(p.global), "200");

    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x;y);x)"));
    EXPECT_EQ(p.RunOnly(p.global), "Error: Functioncall: Function f is no longer defined.");

    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x[]);1)"));
    EXPECT_EQ(p.RunOnly(p.global), "Error: Functioncall: Function f is no longer defined.");

    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(y);y-1)"));
    EXPECT_EQ(p.RunOnly(p.global), "1");
}

TEST(UserFunctionLifetime, ArrayShapeIsKeptWhenFollowingANewDefinition) {
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.panel, "define(g(a[]);a[0]=7)"));
    ASSERT_TRUE(TPanels::Compile(p.global, "$x[0]=1, g($x[]), $x[0]"));
    EXPECT_EQ(p.RunOnly(p.global), "7");
    ASSERT_TRUE(TPanels::Compile(p.panel, "define(g(b[]);b[1]=8)"));
    EXPECT_EQ(p.RunOnly(p.global), "1");
    ASSERT_TRUE(TPanels::Compile(p.global, "$x[0]=1, g($x[]), $x[1]"));
    EXPECT_EQ(p.RunOnly(p.global), "8");
}

TEST(UserFunctionLifetime, ClearingOrDestroyingTheDefiningParserEndsTheDefinition) {
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x);x+1)"));
    ASSERT_TRUE(TPanels::Compile(p.global, "f(2)"));
    p.panel.Clear();
    EXPECT_EQ(p.RunOnly(p.global), "Error: Functioncall: Function f is no longer defined.");

    // A third parser sharing the table, destroyed while a call to its function stands.
    auto third = p.panel.Clone();
    third->ShareHandler(p.global.Handler());
    auto& thirdParser = static_cast<TParser&>(*third);
    ASSERT_TRUE(TPanels::Compile(thirdParser, "define(h(x);x*2)"));
    thirdParser.Rebind();
    ASSERT_TRUE(TPanels::Compile(p.global, "h(21)"));
    EXPECT_EQ(p.RunOnly(p.global), "42");
    third.reset();
    EXPECT_EQ(p.RunOnly(p.global), "Error: Functioncall: Function h is no longer defined.");
}

TEST(UserFunctionLifetime, CallInsideABodyToAGoneDefinition) {
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.panel, "define(f(x);x+1)"));
    ASSERT_TRUE(TPanels::Compile(p.global, "define(g(x);f(x)*10), g(1)"));
    EXPECT_EQ(p.RunOnly(p.global), "20");
    ASSERT_TRUE(TPanels::Compile(p.panel, "0"));
    EXPECT_EQ(p.RunOnly(p.global), "Error: Functioncall: Function f is no longer defined.");
}

// ---- stack exhaustion -------------------------------------------------------------------------

TEST(UserFunctionStackOverflow, EndsAsResultTextAndUnwindsEveryFrame) {
    TRun r;
    ASSERT_TRUE(r.Compile("define(f(n);k=n, f(n+1)), f(1)"));
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(r.Run(), "Stack Overflow") << "run " << run;
        TFunctionDef* d = r.parser.Handler()->Find("f");
        ASSERT_NE(d, nullptr);
        TVarHandler& store = d->Body().Store();
        EXPECT_EQ(store.FrameDepth(), 0u);
        // The frames saved before each call were put back: nothing of an inner call stays.
        auto* n = static_cast<TVarEntry*>(d->Parameter(0));
        EXPECT_FALSE(n->hasValue);
        auto* k = static_cast<TVarEntry*>(LocalNamed(store, "k"));
        ASSERT_NE(k, nullptr);
        EXPECT_FALSE(k->hasValue);
    }
}

TEST(UserFunctionStackOverflow, ArrayParametersAreEmptiedAgain) {
    TRun r;
    ASSERT_TRUE(r.Compile("define(g(a[]);a[0]=a[0]+1, g(a[])), x[0]=1, g(x[])"));
    EXPECT_EQ(r.Run(), "Stack Overflow");
    TFunctionDef* d = r.parser.Handler()->Find("g");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Body().Store().FrameDepth(), 0u);
    EXPECT_EQ(static_cast<TArrayEntry*>(d->Parameter(0))->Length(), 0);
}

TEST(UserFunctionStackOverflow, DefinitionWorksNormallyAfterwards) {
    // The definition lives in the Global panel and is not rebound between the panel's runs,
    // so values left behind by the overflow would show.
    TPanels p;
    ASSERT_TRUE(TPanels::Compile(p.global,
                                 "define(g(n);pick(n<0;k=n, g(n-1);k)), define(s(n);pick(n>0;s(n-1)+n;0))"));
    p.global.Rebind();
    ASSERT_TRUE(TPanels::Compile(p.panel, "g(-1)"));
    EXPECT_EQ(p.RunPanelKeepingGlobal(), "Stack Overflow");
    TFunctionDef* g = p.global.Handler()->Find("g");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Body().Store().FrameDepth(), 0u);
    ASSERT_TRUE(TPanels::Compile(p.panel, "g(5)"));
    EXPECT_EQ(p.RunPanelKeepingGlobal(), "Error: Variable k has no value");
    ASSERT_TRUE(TPanels::Compile(p.panel, "s(10)"));
    EXPECT_EQ(p.RunPanelKeepingGlobal(), "55");
}

// ---- break ------------------------------------------------------------------------------------

TEST(UserFunctionBreak, RecursionWithASequenceEndsWithBreaked) {
    // The break comes while the 5th call runs, before its sequence step.
    EXPECT_EQ(Eval("define(f(n);requestbreak(n==5), 1, f(n+1)), f(1)"), "Error: Breaked");
    // Here it comes after the 5th call's sequence step, between that step and the call of
    // f(6), which returns at once: the run must still end as broken, not with a value.
    EXPECT_EQ(Eval("define(f(n);1, diff(requestbreak(n==5);f(n+1))), f(1)"), "Error: Breaked");
    EXPECT_EQ(Eval("define(f(n);1, pick(requestbreak(n==5)+1;f(n+1);0)), f(1)"), "Error: Breaked");
}

TEST(UserFunctionBreak, BrokenRecursionLeavesNoFrames) {
    TRun r;
    ASSERT_TRUE(r.Compile("define(f(n);k=n, requestbreak(n==50), f(n+1)), f(1)"));
    EXPECT_EQ(r.Run(), "Error: Breaked");
    TFunctionDef* f = r.parser.Handler()->Find("f");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Body().Store().FrameDepth(), 0u);
    auto* k = static_cast<TVarEntry*>(LocalNamed(f->Body().Store(), "k"));
    ASSERT_NE(k, nullptr);
    EXPECT_FALSE(k->hasValue);
}

// ---- re-entered call nodes ----------------------------------------------------------------------

TEST(UserFunctionReentrancy, BuiltInCallReenteredFromItsLastArgumentKeepsEarlierValues) {
    // The diff node of the body is evaluated again, one level deeper, while its own second
    // argument is being evaluated. f(0)=0, f(1)=1-0, f(2)=2-1, f(3)=3-1.
    EXPECT_EQ(Eval("define(f(n);diff(n;pick(n>0;f(n-1);0))), f(3)"), "2");
    EXPECT_EQ(Eval("define(f(n);diff(n;pick(n>0;f(n-1);0))), f(10)"), "5");
}

TEST(UserFunctionReentrancy, UserCallReenteredFromItsLastArgumentKeepsEarlierValues) {
    // q(0)=0, q(1)=p(1;0)=10, q(2)=p(2;10)=30, q(3)=p(3;30)=60.
    EXPECT_EQ(Eval("define(p(a;b);a*10+b), define(q(n);pick(n>0;p(n;q(n-1));0)), q(3)"), "60");
    // The same with texts (t+='' turns the number into its text).
    EXPECT_EQ(Eval("define(c(a;b);a+b), define(q(n);pick(n>0;t=n, t+='', c(t;q(n-1));'.')), q(3)"), "321.");
}

} // namespace
