// if, while, for, foreach and defined: truth rules, laziness, loop results and errors.
#include <gtest/gtest.h>

#include "engine/var_entry.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::ExpectResults;

TEST(If, CountsTheIntegerReadingOfItsCondition) {
    ExpectResults({
        {"if(1;1;2)", "1"},
        {"if(-1;1;2)", "1"},
        {"if(0.5;1;2)", "2"},
        {"if(-0.9;1;2)", "2"},
        {"if(4294967296;1;2)", "2"}, // low 32 bits zero
        {"if(4294967297;1;2)", "1"},
        {"if(0/0;1;2)", "2"},
        {"if('abc';1;2)", "2"},
        {"if('3';1;2)", "1"},
    });
}

TEST(If, EvaluatesOnlyTheTakenBranch) {
    ExpectResults({
        {"if(1; 5; x)", "5"},
        {"if(0; x; 'six')", "six"},
        {"if(x; 1; 2)", "Error: Variable x has no value"},
        {"define(fak(n);if(n<2;1;n*fak(n-1))), fak(10)", "3628800"},
    });
}

TEST(Loops, ConditionsCompareTheNumericReadingWithZero) {
    ExpectResults({
        {"c=0.5, k=0, while(c; c=0, k=1), k", "1"},
        {"c=0/0, k=0, while(c; c=0, k=1), k", "1"},
        {"c='abc', k=0, while(c; c=0, k=1), k", "0"},
        {"k=0, for(c=0.5; c; c=0; k=1), k", "1"},
        {"k=0, for(c=0/0; c; c=0; k=1), k", "1"},
        {"k=0, for(c='2x'; c; c=0; k=1), k", "1"},
    });
}

TEST(Loops, ReturnTheLastBodyValue) {
    ExpectResults({
        {"i=0, while(i<3; i=i+1)", "3"},
        {"n=0, s='', while(n<3; n+=1, s=s+'X')", "XXX"},
        {"for(i=0;i<10;i+=1;i*2)", "18"},
        {"for(i=0;i<10;i+=1;i*2), i", "10"},
        {"a[2]=7, foreach(i; a[]; a[i]*2)", "14"},
        {"a[2]=7, foreach(i; a[]; a[i]*2), i", "2"},
    });
}

// The loops store 0 themselves when the body never runs: a call site inside a function
// body would otherwise show the value of its previous evaluation.
TEST(Loops, ReturnZeroWhenTheBodyNeverRuns) {
    ExpectResults({
        {"while(0; 1)", "0"},
        {"for(i=5; i<0; i+=1; 1)", "0"},
        {"foreach(i; e[]; 5)", "0"},
        {"foreach(i; e[]; 5), defined(i)", "0"},
        {"define(g(c); number(while(c; c=0, 42))), g(1)", "42"},
        {"define(g(c); number(while(c; c=0, 42))), g(1), g(0)", "0"},
        {"define(g(c); number(for(i=0; i<c; i+=1; 42))), g(1), g(0)", "0"},
        {"define(g(a[]); number(foreach(i; a[]; 42))), x[0]=1, g(x[]), g(e[])", "0"},
    });
}

TEST(ForEach, TakesTheArrayLengthOnce) {
    // The body appends three elements; the loop still runs three times.
    ExpectResults({{"a[2]=0, c=0, foreach(i; a[]; a[i+3]=1, c+=1), c + 10*a[5]", "13"}});
}

TEST(ForEach, RejectsArgumentsOfTheWrongKind) {
    ExpectResults({
        {"foreach(5; a[]; 1)", "Syntax: Illegal argument"},
        {"b=1, foreach(i; b; 1)", "Error: ForEach: Second argument is not an array"},
        {"foreach(i; 3; 1)", "Error: ForEach: Second argument is not an array"},
        {"b=1, foreach(i; b[]; 1)", "Error: ForEach: b is not an array"},
        {"b[3]=1, foreach(a[-1]; b[]; c=1)", "Error: ForEach: error setting a value (maybe negative array index)"},
        {"b[3]=1, foreach(a[0]; b[]; a[0]*10), a[0]", "3"}, // an element is a variable
    });
}

TEST(Defined, TellsWhetherAVariableHasAValue) {
    ExpectResults({
        {"defined(a)", "0"},
        {"a=1, defined(a)", "1"},
        {"a='', defined(a)", "1"},
        {"a[0]=1, defined(a[0])", "1"},
        {"a[0]=1, defined(a[1])", "0"},
        {"a=42, if(defined(a);'hello';'you')", "hello"},
        {"defined(1)", "Error: Defined: Variable expected"},
        {"defined(a+1)", "Error: Defined: Variable expected"},
    });
}

// Reads a scalar left behind by a run that failed.
double Scalar(NuvixTest::TScript& s, const char* name) {
    NuvixParser::TVarEntry* e = s.parser.Store().GetScalar(name);
    return e && e->hasValue ? e->number : -1;
}

TEST(Loops, AnErrorEndsTheLoopAtTheNextIterationStart) {
    // while: the failing body is not followed by another condition.
    NuvixTest::TScript w("k=0, while(k+=1; x)");
    ASSERT_TRUE(w.Compile());
    w.Run();
    EXPECT_EQ(w.ci.errorMessage, "Variable x has no value");
    EXPECT_EQ(Scalar(w, "k"), 1);
    // for: nor here (incr does run, but the error flag makes it store nothing).
    NuvixTest::TScript f("c=0, for(i=0; c+=1; i+=1; x)");
    ASSERT_TRUE(f.Compile());
    f.Run();
    EXPECT_EQ(f.ci.errorMessage, "Variable x has no value");
    EXPECT_EQ(Scalar(f, "c"), 1);
    EXPECT_EQ(Scalar(f, "i"), 0);
    // foreach: the loop variable is not advanced again.
    NuvixTest::TScript e("a[4]=0, foreach(i; a[]; if(i==2; x; 0))");
    ASSERT_TRUE(e.Compile());
    e.Run();
    EXPECT_EQ(e.ci.errorMessage, "Variable x has no value");
    EXPECT_EQ(Scalar(e, "i"), 2);
}

} // namespace
