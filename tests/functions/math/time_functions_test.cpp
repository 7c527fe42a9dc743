// random's seeded sequence per thread, the millisecond clock, and the breakable sleep.
#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "engine/conversions.h"
#include "tests/functions/threaded_run.h"

namespace {

using namespace std::chrono_literals;
using NuvixParser::FormatNumber;
using NuvixTest::Eval;
using NuvixTest::RunGuarded;

std::string RandomValue(int k) {
    return FormatNumber(k / 32767.0);
}

TEST(TimeFunctions, RandomStartsTheSameSequenceOnEveryThread) {
    std::string first[3];
    std::thread([&] {
        for (std::string& v : first) v = Eval("random()"); // the sequence goes on between runs
    }).join();
    EXPECT_EQ(first[0], RandomValue(346));
    EXPECT_EQ(first[1], RandomValue(130));
    EXPECT_EQ(first[2], RandomValue(10982));
    // Draws on this thread do not move another thread's seed.
    Eval("random()");
    EXPECT_EQ(NuvixTest::EvalOnNewThread("random()"), RandomValue(346));
}

TEST(TimeFunctions, RandomStaysWithinZeroAndOneAndReachesBoth) {
    const char* script = "lo=1, hi=0, for(k=0; k<200000; k+=1; r=random(), if(r<lo;lo=r;0), if(r>hi;hi=r;0)),"
                         " string(lo)+' '+string(hi)";
    EXPECT_EQ(NuvixTest::EvalOnNewThread(script), "0 1");
}

TEST(TimeFunctions, GettimeCountsMillisecondsSinceProgramStart) {
    EXPECT_EQ(Eval("a=gettime(), b=gettime(), b>=a"), "1");
    EXPECT_EQ(Eval("a=gettime(), sleep(50), gettime()-a >= 50"), "1");
    EXPECT_EQ(Eval("gettime() < 3600000"), "1"); // this test program has not run for an hour
}

TEST(TimeFunctions, SleepReturnsOneAndNegativeTimesDoNotWait) {
    EXPECT_EQ(Eval("sleep(1)"), "1");
    // 4294967295 has the integer reading -1.
    for (const char* script : {"sleep(-1)", "sleep(4294967295)", "sleep(0)"}) {
        const auto run = RunGuarded(script, std::nullopt, 5s);
        EXPECT_EQ(run.outcome, "1") << script;
        EXPECT_LT(run.time, 1s) << script;
    }
    EXPECT_EQ(Eval("sleep(x)"), "Error: Variable x has no value");
}

TEST(TimeFunctions, BreakEndsALongSleepPromptly) {
    for (const char* script : {"sleep(100000)", "sleep(100000), 5"}) {
        const auto run = RunGuarded(script, 100ms);
        EXPECT_EQ(run.outcome, "Error: Breaked") << script;
        EXPECT_LT(run.time, 5s) << script;
    }
}

} // namespace
