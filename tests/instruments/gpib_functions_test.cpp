// The GPIB functions in scripts against the driver double: argument checks and their
// messages, the exact driver calls of each function, results on driver failures, the
// buffer limits of reads, board changes, and devices offline when a calculator ends.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/result_text.h"
#include "instruments/calculator.h"
#include "instruments/comm_parser.h"
#include "instruments/gpib_state.h"
#include "instruments/run_context.h"
#include "tests/instruments/gpib_doubles.h"
#include "tests/instruments/pty_pair.h"

namespace {

using namespace NuvixParser;
using NuvixTest::TGpibDouble;
using Calls = std::vector<std::string>;

constexpr int kEndCmpl = kGpibEnd | kGpibCmpl;

// A parser whose runs reach GPIB devices over one variant of the double.
struct TGpibRun {
    // The double `library` is loaded and watched; the driver loads `driverLibrary` (the
    // double itself unless named).
    explicit TGpibRun(const char* library = NuvixTest::kGpibDouble, const char* driverLibrary = nullptr)
        : driver(library),
          gpib(std::make_unique<TGpibDriver>(std::vector<std::string>{driverLibrary ? driverLibrary : library})) {}

    TGpibDouble driver;
    TGpibState gpib;
    TGlobalVarList globals;
    TCommParser parser{globals, CalculatorRegistry()};

