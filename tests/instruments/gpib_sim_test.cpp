// The simulated GPIB bus: messages ended by EOI, answers read whole or in pieces with END
// at their last byte, time-outs and delays, absent listeners and boards; and the
// configuration that places instruments at addresses.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "instruments/gpib_driver_api.h"
#include "instruments/sim/gpib_sim_bus.h"
#include "instruments/sim/gpib_sim_config.h"
#include "instruments/sim/instrument_file.h"

namespace {

using namespace NuvixParser;
using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kT10ms = 7;
constexpr int kT100ms = 9;

std::string ReadExample(const char* name) {
    std::ifstream in(std::string(VARNEX_INSTRUMENT_EXAMPLES) + "/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A bus with `instrument` (the example multimeter unless given) at address 5.
struct TBus {
    TGpibSimBus bus;
    explicit TBus(const std::string& instrument = ReadExample("multimeter.instrument")) {
        TInstrumentFile file;
        std::string error;
        EXPECT_TRUE(ReadInstrumentFile(instrument, file, error)) << error;
        EXPECT_TRUE(bus.Attach(5, std::move(file), error)) << error;
    }
    int Open(int address, int timeoutCode = 12) { return bus.Dev(0, address, 0, timeoutCode, 1, 0); }
    int Write(int ud, std::string_view text) { return bus.Write(ud, text.data(), static_cast<long>(text.size())); }
    // The bytes one read delivers.
    std::string Read(int ud, long count) {
        std::string buffer(static_cast<std::size_t>(count), '\0');
        bus.Read(ud, buffer.data(), count);
        return buffer.substr(0, static_cast<std::size_t>(bus.Status().count));
    }
};

TEST(GpibSimBus, AMessageEndedByEoiIsOneCommand) {
    TBus b;
    const int ud = b.Open(5);
    ASSERT_GE(ud, 0);
    for (const char* command : {"*IDN?", "*IDN?\n", "*idn?"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(b.Write(ud, command), kGpibCmpl);
        EXPECT_EQ(b.bus.Status().count, static_cast<long>(std::string_view(command).size()));
        EXPECT_EQ(b.Read(ud, 1024), "VARNEX,DMM-4050,SIM0001,1.0\r\n");
        EXPECT_EQ(b.bus.Status().sta, kGpibCmpl | kGpibEnd);
    }
    // Two commands in one message: two answers, in order.
    b.Write(ud, "CONF:VOLT:DC 2\nCONF?\nREAD:COUNT?");
    EXPECT_EQ(b.Read(ud, 1024), "VOLT:DC 2\r\n");
    EXPECT_EQ(b.Read(ud, 1024), "0\r\n");
}

TEST(GpibSimBus, AnAnswerReadInPiecesEndsWithEnd) {
    TBus b;
    const int ud = b.Open(5);
    b.Write(ud, "*IDN?");
    EXPECT_EQ(b.Read(ud, 7), "VARNEX,");
    EXPECT_EQ(b.bus.Status().sta, kGpibCmpl);
    EXPECT_EQ(b.Read(ud, 0), "");
    EXPECT_EQ(b.Read(ud, 100), "DMM-4050,SIM0001,1.0\r\n");
    EXPECT_EQ(b.bus.Status().sta, kGpibCmpl | kGpibEnd);
}

TEST(GpibSimBus, AReadWithNothingComingTimesOutAfterTheDevicesTimeout) {
    TBus b("delay: 40\nSLOW? => 'late'\n");
    const int ud = b.Open(5, kT10ms);
    auto start = TClock::now();
    EXPECT_EQ(b.Read(ud, 10), "");
    EXPECT_EQ(b.bus.Status().sta, kGpibErr | kGpibTimo);
    EXPECT_EQ(b.bus.Status().err, kGpibEabo);
    EXPECT_GE(TClock::now() - start, 10ms);
    // An answer delayed beyond the time-out is not there in time; with a longer time-out it is.
    b.Write(ud, "SLOW?");
    EXPECT_EQ(b.Read(ud, 10), "");
    EXPECT_EQ(b.bus.Status().sta, kGpibErr | kGpibTimo);
    EXPECT_EQ(b.bus.Timeout(ud, kT100ms), kGpibCmpl);
    start = TClock::now();
    EXPECT_EQ(b.Read(ud, 10), "late\r\n");
    EXPECT_LT(TClock::now() - start, 100ms);
}

TEST(GpibSimBus, AddressesWithoutInstrumentsAndOtherBoardsFail) {
    TBus b;
    const int nobody = b.Open(9);
    ASSERT_GE(nobody, 0); // opening does not ask the bus
    EXPECT_EQ(b.Write(nobody, "*IDN?"), kGpibErr);
    EXPECT_EQ(b.bus.Status().err, kGpibEnol);
    EXPECT_EQ(b.Read(nobody, 10), "");
    EXPECT_EQ(b.bus.Status().err, kGpibEnol);
    EXPECT_EQ(b.bus.Dev(1, 5, 0, 12, 1, 0), -1);
    EXPECT_EQ(b.bus.Status().err, kGpibEneb);
    EXPECT_EQ(b.bus.Dev(0, 31, 0, 12, 1, 0), -1);
    EXPECT_EQ(b.bus.Status().err, kGpibEarg);
    EXPECT_EQ(b.bus.Config(0, kGpibAutoPollOption, 0), kGpibCmpl);
    EXPECT_EQ(b.bus.Config(1, kGpibAutoPollOption, 0), kGpibErr);
    EXPECT_EQ(b.bus.Status().err, kGpibEneb);
    // A descriptor taken offline is gone.
    const int ud = b.Open(5);
    EXPECT_EQ(b.bus.Online(ud, 0), kGpibCmpl);
    EXPECT_EQ(b.Write(ud, "*IDN?"), kGpibErr);
    EXPECT_EQ(b.bus.Status().err, kGpibEdvr);
    EXPECT_EQ(b.Write(12345, "*IDN?"), kGpibErr);
}

TEST(GpibSimConfig, ReadsAddressesAndFiles) {
    std::vector<TGpibSimEntry> entries;
    std::string error;
    ASSERT_TRUE(ParseGpibSimList("5:dmm.instrument, 30 : /opt/x y.instrument", entries, error)) << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].address, 5);
    EXPECT_EQ(entries[0].file, "dmm.instrument");
    EXPECT_EQ(entries[1].address, 30);
    EXPECT_EQ(entries[1].file, "/opt/x y.instrument");

    ASSERT_TRUE(ParseGpibSimConfig("# bench\n\n 7: stepper.instrument\n8:/abs.instrument\n", "/etc/sim", entries,
                                   error))
        << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].file, "/etc/sim/stepper.instrument");
    EXPECT_EQ(entries[1].file, "/abs.instrument");

