// The short ways of the evaluator (leaf operands read inline, values dropped on the left
// of ',', texts appended in place) must give exactly what the general evaluation gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/function_registry.h"
#include "engine/var_entry.h"
#include "tests/engine/test_support.h"

namespace {

using namespace NuvixParser;
using NuvixTest::Eval;
using NuvixTest::ExpectResults;
using NuvixTest::TScript;


TEST(ShortPaths, LeafOperandsOfEveryShape) {
    ExpectResults({
        // variable op number, variable op variable, number op variable
        {"x=7, x-2", "5"},
        {"x=7, y=2, x/y", "3.5"},
        {"x=7, 10-x", "3"},
        {"x=7, y=7, x==y", "1"},
        {"x=2, 3^x", "9"},
        // a variable holding a text counts by its numeric reading
        {"t='12abc', t*2", "24"},
        {"t='5', t<6", "1"},
        {"t='x', u='3', t+0 < u", "1"},
        // a variable without a value is the same error on every side
        {"x<1", "Error: Variable x has no value"},
        {"x=1, x+y", "Error: Variable y has no value"},
        {"y=1, 2*x", "Error: Variable x has no value"},
        {"x=1, y < x*z", "Error: Variable y has no value"},
    });
}

TEST(ShortPaths, TheLeftSideIsReadBeforeTheRightSideRuns) {
    ExpectResults({
        {"x=1, x + (x=5)", "6"},
        {"x=1, x - (x=5)", "-4"},
        {"x=1, x * (x=5)", "5"},
        {"x=1, x < (x=5)", "1"},
        {"x=1, (x+=1) + x", "4"},
        {"t='a', t + (t='b')", "ab"},
        {"x=3, y=(x+=1)+x, y", "8"},
    });
}

TEST(ShortPaths, AssignmentsOfLeaves) {
    ExpectResults({
        {"x=1, x+=2", "3"},
        {"x=1, y=4, x-=y, x", "-3"},
        {"x=3, x*=x", "9"},
        {"x=3, x/=0", "+INF"},
        {"x=5, x=2.5, x", "2.5"},
        {"(x=5)+1", "6"},
        // the target needs a value, the right side too
        {"x+=1", "Error: Variable x has no value"},
        {"x=1, x+=y", "Error: Variable y has no value"},
        // a text on the right of += appends, also to a number (formatted as %.15g)
        {"x=1.5, t='ab', x+=t", "1.5ab"},
        {"x=2, t='7', x*=t, x", "14"},
        // an array element is no plain variable: it takes the general way
        {"a[2]=1, a[2]+=2, a[2]", "3"},
        {"a[-1]=1", "Error: = operator: error setting a value (maybe negative array index)"},
    });
}

TEST(ShortPaths, ErrorFlagStopsStoresInTheIncrement) {
    // for runs incr after a failed expr; with the flag set nothing is stored.
    TScript s("i=0, j=0, for(k=0; k<3; i+=1, j=5, k+=1; x)");
    ASSERT_TRUE(s.Compile());
    s.Run();
    EXPECT_EQ(s.ci.errorMessage, "Variable x has no value");
    auto scalar = [&](const char* n) { return static_cast<const TVarEntry*>(s.parser.Store().Find(n))->number; };
    EXPECT_EQ(scalar("i"), 0);
    EXPECT_EQ(scalar("j"), 0);
    EXPECT_EQ(scalar("k"), 0);
}

TEST(ShortPaths, DroppedValuesStillAssign) {
    ExpectResults({
        // texts moved into variables on the left of ',' keep their numeric reading
        {"t='42x', u=t, t=0, u+1", "43"},
        {"t='abc', u=t, t='z', u", "abc"},
        {"a=(b='q'), a+b", "qq"},
        {"for(s=''; length(s)<3; s+='y'; 0), s", "yyy"},
        {"s='', for(i=0; i<3; i+=1; s=s+string(i)), s", "012"},
        // a nested sequence on the left drops its own values and still checks each step
        {"(x=1, y=2), x+y", "3"},
    });
}

TEST(ShortPaths, TextAppendInPlace) {
    ExpectResults({
        {"t='ab', t+='cd', t", "abcd"},
        {"t='ab', t+='cd'", "abcd"},
        {"t='ab', t+=t, t", "abab"},
        {"t='', i=0, while(i<5; t+='x', i+=1), t", "xxxxx"},
        // the numeric reading follows the grown text
        {"t='12', t+='3', t+1", "124"},
        {"t='1e', t+='2', t*1", "100"},
        {"t='7', t+='x', t+1", "8"},
        // the right side runs first and may change the target
        {"t='a', t+=(t='b'), t", "bb"},
        // an appended number adds instead (the target's numeric reading)
        {"t='5', t+=1, t", "6"},
        // a target without a value is an error, also with a text on the right
        {"t+='x'", "Error: Variable t has no value"},
    });
    // The in-place append keeps the text of a long build exact.
    TScript s("t='', for(i=0; i<2000; i+=1; t+=chr(65+mod(i;26))), length(t)");
    ASSERT_TRUE(s.Compile());
    EXPECT_EQ(s.Run().GetNumber(), 2000);
    const auto* t = static_cast<const TVarEntry*>(s.parser.Store().Find("t"));
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->text.size(), 2000u);
    for (std::size_t i = 0; i < t->text.size(); ++i) ASSERT_EQ(t->text[i], 'A' + static_cast<int>(i % 26)) << i;
}

