// A break request ends every loop with "Breaked", also a loop whose body has no sequence.
#include <chrono>

#include <gtest/gtest.h>

#include "tests/engine/test_support.h"
#include "tests/functions/threaded_run.h"

namespace {

using namespace std::chrono_literals;

TEST(Break, EndsEveryKindOfLoopPromptly) {
    // No ',' inside the loops, so only the loops' own test can see the break.
    for (const char* script :
         {"while(1;1)", "while(1;0)", "for(i=0;1;i+=1;1)", "a[99999]=0, foreach(i;a[];sleep(10))"}) {
        const auto run = NuvixTest::RunGuarded(script, 100ms);
        EXPECT_EQ(run.outcome, "Error: Breaked") << script;
        EXPECT_LT(run.time, 5s) << script;
    }
}

// A break requested before the run reaches the loop is seen before its first condition.
TEST(Break, IsTestedBeforeTheFirstIteration) {
    for (const char* script : {"while(x;1)", "for(i=0;x;i+=1;1)"}) {
        NuvixTest::TScript s(script);
        ASSERT_TRUE(s.Compile());
        s.parser.Rebind();
        s.ci.Reset();
        s.ci.RequestBreak();
        s.parser.Calculate(s.ci);
        EXPECT_EQ(s.ci.errorMessage, "Breaked") << script;
    }
}

} // namespace