    for (const char* wrong : {"", "5", "5:", ":x", "31:x", "-1:x", "5x:y", "5:a,5:b", "5:a,"}) {
        EXPECT_FALSE(ParseGpibSimList(wrong, entries, error)) << wrong;
        EXPECT_FALSE(error.empty()) << wrong;
    }
    EXPECT_FALSE(ParseGpibSimConfig("5: a\n# x\nfive: b\n", "", entries, error));
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
}

TEST(GpibSimConfig, LinesEndInLfCrLfOrCr) {
    for (const char* text : {"# bench\n\n7: a.instrument\n8: b.instrument\n", "# bench\r\n\r\n7: a.instrument\r\n8: b.instrument",
                             "# bench\r\r7: a.instrument\r8: b.instrument\r", "# bench\r\n\r7: a.instrument\n8: b.instrument\r\n"}) {
        std::vector<TGpibSimEntry> entries;
        std::string error;
        ASSERT_TRUE(ParseGpibSimConfig(text, "/etc/sim", entries, error)) << error;
        ASSERT_EQ(entries.size(), 2u) << text;
        EXPECT_EQ(entries[0].address, 7);
        EXPECT_EQ(entries[0].file, "/etc/sim/a.instrument");
        EXPECT_EQ(entries[1].address, 8);
        EXPECT_EQ(entries[1].file, "/etc/sim/b.instrument");
    }
    std::vector<TGpibSimEntry> entries;
    std::string error;
    EXPECT_FALSE(ParseGpibSimConfig("5: a\r# x\r\nfive: b\r", "", entries, error));
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
}

} // namespace