    // The result text, "Error: ..." or "Syntax: ...".
    std::string Run(std::string_view script) {
        parser.SetText(script);
        if (!parser.Compile()) return "Syntax: " + parser.ErrorMessage();
        parser.Rebind();
        TRunContext context;
        context.gpib = &gpib;
        TCalcInfo ci;
        ci.context = &context;
        ci.Reset();
        const TReturnValue v = parser.Calculate(ci);
        return ci.error ? "Error: " + ci.errorMessage : v.ToString();
    }
    // The calls after the start (the first call of all switches autopolling off on board 0).
    Calls DeviceCalls() const {
        Calls calls = driver.Calls();
        if (!calls.empty() && calls.front() == "ibconfig(0,7,0)") calls.erase(calls.begin());
        return calls;
    }
};

struct TScriptCase {
    const char* script;
    const char* expected;
};

TEST(GpibFunctions, RangeChecksComeBeforeTruncationAndCallNoDriver) {
    const TScriptCase cases[] = {
        {"gpibprintln(256;'x')", "Error: GPIBPrintLn: Illegal GPIB id"},
        {"gpibprintln(-0.5;'x')", "Error: GPIBPrintLn: Illegal GPIB id"},
        {"gpibprint(255.5;'x';1)", "Error: GPIBPrint: Illegal GPIB id"},
        {"gpibreadln(-1)", "Error: GPIBReadLn: Illegal GPIB id"},
        {"gpibreadln(0/0)", "Error: GPIBReadLn: Illegal GPIB id"},
        {"gpibread(300;5)", "Error: GPIBRead: Illegal GPIB id"},
        {"gpibread(3;65535.5)", "Error: GPIBRead: Illegal byte count"},
        {"gpibread(3;-1)", "Error: GPIBRead: Illegal byte count"},
        {"a[0]=1, gpibwritebin(256;a[])", "Error: GPIBWriteBin: Illegal GPIB id"},
        {"a[0]=1, gpibreadbin(256;a[];1)", "Error: GPIBWriteBin: Illegal GPIB id"},
        {"gpibtimeout(256;5)", "Error: GPIBTimeout: Illegal GPIB id"},
        {"gpibtimeout(3;0)", "Error: GPIBTimeout: Illegal timeout value"},
        {"gpibtimeout(3;0.5)", "Error: GPIBTimeout: Illegal timeout value"},
        {"gpibtimeout(3;17.5)", "Error: GPIBTimeout: Illegal timeout value"},
        {"gpibboard(21)", "Error: GPIBBoard: Illegal GPIB board number"},
        {"gpibboard(-0.1)", "Error: GPIBBoard: Illegal GPIB board number"},
        {"gpibwritebin(5;x)", "Syntax: Illegal argument"},
        {"gpibreadbin(5;2;1)", "Syntax: Illegal argument"},
        {"s=1, gpibwritebin(5;s[])", "Error: GPIBWriteBin: s is not an array"},
        {"s=1, gpibreadbin(5;s[];1)", "Error: GPIBReadBin: s is not an array"},
    };
    for (const TScriptCase& c : cases) {
        TGpibRun r;
        EXPECT_EQ(r.Run(c.script), c.expected) << c.script;
        EXPECT_EQ(r.DeviceCalls(), Calls{}) << c.script;
    }
}

TEST(GpibFunctions, PassTheDriverExactlyWhatTheyDescribe) {
    const struct {
        const char* script;
        const char* result;
        Calls calls;
    } cases[] = {
        {"gpibprintln(5;'READ?')", "-1", {"ibdev(0,5,0,12,1,0)", "ibwrt(16,'READ?',5)"}},
        // c is evaluated, but all five characters go.
        {"gpibprint(3;'READ?';2)", "-1", {"ibdev(0,3,0,12,1,0)", "ibwrt(16,'READ?',5)"}},
        {"gpibprintln(7.9;'a'+chr(9)+'b')", "-1", {"ibdev(0,7,0,12,1,0)", "ibwrt(16,'a\\x09b',3)"}},
        {"gpibread(3;0)", "", {"ibdev(0,3,0,12,1,0)", "ibrd(16,0)"}},
        {"gpibread(3;65535)", "", {"ibdev(0,3,0,12,1,0)", "ibrd(16,65535)"}},
        {"gpibreadln(255)", "", {"ibdev(0,255,0,12,1,0)", "ibrd(16,1024)"}},
        {"gpibtimeout(3;16.9)", "-1", {"ibdev(0,3,0,12,1,0)", "ibtmo(16,16)"}},
        {"gpibtimeout(3;1)", "-1", {"ibdev(0,3,0,12,1,0)", "ibtmo(16,1)"}},
        {"a[0]=0, a[1]=32, a[2]=256, a[3]=-1, a[4]=65.9, gpibwritebin(5;a[])",
         "-1",
         {"ibdev(0,5,0,12,1,0)", "ibwrt(16,'\\x00 \\x00\\xFFA',5)"}},
        {"a[0]=1, gpibreadbin(5;a[];-3)", "-1", {"ibdev(0,5,0,12,1,0)", "ibrd(16,0)"}},
        {"gpibprintln(2;'x'), gpibprintln(2;'y'), gpibprintln(4;'z')",
         "-1",
         {"ibdev(0,2,0,12,1,0)", "ibwrt(16,'x',1)", "ibwrt(16,'y',1)", "ibdev(0,4,0,12,1,0)", "ibwrt(17,'z',1)"}},
    };
    for (const auto& c : cases) {
        TGpibRun r;
        EXPECT_EQ(r.Run(c.script), c.result) << c.script;
        EXPECT_EQ(r.driver.Calls().front(), "ibconfig(0,7,0)") << c.script;
        EXPECT_EQ(r.DeviceCalls(), c.calls) << c.script;
    }
}

TEST(GpibFunctions, WithoutADriverTheyFailQuietly) {
    // Watching the double that is not the driver: nothing may reach it.
    TGpibRun r(NuvixTest::kGpibDouble, "/nonexistent/libgpib.so.0");
    const TScriptCase cases[] = {
        {"gpibprintln(5;'x')", "0"},
        {"gpibsta()", "32768"},
        {"gpiberr()", "0"},
        {"gpibprint(5;'x';1)", "0"},
        {"gpibreadln(5)", ""},
        {"gpibread(5;3)", ""},
        {"gpibtimeout(5;3)", "0"},
        {"gpibboard(2)", "0"},
        {"a[0]=7, gpibwritebin(5;a[])", "0"},
        {"a[0]=7, gpibreadbin(5;a[];3), a[0]", "7"},
    };
    for (const TScriptCase& c : cases) EXPECT_EQ(r.Run(c.script), c.expected) << c.script;
    EXPECT_EQ(r.driver.Calls(), Calls{});
}

TEST(GpibFunctions, ReadsTakeTheReportedCountOnlyUpToTheirBuffer) {
    const std::string reply(2000, 'r');
    const std::string binary("\x00\x01\xFF\x80", 4);
    const struct {
        const char* script;
        int status;
        long reported; // what the driver says it read
        std::string bytes;
        const char* result;
    } cases[] = {
        // 2,000 bytes before EOI: gpibreadln gets the first 1,024 whatever count is reported.
        {"length(gpibreadln(3))", kGpibCmpl, 1024, reply, "1024"},
        {"length(gpibreadln(3))", kEndCmpl, 2000, reply, "1024"},
        {"length(gpibreadln(3))", kEndCmpl, 1L << 40, reply, "1024"},
        {"length(gpibreadln(3))", kEndCmpl, -5, reply, "0"},
        {"gpibreadln(3)", kEndCmpl, 5, "12.5\n", "12.5\n"},
        {"length(gpibreadln(3))", kEndCmpl, 4, binary, "4"},
        {"gpibread(3;4)", kEndCmpl, 9, "abcdefghi", "abcd"},
        {"gpibread(3;0)", kEndCmpl, 3, "abc", ""},
        {"gpibreadln(3)", kGpibErr | kGpibTimo, 3, "abc", ""},
        {"gpibreadln(3)", kGpibTimo, 3, "abc", ""},
        {"gpibread(3;3)", kGpibErr, 3, "abc", ""},
        {"gpibread(3;3)", kGpibTimo | kGpibCmpl, 3, "abc", ""},
        // gpibreadbin fails on ERR only; the array then holds exactly the bytes read:
        // -1 + 10*4 + 100*255 + 100000*128.
        {"a[9]=1, gpibreadbin(3;a[];4) + 10*length(a[]) + 100*a[2] + 1e5*a[3]", kEndCmpl, 4, binary,
         "12825539"},
        {"a[9]=1, gpibreadbin(3;a[];2), length(a[])", kEndCmpl, 999, binary, "2"},
        {"a[9]=1, gpibreadbin(3;a[];4), length(a[])", kGpibTimo, 2, binary, "2"},
        {"a[9]=1, gpibreadbin(3;a[];4) + length(a[])", kGpibErr | kGpibTimo, 2, binary, "10"},
    };
    for (const auto& c : cases) {
        TGpibRun r;
        r.driver.Script(0, kGpibCmpl);                                 // the start
        r.driver.Script(16, kGpibCmpl);                                // ibdev
        r.driver.Script(c.status, c.status, 0, c.reported, c.bytes); // ibrd
        EXPECT_EQ(r.Run(c.script), c.result) << c.script << " status " << c.status << " count " << c.reported;
    }
}

TEST(GpibFunctions, WritesSucceedUnlessTheStatusHasErr) {
    const struct {
        const char* script;
        int status;
        const char* result;
    } cases[] = {
        {"gpibprintln(1;'x')", kGpibCmpl, "-1"},
        {"gpibprintln(1;'x')", kGpibErr, "0"},
        {"gpibprint(1;'x';1)", kGpibErr | kGpibTimo, "0"},
        {"gpibprint(1;'x';1)", kGpibTimo, "-1"},
        {"a[0]=1, gpibwritebin(1;a[])", kGpibErr, "0"},
        // gpibtimeout does not look at the status: gpibsta tells it.
        {"gpibtimeout(1;3)", kGpibErr, "-1"},
    };
    for (const auto& c : cases) {
        TGpibRun r;
        r.driver.Script(0, kGpibCmpl);
        r.driver.Script(16, kGpibCmpl);
        r.driver.Script(c.status, c.status, 2, 0);
        EXPECT_EQ(r.Run(c.script), c.result) << c.script;
        EXPECT_EQ(r.Run("gpibsta()"), std::to_string(c.status)) << c.script;
        EXPECT_EQ(r.Run("gpiberr()"), "2") << c.script;
    }
}

TEST(GpibFunctions, ADeviceThatCannotBeOpenedIsAbsentAndTriedAgain) {
    TGpibRun r;
    r.driver.Script(0, kGpibCmpl);
    r.driver.Script(-1, kGpibErr, 7);
    EXPECT_EQ(r.Run("gpibprintln(5;'x')"), "0");
    EXPECT_EQ(r.Run("gpiberr()"), "7");
    EXPECT_EQ(r.Run("gpibprintln(5;'x')"), "-1");
    EXPECT_EQ(r.DeviceCalls(), (Calls{"ibdev(0,5,0,12,1,0)", "ibdev(0,5,0,12,1,0)", "ibwrt(16,'x',1)"}));
}

TEST(GpibFunctions, DevicesStayOpenAcrossCalculations) {
    TGpibRun r;
    EXPECT_EQ(r.Run("gpibprintln(5;'a')"), "-1");
    EXPECT_EQ(r.Run("gpibprintln(5;'b')"), "-1");
    EXPECT_EQ(r.DeviceCalls(), (Calls{"ibdev(0,5,0,12,1,0)", "ibwrt(16,'a',1)", "ibwrt(16,'b',1)"}));
}

TEST(GpibFunctions, ABoardChangeTakesTheDevicesOfflineOnce) {
    TGpibRun r;
    EXPECT_EQ(r.Run("gpibprintln(3;'x'), gpibprintln(5;'y'), gpibboard(0)"), "-1");
    EXPECT_EQ(r.Run("gpibboard(1)"), "-1");
    EXPECT_EQ(r.Run("gpibboard(1)"), "-1");
    EXPECT_EQ(r.Run("gpibprintln(3;'z')"), "-1");
    EXPECT_EQ(r.DeviceCalls(),
              (Calls{"ibdev(0,3,0,12,1,0)", "ibwrt(16,'x',1)", "ibdev(0,5,0,12,1,0)", "ibwrt(17,'y',1)", "ibonl(16,0)",
                     "ibonl(17,0)", "ibconfig(1,7,0)", "ibdev(1,3,0,12,1,0)", "ibwrt(18,'z',1)"}));
    EXPECT_EQ(r.gpib.Board(), 1);
}

TEST(GpibFunctions, ABoardIsComparedBeforeTruncation) {
    TGpibRun r;
    r.driver.Script(0, kGpibCmpl);
    r.driver.Script(kGpibErr, kGpibErr, 7); // board 0.5 is board 0, which the driver refuses now
    EXPECT_EQ(r.Run("gpibboard(0.5)"), "0");
    EXPECT_EQ(r.DeviceCalls(), Calls{"ibconfig(0,7,0)"});
    // An unchanged board calls nothing: the last status decides.
    EXPECT_EQ(r.Run("gpibboard(0)"), "0");
    EXPECT_EQ(r.DeviceCalls(), Calls{"ibconfig(0,7,0)"});
}

TEST(GpibFunctions, AMissingEntryPointFailsOnlyWhatNeedsIt) {
    TGpibRun r(NuvixTest::kGpibDoubleNoIbrd);
    EXPECT_EQ(r.Run("gpibreadln(3)"), "");
    EXPECT_EQ(r.Run("gpibsta()"), "32768");
    EXPECT_EQ(r.Run("gpiberr()"), "0");
    EXPECT_EQ(r.Run("gpibprintln(3;'x')"), "-1");
    EXPECT_EQ(r.DeviceCalls(), (Calls{"ibdev(0,3,0,12,1,0)", "ibwrt(16,'x',1)"}));

    TGpibRun withoutIbtmo(NuvixTest::kGpibDoubleNoIbtmo);
    EXPECT_EQ(withoutIbtmo.Run("gpibtimeout(3;11)"), "-1");
    EXPECT_EQ(withoutIbtmo.DeviceCalls(), (Calls{"ibdev(0,3,0,12,1,0)", "ibconfig(16,3,11)"}));
}

TEST(GpibFunctions, ALibraryWithoutStatusCountsAsNoDriver) {
    TGpibRun r(NuvixTest::kGpibDoubleNoStatus);
    EXPECT_EQ(r.Run("gpibprintln(5;'x')"), "0");
    EXPECT_EQ(r.Run("gpibsta()"), "32768");
    EXPECT_EQ(r.driver.Calls(), Calls{});
}

// The calculator calls its driver on the calculation thread only, and takes the devices
// offline there when it ends.
TEST(GpibFunctions, ACalculatorTakesItsDevicesOfflineOnItsOwnThread) {
    TGpibDouble watched(NuvixTest::kGpibDouble);
    const NuvixTest::TScopedEnv library("VARNEX_GPIB_LIBRARY", NuvixTest::kGpibDouble);
    {
        TRunEndWaiter waiter;
        TCalculator calculator(&waiter);
        calculator.GlobalParser().SetText("");
        calculator.PanelParser().SetText("gpibprintln(4;'x'), gpibreadln(4)");
        ASSERT_TRUE(calculator.GlobalParser().Compile());
        ASSERT_TRUE(calculator.PanelParser().Compile());
        ASSERT_TRUE(calculator.Start());
        waiter.WaitForRunEnd();
        EXPECT_EQ(ResultLineText(calculator.Result(), calculator.CalcInfo(), TRadix::Decimal), "");
    }
    const Calls calls = watched.Calls();
    EXPECT_EQ(calls, (Calls{"ibconfig(0,7,0)", "ibdev(0,4,0,12,1,0)", "ibwrt(16,'x',1)", "ibrd(16,1024)",
                            "ibonl(16,0)"}));
    const std::size_t testThread = std::hash<std::thread::id>{}(std::this_thread::get_id());
    for (int i = 0; i < static_cast<int>(calls.size()); ++i) {
        EXPECT_EQ(watched.CallThread(i), watched.CallThread(0)) << calls[static_cast<std::size_t>(i)];
        EXPECT_NE(watched.CallThread(i), testThread) << calls[static_cast<std::size_t>(i)];
    }
}

} // namespace
