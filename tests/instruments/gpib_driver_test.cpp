// TGpibDriver and TGpibState against the driver double: the three status sources, the
// failure rule of the binding and its retry, opening devices, board changes and the end.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "instruments/gpib_driver.h"
#include "instruments/gpib_state.h"
#include "tests/instruments/gpib_doubles.h"

namespace {

using namespace NuvixParser;
using NuvixTest::TGpibDouble;
using Calls = std::vector<std::string>;
namespace fs = std::filesystem;

std::unique_ptr<TGpibDriver> DriverOf(const std::string& library) {
    return std::make_unique<TGpibDriver>(std::vector<std::string>{library});
}

TEST(GpibDriver, TakesTheStatusFromEachKindOfLibrary) {
    for (const char* library : {NuvixTest::kGpibDouble, NuvixTest::kGpibDoubleVariables,
                                NuvixTest::kGpibDoubleVendor}) {
        SCOPED_TRACE(library);
        TGpibDouble double_(library);
        double_.Script(0xC000, 0xC000, 6, 7);
        double_.Script(0x2100, 0x2100, 0, 5, "hello");
        TGpibDriver driver({library});
        EXPECT_EQ(driver.Ibwrt(16, "x", 1), 0xC000);
        EXPECT_EQ(driver.Ibsta(), 0xC000);
        EXPECT_EQ(driver.Iberr(), 6);
        EXPECT_EQ(driver.Ibcnt(), 7);
        char buffer[8] = {};
        EXPECT_EQ(driver.Ibrd(16, buffer, 8), 0x2100);
        EXPECT_EQ(std::string(buffer, 5), "hello");
        EXPECT_EQ(driver.Ibsta(), 0x2100);
        EXPECT_EQ(driver.Ibcntl(), 5);
        EXPECT_EQ(double_.Calls(), (Calls{"ibwrt(16,'x',1)", "ibrd(16,8)"}));
    }
}

TEST(GpibDriver, AMissingLibraryFailsEveryCallWithoutAScriptError) {
    TGpibDriver driver({"/nonexistent/libgpib-missing.so.0"});
    EXPECT_EQ(driver.Ibconfig(0, 7, 0), kGpibErr);
    EXPECT_EQ(driver.Ibsta(), kGpibErr);
    EXPECT_EQ(driver.Iberr(), 0);
    EXPECT_EQ(driver.Ibcnt(), ENOENT);
    EXPECT_EQ(driver.Ibdev(0, 5, 0, 12, 1, 0), -1);
    char buffer[4];
    EXPECT_EQ(driver.Ibrd(16, buffer, 4), kGpibErr);
    EXPECT_FALSE(driver.Loaded());
}

TEST(GpibDriver, ALibraryWithoutStatusIsNoDriverAndNothingOfItIsCalled) {
    TGpibDouble double_(NuvixTest::kGpibDoubleNoStatus);
    TGpibDriver driver({NuvixTest::kGpibDoubleNoStatus});
    EXPECT_EQ(driver.Ibdev(0, 5, 0, 12, 1, 0), -1);
    EXPECT_EQ(driver.Ibsta(), kGpibErr);
    EXPECT_EQ(driver.Iberr(), 0);
    EXPECT_NE(driver.Ibcnt(), 0);
    EXPECT_FALSE(driver.Loaded());
    EXPECT_EQ(double_.Calls(), Calls{});
}

TEST(GpibDriver, AMissingEntryPointFailsOnlyItsOwnCalls) {
    TGpibDouble double_(NuvixTest::kGpibDoubleNoIbrd);
    TGpibDriver driver({NuvixTest::kGpibDoubleNoIbrd});
    EXPECT_EQ(driver.Ibdev(0, 5, 0, 12, 1, 0), 16);
    char buffer[4];
    EXPECT_EQ(driver.Ibrd(16, buffer, 4), kGpibErr);
    EXPECT_EQ(driver.Ibsta(), kGpibErr);
    EXPECT_EQ(driver.Iberr(), 0);
    EXPECT_EQ(driver.Ibcnt(), ENOSYS);
    EXPECT_EQ(driver.Ibwrt(16, "ab", 2), kGpibCmpl);
    EXPECT_EQ(driver.Ibsta(), kGpibCmpl);
    EXPECT_EQ(double_.Calls(), (Calls{"ibdev(0,5,0,12,1,0)", "ibwrt(16,'ab',2)"}));
}

// As NI-488.2 defines ibtmo.
TEST(GpibDriver, WithoutIbtmoATimeOutIsConfigured) {
    TGpibDouble double_(NuvixTest::kGpibDoubleNoIbtmo);
    TGpibDriver driver({NuvixTest::kGpibDoubleNoIbtmo});
    EXPECT_EQ(driver.Ibtmo(16, 11), kGpibCmpl);
    EXPECT_EQ(double_.Calls(), Calls{"ibconfig(16,3,11)"});
}

TEST(GpibDriver, TheNextCallTriesAgainAfterAFailedLoad) {
    const fs::path link = fs::temp_directory_path() / ("varnex-gpib-later-" + std::to_string(getpid()) + ".so");
    fs::remove(link);
    TGpibDouble double_(NuvixTest::kGpibDouble);
    TGpibDriver driver({link.string()});
    EXPECT_EQ(driver.Ibconfig(0, 7, 0), kGpibErr);
    fs::create_symlink(NuvixTest::kGpibDouble, link);
    EXPECT_EQ(driver.Ibconfig(0, 7, 0), kGpibCmpl);
    EXPECT_EQ(driver.Ibsta(), kGpibCmpl);
    fs::remove(link);
    EXPECT_EQ(double_.Calls(), Calls{"ibconfig(0,7,0)"});
}

TEST(GpibState, OpensADeviceOnceAndRetriesAFailedOpen) {
    TGpibDouble double_(NuvixTest::kGpibDouble);
    TGpibState gpib(DriverOf(NuvixTest::kGpibDouble));
    double_.Script(0, kGpibCmpl); // the start's ibconfig
    double_.Script(-1, kGpibErr, 2);
    double_.Script(-7, kGpibErr, 2); // any negative descriptor is a failed open
    EXPECT_LT(gpib.Device(9), 0);
    EXPECT_LT(gpib.Device(9), 0);
    EXPECT_EQ(gpib.Device(9), 16);
    EXPECT_EQ(gpib.Device(9), 16);
    EXPECT_EQ(double_.Calls(), (Calls{"ibconfig(0,7,0)", "ibdev(0,9,0,12,1,0)", "ibdev(0,9,0,12,1,0)",
                                      "ibdev(0,9,0,12,1,0)"}));
}

TEST(GpibState, EndTakesEveryOpenDeviceOfflineOnce) {
    TGpibDouble double_(NuvixTest::kGpibDouble);
    {
        TGpibState gpib(DriverOf(NuvixTest::kGpibDouble));
        gpib.Device(0);
        gpib.Device(255);
        gpib.End();
        gpib.End();
        double_.Reset();
        // What End left is nothing: the destructor calls no driver either.
    }
    EXPECT_EQ(double_.Calls(), Calls{});
    {
        TGpibState gpib(DriverOf(NuvixTest::kGpibDouble));
        gpib.Device(4);
    }
    EXPECT_EQ(double_.Calls(), (Calls{"ibconfig(0,7,0)", "ibdev(0,4,0,12,1,0)", "ibonl(16,0)"}));
}

} // namespace