TEST(ShortPaths, VariableOperatorNumberReadInline) {
    ExpectResults({
        // every operator read inline, as a condition, an argument and the left of '+'
        {"x=7, if(x-7; 1; 2)", "2"},
        {"define(f(a); a), x=7, f(x+1) + f(x*2) + f(x/2)", "25.5"},
        {"x=3, (x<5) + (x>5) + (x<=3) + (x>=4) + (x==3) + (x!=3)", "3"},
        {"x=0/0, (x<1) + (x>1) + (x<=1) + (x>=1) + (x==1) + (x!=1)", "1"},
        {"define(f(a); a), x=1, f(x/0)", "+INF"},
        {"x=2, x^3", "8"},
        // a text variable counts by its numeric reading, a variable without value fails
        {"t='5x', t-1", "4"},
        {"define(f(a); a), t='5', f(t*2)", "10"},
        {"define(f(a); a), f(x-1)", "Error: Variable x has no value"},
        {"if(x<1; 1; 2)", "Error: Variable x has no value"},
        // the lowest operator of a left spine is bound through the spine
        {"x=10, x-1-2-3", "4"},
        {"define(f(a); a), x=10, f(x-1-2)", "7"},
    });
}

TEST(ShortPaths, InlineOperatorsFollowRebinding) {
    // A body's own locals are made afresh each time it is bound: the inline reading has to
    // follow them (the sanitizer build sees a stale entry as a use after free).
    TScript s("define(f(a); k=a, j=1, k+=j, k-1 + (k-1-1) + (j<k)), f(5) + f(10)");
    ASSERT_TRUE(s.Compile());
    for (int run = 0; run < 3; ++run) {
        EXPECT_EQ(s.Run().ToString(), "30") << "run " << run;
        EXPECT_FALSE(s.ci.error) << s.ci.errorMessage;
    }
}

