// Evaluation of parse trees: operators, assignments, array elements, errors and breaks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <memory>
#include <pthread.h>
#include <string>
#include <vector>

#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/function_registry.h"
#include "engine/operands.h"
#include "engine/operators.h"
#include "engine/var_entry.h"
#include "tests/engine/test_support.h"

namespace {

using namespace NuvixParser;
using NuvixTest::CompileAndRunFlat;
using NuvixTest::Eval;
using NuvixTest::ExpectResults;
using NuvixTest::TScript;


// Compiles and binds a script, requests a break, then runs it.
std::string RunWithBreak(TScript& s) {
    if (!s.Compile()) return "Syntax: " + s.parser.ErrorMessage();
    s.parser.Rebind();
    s.ci.Reset();
    s.ci.RequestBreak();
    TReturnValue v = s.parser.Calculate(s.ci);
    return s.ci.error ? "Error: " + s.ci.errorMessage : v.ToString();
}

const TVarEntry* Scalar(TScript& s, const char* name) {
    return dynamic_cast<const TVarEntry*>(s.parser.Store().Find(name));
}

const TArrayEntry* Array(TScript& s, const char* name) {
    return dynamic_cast<const TArrayEntry*>(s.parser.Store().Find(name));
}

// ---- values and variables -------------------------------------------------------------

TEST(Evaluation, VariablesNeedAValue) {
    ExpectResults({
        {"x+1", "Error: Variable x has no value"}, {"x=1, x+1", "2"},
        {"x=1, y", "Error: Variable y has no value"},
        {"a[0]=1, a", "Error: Variable a has no value"}, // the name is an array
        {"\"my var\"=4, \"my var\"*2", "8"}, {"s='4', -s", "-4"}, {"-'2abc'", "-2"}, {"-2^2", "4"},
        {"s='5', s*2", "10"}, // a stored text keeps its numeric reading
    });
}

TEST(Evaluation, FirstErrorEndsTheRun) {
    TScript s("x=1, y, x=2");
    ASSERT_TRUE(s.Compile());
    s.Run();
    EXPECT_EQ(s.ci.errorMessage, "Variable y has no value");
    EXPECT_EQ(Scalar(s, "x")->number, 1);

    TScript t("(u=1) + q + (v=1)");
    ASSERT_TRUE(t.Compile());
    t.Run();
    EXPECT_EQ(t.ci.errorMessage, "Variable q has no value");
    EXPECT_TRUE(Scalar(t, "u")->hasValue);
    EXPECT_FALSE(Scalar(t, "v")->hasValue);
}

TEST(Evaluation, GlobalsAreSharedBetweenParsers) {
    TGlobalVarList globals;
    TParser writer(globals, NuvixTest::ScriptRegistry()), reader(globals, NuvixTest::ScriptRegistry());
    writer.SetText("$g = '10', $n[2] = 5");
    reader.SetText("$g + $n[2]");
    ASSERT_TRUE(writer.Compile());
    ASSERT_TRUE(reader.Compile());
    TCalcInfo ci;
    writer.Rebind();
    writer.Calculate(ci);
    ASSERT_FALSE(ci.error);
    reader.Rebind();
    EXPECT_EQ(reader.Calculate(ci).ToString(), "15"); // text + number adds numerically
    writer.Rebind(); // the reader still uses both: they survive the writer's release
    EXPECT_EQ(reader.Calculate(ci).ToString(), "15");
    EXPECT_FALSE(ci.error);
}

// ---- arithmetic, comparison and logic -------------------------------------------------

TEST(Evaluation, AdditionOfTextsAndNumbers) {
    ExpectResults({
        {"'ab'+'cd'", "abcd"}, {"'a'+'b'+'c'", "abc"}, {"'ab'+1", "1"}, {"'2'+3", "5"},
        {"2+'3'", "5"}, {"''+''", ""}, {"s='x', s+'y'+s", "xyx"}, {"0.1+0.2", "0.3"},
    });
}

TEST(Evaluation, NumericOperators) {
    ExpectResults({
        {"7-10", "-3"}, {"6*7", "42"}, {"7/2", "3.5"}, {"1/0", "+INF"}, {"-1/0", "-INF"},
        {"1/(-1/(1/0))", "-INF"}, // 1/-0
        {"2^10", "1024"}, {"2^0.5", "1.4142135623731"}, {"10^400", "+INF"}, {"0^(-1)", "+INF"},
        {"2^(-1074)", "4.94065645841247e-324"}, {"'3'^'2'", "9"}, {"1, 2, 3", "3"},
        {"(1, 2, 3)*2", "6"}, {"1, 'last'", "last"},
    });
    for (const char* script : {"0/0", "(-8)^(1/3)", "(1/0)-(1/0)"}) {
        TScript s(script);
        ASSERT_TRUE(s.Compile());
        TReturnValue v = s.Run();
        EXPECT_FALSE(s.ci.error) << script;
        EXPECT_TRUE(std::isnan(v.number)) << script;
        const std::string text = v.ToString();
        EXPECT_TRUE(text == "+NAN" || text == "-NAN") << script << " gave " << text;
    }
}

TEST(Evaluation, ComparisonsAreNumeric) {
    ExpectResults({
        {"'10' > '9'", "1"},   {"'10' < '9'", "0"},   {"'abc' == 0", "1"},
        {"'abc' == 'xyz'", "1"}, {"'1e2' == 100", "1"}, {"3 >= 3", "1"},
        {"3 <= 2", "0"},       {"2 != 2", "0"},       {"0.1+0.2 == 0.3", "0"},
        {"(0/0) == (0/0)", "0"}, {"(0/0) != (0/0)", "1"}, {"(0/0) < 1", "0"}, {"(0/0) >= 1", "0"},
    });
}

TEST(Evaluation, LogicUsesIntegerTruth) {
    ExpectResults({
        {"0.5 & 1", "0"},      {"1.5 & -1", "1"},      {"2 | 0", "1"},
        {"-0.9 | 0", "0"},     {"4294967296 & 1", "0"}, {"4294967297 & 1", "1"},
        {"'1' & 'x'", "0"},    {"'7' | 0", "1"},        {"(0/0) | (1/0)", "0"},
    });
}

TEST(Evaluation, BothSidesAreEvaluatedLeftFirst) {
    ExpectResults({
        {"x=0, 0 & (x=5), x", "5"}, {"y=0, 1 | (y=7), y", "7"}, {"x=1, (x=2) - x", "0"},
        {"x=1, (x=2) + x", "4"}, {"n=0, ((n+=1) & 0) | ((n+=10) & 0), n", "11"},
    });
}

// ---- array elements ------------------------------------------------------------------

TEST(Evaluation, ArrayElementAccess) {
    ExpectResults({
        {"a[0]", "0"}, {"a[]", "0"}, {"a[1]", "Error: Illegal array element access in array a"},
        {"a[-1]", "Error: Illegal array element access in array a"},
        {"a[5]=2, a[0]+a[1]+a[2]+a[3]+a[4]", "0"}, {"a[5]=2, a[5]", "2"},
        {"a[5]=2, a[6]", "Error: Illegal array element access in array a"},
        {"a[5]=2, a[-1]", "Error: Illegal array element access in array a"},
        {"a[1]=3, a[1.7]", "3"}, {"a[0]=4, a[-0.5]", "4"}, {"a[0]=4, a[]", "4"},
        {"a[1]=3, a['1x']", "3"}, {"a[2]=0, a[2]", "0"}, {"a[0]=9, a[4294967296]", "9"},
        {"a[0]=9, a[1/0] + a[0/0]", "18"},
        {"a[1e9]", "Error: Illegal array element access in array a"},
        {"a[0]=1, a[q]", "Error: Variable q has no value"},
        {"x=1, x[0]", "Error: Index: x is not an array"},
        {"$a[3]=1, $a[3]+$a[2]", "1"},
    });
}

TEST(Evaluation, ArrayStoresGrowTheArray) {
    TScript s("a[5]=2");
    ASSERT_TRUE(s.Compile());
    EXPECT_EQ(s.Run().ToString(), "2");
    const TArrayEntry* a = Array(s, "a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Length(), 6);
    EXPECT_EQ(a->Capacity(), 128);

    TScript t("a[0]='12abc'");
    ASSERT_TRUE(t.Compile());
    EXPECT_EQ(t.Run().ToString(), "12abc"); // the value of '=' is the right side
    EXPECT_EQ(Array(t, "a")->GetElement(0), 12);
}

TEST(Evaluation, ElementHasValueAndStoresKeepIndexErrorsPrivate) {
    TGlobalVarList globals;
    TVarHandler store(globals);
    store.GetArray("a")->SetLength(3);
    store.GetScalar("s")->SetNumber(1);

    struct Case {
        TNodePtr index;
        bool hasValue;
    };
    std::vector<Case> cases;
    cases.push_back({std::make_unique<TConstOperand>(0.0), true});
    cases.push_back({std::make_unique<TConstOperand>(2.9), true});
    cases.push_back({std::make_unique<TConstOperand>(3.0), false});
    cases.push_back({std::make_unique<TConstOperand>(-1.0), false});
    cases.push_back({TOperand::Make("unset"), false});
    for (std::size_t k = 0; k < cases.size(); ++k) {
        auto element = TOpArray::Make("a", std::move(cases[k].index));
        element->Bind(store);
        TCalcInfo ci;
        EXPECT_EQ(element->HasValue(ci), cases[k].hasValue) << "case " << k;
        EXPECT_FALSE(ci.error) << "case " << k;
    }

    auto scalarName = TOpArray::Make("s", std::make_unique<TConstOperand>(0.0));
    scalarName->Bind(store);
    TCalcInfo ci;
    EXPECT_FALSE(scalarName->HasValue(ci));
    EXPECT_FALSE(scalarName->AssignNumber(ci, 1));
    EXPECT_EQ(scalarName->RefusedStoreText(), "s is not an array");

    auto badIndex = TOpArray::Make("a", TOperand::Make("unset"));
    badIndex->Bind(store);
    EXPECT_FALSE(badIndex->AssignNumber(ci, 1));
    EXPECT_FALSE(ci.error); // the failed index stays in the private record
    EXPECT_EQ(badIndex->RefusedStoreText(), "index of a: Variable unset has no value");
    EXPECT_EQ(scalarName->RefusedStoreText(), ""); // only the last refusal is kept

    auto element = TOpArray::Make("a", std::make_unique<TConstOperand>(4.0));
    element->Bind(store);
    EXPECT_TRUE(element->AssignString(ci, " 2.5e1 apples"));
    EXPECT_EQ(store.GetArray("a")->GetElement(4), 25);

    auto unbound = TOperand::Make("never bound");
    TReturnValue v;
    unbound->Evaluate(ci, v);
    EXPECT_EQ(ci.errorMessage, "Variable never bound has no value");
    EXPECT_FALSE(unbound->AssignNumber(ci, 1));
}

// ---- assignments ---------------------------------------------------------------------

TEST(Evaluation, AssignmentResultsAndMessages) {
    const std::string storeFailed = "Error: = operator: error setting a value (maybe negative array index)";
    ExpectResults({
        {"x=5", "5"}, {"x='ab'", "ab"}, {"(x=2)+3", "5"}, {"x='5', x+1", "6"},
        {"i=0, a[i]=(i=3), a[3]", "3"}, // the right side runs before the index
        {"i=0, a[i]=(i=3), a[0]", "0"},
    });
    for (const char* script : {"a[-1]=1", "a[-1.5]=1", "a[2147483648]=1", "a[-1]='text'"}) {
        EXPECT_EQ(Eval(script), storeFailed) << script;
    }
    // Refused stores say why, and name the array.
    const std::string beyondLimit = "Error: = operator: array index beyond the limit of 268435455";
    ExpectResults({
        {"a[2147483647]=1", beyondLimit}, {"a[1e9]=1", beyondLimit}, {"a[268435456]=1", beyondLimit},
        {"a[268435456]='text'", beyondLimit}, {"a[0]=1, a[268435456]+=1", "Error: Illegal array element access in array a"},
        {"a[q]=1", "Error: = operator: index of a: Variable q has no value"},
        {"x=1, x[0]=2", "Error: = operator: x is not an array"},
    });
    ExpectResults({
        {"a[4294967296]=1, a[0]", "1"}, // low 32 bits of the index are 0
        {"a[1e300]=6, a[0]", "6"},      // beyond 64 bits: index 0
        {"a[-0.9]=3, a[0]", "3"},
    });
    EXPECT_EQ(Eval("1=2"), "Syntax: Illegal operator");
}

TEST(Evaluation, AssignmentToConstantIsRejectedAtRunTime) {
    // The parser refuses such trees; a tree built by hand still fails cleanly.
    const std::pair<char, const char*> cases[] = {
        {'=', "=: Left expression is constant"},  {'p', "+=: Left expression is constant"},
        {'m', "-=: Left expression is constant"}, {'t', "*=: Left expression is constant"},
        {'d', "/=: Left expression is constant"},
    };
    for (const auto& [code, message] : cases) {
        std::unique_ptr<TOpFunction> op = CreateOperatorNode(code);
        ASSERT_NE(op, nullptr);
        op->SetOperands(std::make_unique<TConstOperand>(1.0), std::make_unique<TConstOperand>(2.0));
        EXPECT_FALSE(op->CheckOperands()) << code;
        TCalcInfo ci;
        TReturnValue result;
        op->Evaluate(ci, result);
        EXPECT_TRUE(ci.error) << code;
        EXPECT_EQ(ci.errorMessage, message);
    }
}

TEST(Evaluation, CompoundAssignments) {
    ExpectResults({
        {"x=3, x*=2", "6"}, {"x=3, x*=2, x", "6"}, {"x=10, x-=4", "6"}, {"x=1, x+=0.5", "1.5"},
        {"y=1, y/=0, y", "+INF"}, {"y=0, y/=0, y != y", "1"}, {"x='3', x*='2'", "6"},
        {"x+=(x=5)", "10"}, // the right side is evaluated before the target is read
        {"z+=1", "Error: Variable z has no value"}, {"a[0]+=2, a[0]", "2"},
        {"a[0]=1, a[0]*=5, a[0]", "5"},
        {"a[3]+=1", "Error: Illegal array element access in array a"},
        {"a[0]=1, a[-1]-=1", "Error: Illegal array element access in array a"},
        {"x=1, x[0]+=1", "Error: Index: x is not an array"}, {"x+=q", "Error: Variable q has no value"},
    });
}

TEST(Evaluation, PlusEqualsAppendsTexts) {
    ExpectResults({
        {"n=5, n+='x'", "5x"}, {"n=5, n+='x', n", "5x"}, {"n=0.1, n+='x'", "0.1x"},
        {"n=1/3, n+=''", "0.333333333333333"}, {"n=1/0, n+='!'", "+INF!"},
        {"s='ab', s+='cd', s", "abcd"}, {"s='x', s+=1", "1"}, {"s='2', s+=1, s", "3"},
        {"s='x', s+='1', s*2", "0"}, {"s='1', s+='2', s*2", "24"}, {"a[0]=1, a[0]+='5'", "15"},
        {"a[0]=1, a[0]+='5', a[0]", "15"},
    });
}

TEST(Evaluation, CompoundAssignmentEvaluatesIndexTwice) {
    // The target's index runs once to read the element and once more to store it. Here
    // the second run points at index -1: a numeric store fails with the flag alone, a text
    // append fails silently.
    ExpectResults({
        {"a[0]=1, i=0, a[(i-=1)+1] += 1", "Error: += operator: error setting a value (maybe negative array index)"}, {"a[0]=1, i=0, a[(i-=1)+1] += 'x'", "1x"},
        {"a[0]=1, i=0, a[(i+=1)-1] += 1, i", "2"}, {"a[0]=1, i=0, a[(i+=1)-1] += 1, a[1]", "2"},
    });
}

// ---- breaks ----------------------------------------------------------------------------

TEST(Evaluation, BreakEndsRunAtNextSequenceStep) {
    {
        TScript s("x=1, x=2");
        EXPECT_EQ(RunWithBreak(s), "Error: Breaked");
        EXPECT_EQ(Scalar(s, "x")->number, 1); // the statement before the ',' ran
    }
    {
        TScript s("x=5"); // no ',' reached: the run completes
        EXPECT_EQ(RunWithBreak(s), "5");
    }
    {
        TScript s("3 * (2, 4)");
        EXPECT_EQ(RunWithBreak(s), "Error: Breaked");
    }
    {
        TScript s("y + (1, 2)"); // an error before the ',' comes first
        EXPECT_EQ(RunWithBreak(s), "Error: Variable y has no value");
    }
    {
        // The index of a stored element runs with a private record, which still sees the
        // break; without one, the same script stores into a[2].
        TScript s("a[(1, 2)] = 5");
        EXPECT_EQ(RunWithBreak(s), "Error: Breaked");
        EXPECT_EQ(Eval("a[(1, 2)] = 5, a[2]"), "5");
    }
    {
        TScript s("z = a[(1, 2)]");
        EXPECT_EQ(RunWithBreak(s), "Error: Breaked");
    }
}

// A test-only function that requests a break while the script runs, through whatever
// record it is evaluated with, and gives its argument back.
class TRequestBreak final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override {
        ci.RequestBreak();
        return values_[0].GetNumber();
    }
};

TEST(Evaluation, BreakEndsEndlessRecursionInsideIndex) {
    // f never ends by itself (it would run until the stack is used up); it is defined in
    // another parser that shares its user functions with the script's one.
    TScript defs("define(f(n); n, f(n+1))");
    ASSERT_TRUE(defs.Compile()) << defs.parser.ErrorMessage();

    TScript s("a[f(requestbreak(1))] = 5");
    s.parser.ShareHandler(defs.parser.Handler());
    s.parser.Register("requestbreak", &MakeFunction<TRequestBreak>);
    ASSERT_TRUE(s.Compile()) << s.parser.ErrorMessage();
    defs.parser.Rebind();
    s.Run();
    EXPECT_TRUE(s.ci.error);
    EXPECT_EQ(s.ci.errorMessage, "Breaked");
    EXPECT_TRUE(s.ci.BreakRequested()); // raised through the private record, seen by the run
    EXPECT_EQ(Array(s, "a")->Length(), 0);

    // A break requested before the run: the call returns at once and the next ',' ends it.
    TScript t("a[f(1)] = 5, a[0]");
    t.parser.ShareHandler(defs.parser.Handler());
    EXPECT_EQ(RunWithBreak(t), "Error: Breaked");
}

// ---- long flat scripts -----------------------------------------------------------------

TEST(Evaluation, LongSumOfTerms) {
    constexpr int kTerms = 300000;
    std::string text = "1";
    for (int i = 2; i <= kTerms; ++i) {
        text += '+';
        text += std::to_string(i);
    }
    EXPECT_EQ(CompileAndRunFlat(text), "45000150000");
}

TEST(Evaluation, LongSequenceOfStatements) {
    constexpr int kStatements = 300000;
    std::string text = "x=0";
    for (int i = 1; i < kStatements; ++i) text += ",x+=1";
    EXPECT_EQ(CompileAndRunFlat(text), "299999");
    // The statements run one after another, not nested: a small stack is enough.
    EXPECT_EQ(CompileAndRunFlat(text, std::size_t{1} << 20), "299999");
}

} // namespace
