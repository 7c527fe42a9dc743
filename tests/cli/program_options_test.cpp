// The informational options of the two command-line programs: --version of the runner,
// --help of the instrument simulator, and which stream and exit status each one uses.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/cli/process_runner.h"

namespace {

using NuvixTest::RunCli;
using NuvixTest::TProcessResult;
using NuvixTest::TRunOptions;

std::string Describe(const TProcessResult& r) {
    return "exit " + std::to_string(r.exitCode) + "\nstdout:\n" + r.out + "stderr:\n" + r.err;
}

TProcessResult RunSimulator(const std::vector<std::string>& args) {
    TRunOptions options;
    options.program = VARNEX_INSTRUMENT_SIM_PATH;
    return RunCli(args, options);
}

TEST(RunnerOptions, VersionPrintsOneLineWithTheVersionNumber) {
    const TProcessResult r = RunCli({"--version"});
    EXPECT_EQ(r.exitCode, 0) << Describe(r);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(std::regex_match(r.out, std::regex("varnexcalc-cli\\b[^\n]* [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << r.out;
    // Like --help, it answers before anything is run.
    EXPECT_EQ(RunCli({"-e", "1/", "--version"}).out, r.out);
}

TEST(RunnerOptions, HelpNamesVersion) {
    const TProcessResult r = RunCli({"--help"});
    EXPECT_EQ(r.exitCode, 0) << Describe(r);
    EXPECT_NE(r.out.find("--version"), std::string::npos) << r.out;
}

TEST(SimulatorOptions, HelpGoesToStandardOutputWithStatusZero) {
    for (const char* option : {"--help", "-h"}) {
        SCOPED_TRACE(option);
        const TProcessResult r = RunSimulator({option});
        EXPECT_EQ(r.exitCode, 0) << Describe(r);
        EXPECT_EQ(r.out.rfind("usage: varnex-instrument-sim", 0), 0u) << Describe(r);
        EXPECT_NE(r.out.find("--help"), std::string::npos) << Describe(r);
        EXPECT_EQ(r.err, "");
    }
}

TEST(SimulatorOptions, HelpThatCannotBeWrittenFails) {
    TRunOptions options;
    options.program = VARNEX_INSTRUMENT_SIM_PATH;
    options.outputFile = "/dev/full";
    EXPECT_EQ(RunCli({"--help"}, options).exitCode, 1);
}

TEST(SimulatorOptions, UsageErrorsGoToStandardErrorWithStatusTwo) {
    const std::vector<std::vector<std::string>> wrong = {
        {}, {"--bogus"}, {"--link"}, {"a.instrument", "b.instrument"}, {"--bogus", "a.instrument"},
    };
    for (const auto& args : wrong) {
        const TProcessResult r = RunSimulator(args);
        EXPECT_EQ(r.exitCode, 2) << Describe(r);
        EXPECT_EQ(r.out, "") << Describe(r);
        EXPECT_EQ(r.err.rfind("usage: varnex-instrument-sim", 0), 0u) << Describe(r);
    }
}

} // namespace
