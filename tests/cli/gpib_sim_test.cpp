// varnexcalc-cli against the simulated GPIB bus: a script talks to the example multimeter
// through libvarnex-gpib-sim.so as it would to a real one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/cli/process_runner.h"

namespace {

using NuvixTest::RunCli;
using NuvixTest::TProcessResult;

// Sets the variables for the runner the test starts, and takes them away again.
class TSimEnvironment {
public:
    explicit TSimEnvironment(const std::string& devices) {
        ::setenv("VARNEX_GPIB_LIBRARY", VARNEX_GPIB_SIM_LIBRARY, 1);
        ::setenv("VARNEX_GPIB_SIM", devices.c_str(), 1);
    }
    ~TSimEnvironment() {
        ::unsetenv("VARNEX_GPIB_LIBRARY");
        ::unsetenv("VARNEX_GPIB_SIM");
    }
};

const std::string kMultimeter = std::string(VARNEX_INSTRUMENT_EXAMPLES) + "/multimeter.instrument";

std::string Describe(const TProcessResult& r) {
    return "exit " + std::to_string(r.exitCode) + "\nstdout:\n" + r.out + "stderr:\n" + r.err;
}

TEST(GpibSimulatedBus, AScriptQueriesTheMultimeterAndReadsAHundredMeasurements) {
    const TSimEnvironment sim("22:" + kMultimeter);
    const TProcessResult r = RunCli({"-e", R"(
        gpibprintln(22;'*IDN?'), idn = gpibreadln(22),
        println(substr(idn;0;length(idn)-2)),
        good = 0, sum = 0,
        for(i = 0; i < 100; i += 1;
            gpibprintln(22;'MEAS:VOLT?'), v = number(gpibreadln(22)),
            good += if(abs(v - 1.2) < 1e-4; 1; 0), sum += v),
        println(good), println(str(sum / 100; 1; 2)),
        gpibprintln(22;'READ:COUNT?'), number(gpibreadln(22)))"});
    EXPECT_EQ(r.exitCode, 0) << Describe(r);
    EXPECT_EQ(r.out, "VARNEX,DMM-4050,SIM0001,1.0\n100\n1.2\n100\n") << Describe(r);
    EXPECT_EQ(r.err, "");
}

TEST(GpibSimulatedBus, NoListenerAndTimeOutsAreResultsNotErrors) {
    const TSimEnvironment sim("22:" + kMultimeter);
    const TProcessResult r = RunCli({"-e", R"(
        println(gpibprintln(3;'*IDN?')), println(gpibsta()), println(gpiberr()),
        gpibtimeout(22;7), println(length(gpibreadln(22))), println(gpibsta()), gpiberr())"});
    EXPECT_EQ(r.exitCode, 0) << Describe(r);
    // ERR and ENOL; then ERR and TIMO with EABO.
    EXPECT_EQ(r.out, "0\n32768\n2\n0\n49152\n6\n") << Describe(r);
}

TEST(GpibSimulatedBus, ABadConfigurationIsReportedAndLeavesNoBoard) {
    const TSimEnvironment sim("22:/nonexistent/dmm.instrument");
    const TProcessResult r = RunCli({"-e", "gpibprintln(22;'*IDN?'), gpibsta()"});
    EXPECT_EQ(r.exitCode, 0) << Describe(r);
    EXPECT_EQ(r.out, "32768\n") << Describe(r);
    EXPECT_NE(r.err.find("varnex-gpib-sim: cannot read /nonexistent/dmm.instrument"), std::string::npos)
        << Describe(r);
}

} // namespace