TEST(ShortPaths, CallsAndIfPassNumbersAndTexts) {
    ExpectResults({
        // a call's text on the left of '+' concatenates, a number adds
        {"define(f(a); if(a; 'yes'; 'no')), f(1) + '!'", "yes!"},
        {"define(f(a); a), f('ab') + f('cd')", "abcd"},
        {"define(f(a); a), f('2') + 1", "3"},
        {"define(f(a); a), 1 + f('2x')", "3"},
        {"define(f(a); b=a, b), f('t') + 'u'", "tu"},
        {"define(g(); 5), g() + 1", "6"},
        // two texts joined inside arithmetic count by the joined text's reading
        {"define(f(a); a), (f('3') + f('4')) * 2", "68"},
        {"define(r(n); if(n < 1; 'x'; r(n - 1) + 'y')), r(3)", "xyyy"},
        {"define(r(n); if(n < 1; 'x'; r(n - 1) + 'y')), r(2) * 1", "0"},
        {"define(fib(n); if(n < 2; n; fib(n - 1) + fib(n - 2))), fib(15)", "610"},
        {"define(fib(n); if(n < 2; n; fib(n - 1) + fib(n - 2))), 2 * fib(10)", "110"},
        // errors inside a body end the whole expression
        {"define(f(a); a + y), f(1) + 2", "Error: Variable y has no value"},
        {"define(f(a); a + y), 2 + f(1)", "Error: Variable y has no value"},
        // array parameters and re-entered call nodes take the general way, same values
        {"define(s(v[]); v[0] + 1), a[0]=4, s(a[]) + 1", "6"},
        {"define(t(v[]); 'k'), a[0]=1, t(a[]) + 'm'", "km"},
        {"define(g(n); if(n < 1; 0; 1 + g(g(n - 1)))), g(4) + 1", "5"},
    });
}

TEST(ShortPaths, UpdatesAndVariablePairsRunInline) {
    ExpectResults({
        // x op= y and x op= number on the left of ',', as a loop body and as for's parts
        {"s=0, i=0, while(i<5; s+=i, i+=1), s", "10"},
        {"p=1, for(i=0; i<4; i+=1; p*=2), p", "16"},
        {"x=1, y=4, x-=y, x/=y, x", "-0.75"},
        {"x=1, y=0, x/=y, x", "+INF"},
        {"x=3, x*=x, x", "9"},
        // variable pairs compare and compute inline, NaN compares false but unequal
        {"i=0, n=3, while(i<n; i+=1), i", "3"},
        {"x=0/0, y=1, (x<y) + (x>=y) + (x==y) + (x!=y)", "1"},
        {"x=6, y=4, (x-y) * (x/y)", "3"},
        // a text on either side leaves the short way and keeps its meaning
        {"u=1, t='5', u+=t, u", "15"},
        {"t='5', t+=1, t+1", "7"},
        {"x=1, t='2', x<t", "1"},
        {"x=1, t='2', x+t", "3"},
        // missing values fail as before
        {"x+=1, 2", "Error: Variable x has no value"},
        {"x=1, x+=y, x", "Error: Variable y has no value"},
        {"x=1, x<y", "Error: Variable y has no value"},
    });
}

// Each operator gives the same value on every way it can take: a variable and a second
// variable or a number read inline by the node above, the compound assignment updated in
// place, and operands that are no leaves. The pairs tell every comparison from its mirror
// and its negation, and the operands of - and / from their swap.
TEST(ShortPaths, EveryWayOfAnOperatorComputesTheSame) {
    struct TOperatorCase {
        const char* op;
        const char* x;
        const char* y; // a number literal
        const char* expected;
    };
    const TOperatorCase cases[] = {
        {"+", "6", "4", "10"},  {"-", "6", "4", "2"},   {"-", "4", "6", "-2"}, {"*", "6", "4", "24"},
        {"/", "6", "4", "1.5"}, {"/", "1", "0", "+INF"},
        {"<", "4", "6", "1"},   {"<", "5", "5", "0"},   {"<", "6", "4", "0"},  {"<", "0/0", "1", "0"},
        {">", "4", "6", "0"},   {">", "5", "5", "0"},   {">", "6", "4", "1"},  {">", "0/0", "1", "0"},
        {"<=", "4", "6", "1"},  {"<=", "5", "5", "1"},  {"<=", "6", "4", "0"}, {"<=", "0/0", "1", "0"},
        {">=", "4", "6", "0"},  {">=", "5", "5", "1"},  {">=", "6", "4", "1"}, {">=", "0/0", "1", "0"},
        {"==", "4", "6", "0"},  {"==", "5", "5", "1"},  {"==", "6", "4", "0"}, {"==", "0/0", "1", "0"},
        {"!=", "4", "6", "1"},  {"!=", "5", "5", "0"},  {"!=", "6", "4", "1"}, {"!=", "0/0", "1", "1"},
    };
    for (const TOperatorCase& c : cases) {
        const std::string op = c.op;
        const std::string values = std::string("x=") + c.x + ", y=" + c.y + ", ";
        std::vector<std::string> scripts = {
            values + "(x" + op + "y)*1",      // variable op variable, read inline
            values + "(x" + op + c.y + ")*1", // variable op number, read inline
            values + "(x*1)" + op + "(y*1)",  // no leaves: through the nodes
        };
        if (op == "+" || op == "-" || op == "*" || op == "/") {
            scripts.push_back(values + "x" + op + "=y, x");   // x op= y as a step of ','
            scripts.push_back(values + "x" + op + "=" + c.y); // x op= number as the value
        }
        for (const std::string& script : scripts) EXPECT_EQ(Eval(script), c.expected) << "script: " << script;
    }
}

