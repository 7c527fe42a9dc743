// Script-level failures end the run with a script error (or the "Stack Overflow" result),
// never with a crash or a terminate: deep recursion, huge indices, huge counts and sizes,
// and memory running out while a text or an array grows.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/engine/test_support.h"

namespace {

using NuvixTest::Eval;

struct TCase {
    const char* script;
    const char* outcome;
};

TEST(ScriptFailures, EndAsScriptErrorsWithAMessage) {
    const char* const storeFailed = "Error: = operator: error setting a value (maybe negative array index)";
    const TCase cases[] = {
        {"define(f(n); f(n + 1)), f(0)", "Stack Overflow"},
        {"define(f(s); f(s + 'x')), f('')", "Stack Overflow"},
        {"a[2147483647] = 1", "Error: = operator: array index beyond the limit of 268435455"},
        {"a[-2147483648] = 1", storeFailed},
        {"a[2147483647]", "Error: Illegal array element access in array a"},
        {"a[0] = 1, a[2147483647] += 1", "Error: Illegal array element access in array a"},
        {"str(1; 2147483647; 0)", "Error: Str: Text longer than 1000000 characters"},
        {"strzero(1; 2147483647; 0)", "Error: StrZero: Text longer than 1000000 characters"},
        {"str(1; -2147483647; 3)", "Error: Str: Text longer than 1000000 characters"},
        {"s = 'ab', while(1; s = strzero(s; 2000000; 0))", "Error: StrZero: Text longer than 1000000 characters"},
    };
    for (const TCase& c : cases) EXPECT_EQ(Eval(c.script), c.outcome) << c.script;
}

#if !defined(__SANITIZE_ADDRESS__)
// The address space the process uses now, from /proc/self/status, in bytes.
long long VirtualSize() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0) return std::strtoll(line.c_str() + 7, nullptr, 10) * 1024;
    return 0;
}

// Runs the script in a child process whose address space may grow by only 512 MiB more,
// and prints the outcome; an allocation that fails there must become a script error.
void RunWithLittleMemory(const char* script) {
    const rlim_t limit = static_cast<rlim_t>(VirtualSize()) + (rlim_t{512} << 20);
    const rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0) std::_Exit(3);
    std::fprintf(stderr, "[%s]\n", Eval(script).c_str());
    std::_Exit(0);
}
#endif

class ScriptFailuresOutOfMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(ScriptFailuresOutOfMemory, EndsTheRunWithAnError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of shadow memory: no address-space limit fits";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunWithLittleMemory(GetParam()), ::testing::ExitedWithCode(0), "\\[Error: Out of memory\\]");
#endif
}

INSTANTIATE_TEST_SUITE_P(
    GrowingTextsAndArrays, ScriptFailuresOutOfMemory,
    ::testing::Values("s = 'x', while(1; s = s + s)",     // a text doubled until memory ends
                      "s = 'x', while(1; s += s)",         // the same through the append
                      "s = 'x', while(1; s = concat(s; s))", // and through a function
                      "a[100000000] = 1",                  // 800 MB of elements in one step
                      "a[268435455] = 1"));                // the largest array, 2 GiB

} // namespace
