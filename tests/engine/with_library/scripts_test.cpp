// Engine behaviour that scripts show only with the standard library's if, while and sin:
// long loop bodies on a small stack, locals restored around nested calls, parse trees
// destroyed on another thread.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/test_support.h"

namespace {

using NuvixTest::CompileAndRunFlat;
using NuvixTest::Eval;
using NuvixTest::TScript;

TEST(Evaluation, LongLoopBodyRunsItsStatementsFlat) {
    constexpr int kStatements = 300000;
    std::string text = "x=0";
    for (int i = 1; i < kStatements; ++i) text += ",x+=1";
    EXPECT_EQ(CompileAndRunFlat("i=0, while(i<2; " + text + ", i+=1), x", std::size_t{1} << 20), "299999");
}

TEST(UserFunctionRecursion, LocalsComeBackWhicheverWayTheyWereSaved) {
    // Few number locals are saved on the machine stack, texts and larger bodies in the
    // frame stack; calls of either kind nest inside each other.
    EXPECT_EQ(Eval("define(f(n);k=n*2, if(n>0; f(n-1)+k; 0)), f(3)"), "12");
    // the innermost call leaves a text in n: the caller's number comes back
    EXPECT_EQ(Eval("define(h(n);if(n<1; n='z'; h(n-1)+n)), h(2)"), "3");
    // texts in the caller's locals at the time of the call
    EXPECT_EQ(Eval("define(f(n);s='v', if(n<1; s; f(n-1)+s)), f(3)"), "vvvv");
    EXPECT_EQ(Eval("define(r(t;n);if(n<1; t; r(t+'a';n-1)+t)), r('x';2)"), "xaaxax");
    // more locals than the quick way holds
    EXPECT_EQ(Eval("define(g(a;b;c;d;e);if(a<1; 0; g(a-1;b;c;d;e)+a+b+c+d+e)), g(3;1;1;1;1)"), "18");
    EXPECT_EQ(Eval("define(g(a;b;c);u=a, v=b, if(a<1; 0; g(a-1;b;c)+u+v+c)), g(2;10;100)"), "223");
}

// Trees compiled on one thread and destroyed on another, while both threads keep
// compiling: the counts of shared chunks must end at zero exactly once.
TEST(NodePool, TreesMayDieOnAnotherThread) {
    const char* text = "define(f(x); if(x<2; x; f(x-1)+f(x-2))), a[3]=sin(2)*4, s='ab'+'cd', f(8)";
    for (int round = 0; round < 20; ++round) {
        std::vector<std::unique_ptr<TScript>> made(40);
        std::thread maker([&] {
            for (auto& s : made) {
                s = std::make_unique<TScript>(text);
                ASSERT_TRUE(s->Compile());
            }
        });
        std::vector<std::unique_ptr<TScript>> own;
        for (int i = 0; i < 40; ++i) {
            own.push_back(std::make_unique<TScript>(text));
            ASSERT_TRUE(own.back()->Compile());
        }
        maker.join();
        std::thread killer([&] {
            for (auto& s : own) {
                EXPECT_EQ(s->Run().GetNumber(), 21);
                s.reset();
            }
        });
        for (auto& s : made) {
            EXPECT_EQ(s->Run().GetNumber(), 21);
            s.reset();
        }
        killer.join();
    }
}

} // namespace