TEST(ShortPaths, UnaryRoutinesReadTheirArgumentDirectly) {
    ExpectResults({
        {"x=0, cos(x) + sin(x) + exp(x)", "2"},
        {"floor(-2.5) + ceil(2.5) + abs(-4)", "4"},
        {"sin(cos(0) - 1)", "0"},
        // a text argument counts by its numeric reading, through the slot
        {"cos('0')", "1"},
        {"t='0abc', exp(t)", "1"},
        {"define(f(); '0'), cos(f())", "1"},
        // an argument that fails ends the expression; the routine does not run
        {"cos(y)", "Error: Variable y has no value"},
        {"sin(1 + y) + 1", "Error: Variable y has no value"},
        // a call inside the argument that reaches the same node again
        {"define(g(n); if(n < 1; 0; floor(g(n - 1)) + n)), g(2)", "3"},
    });
}

// breakwhen(c): a test-only function that requests a break of the run (as Ctrl+C would)
// when c is true.
class TBreakWhen final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override {
        if (Value(0).GetNumber() != 0) ci.RequestBreak();
        return 0;
    }
};

TEST(ShortPaths, LoopBodiesRunTheirStepsInOrder) {
    ExpectResults({
        {"s=0, i=0, while(i<4; i+=1, s+=i, s*=2), s", "52"},
        {"t='', for(i=0; i<3; i+=1; t+='a', t+=string(i)), t", "a0a1a2"},
        {"n=0, a[2]=0, foreach(k; a[]; n+=1, n+=k), n", "6"},
        // the body's value is its last step's
        {"i=0, while(i<2; i+=1, 'x')", "x"},
        {"i=0, while(i<2; (i+=1, 7))", "7"},
    });
    // An error in a step ends the loop there: later steps do not run.
    TScript failing("i=0, z=0, while(i<5; i+=1, z+=1, if(i==3; y; 0), z+=10), z");
    ASSERT_TRUE(failing.Compile());
    failing.Run();
    EXPECT_EQ(failing.ci.errorMessage, "Variable y has no value");
    EXPECT_EQ(static_cast<const TVarEntry*>(failing.parser.Store().Find("z"))->number, 23);
    // A break requested in a step is taken before the next step.
    TScript broken("i=0, j=0, while(i<5; i+=1, breakwhen(i==2), j=i), j");
    broken.parser.Register("breakwhen", &MakeFunction<TBreakWhen>);
    ASSERT_TRUE(broken.Compile());
    broken.Run();
    EXPECT_EQ(broken.ci.errorMessage, "Breaked");
    EXPECT_EQ(static_cast<const TVarEntry*>(broken.parser.Store().Find("j"))->number, 1);
}

} // namespace
