// The serial-port functions in scripts: argument checks and their messages, the edge cases
// of each function against a pseudo-terminal instrument, and ports closed after every run.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/result_text.h"
#include "instruments/calculator.h"
#include "instruments/comm_parser.h"
#include "instruments/serial_ports.h"
#include "tests/instruments/pty_pair.h"
#include "tests/instruments/recording_output.h"

namespace {

using namespace NuvixParser;
using namespace std::chrono_literals;
using NuvixTest::TOutputCall;
using NuvixTest::TOutputKind;
using NuvixTest::TPtyPair;
using NuvixTest::TScopedEnv;
using TClock = std::chrono::steady_clock;

// A parser with its own port table, COM1 on a pseudo-terminal and COM2 on no device.
struct TPortRun {
    TPtyPair instrument;
    TScopedEnv com1{"VARNEX_COM1", instrument.Path()};
    TScopedEnv com2{"VARNEX_COM2", "/dev/nonexistent-serial-port"};
    TGlobalVarList globals;
    TSerialPorts ports;
    TCommParser parser{globals, CalculatorRegistry(), &ports};
    NuvixTest::TRecordingOutput output;

    // The result text, "Error: ..." or "Syntax: ...".
    std::string Run(std::string_view script) {
        parser.SetText(script);
        if (!parser.Compile()) return "Syntax: " + parser.ErrorMessage();
        parser.Rebind();
        TRunContext context{&output, nullptr, nullptr, &ports};
        TCalcInfo ci;
        ci.context = &context;
        ci.Reset();
        const TReturnValue v = parser.Calculate(ci);
        return ci.error ? "Error: " + ci.errorMessage : v.ToString();
    }
    std::vector<std::string> Printed() const {
        std::vector<std::string> lines;
        for (const TOutputCall& c : output.calls) lines.push_back(c.text);
        return lines;
    }
};

constexpr const char* kOpen = "commopen(0;'baud=9600 parity=N stop=1 data=8';300), ";

struct TScriptCase {
    const char* script;
    const char* expected;
};

TEST(SerialFunctions, ChecksAndMessages) {
    const TScriptCase cases[] = {
        {"commopen(-1;'9600,n,8,1';100)", "Error: Illegal port number"},
        {"commopen(10;'9600,n,8,1';100)", "Error: Illegal port number"},
        {"commclose(10)", "Error: Illegal port number"},
        {"commclose(-0.5)", "0"}, // truncated toward zero: port 0, not open, no error
        {"commclose(3)", "0"},
        {"commwrite(10;'x')", "Error: OpenComm: Illegal port number"},
        {"commwrite(0;'x')", "Error: Port has not been opened"},
        {"commreadln(-1)", "Error: OpenComm: Illegal port number"},
        {"commreadln(9)", "Error: Port has not been opened"},
        {"commread(0;-1)", "Error: Port has not been opened"},
        {"commread(11;5)", "Error: OpenComm: Illegal port number"},
        {"commlineterm(0;'x')", "Error: Port has not been opened"},
        {"a[0]=1, commreadbin(256;a[];1)", "Error: CommReadBin: Illegal port number"},
        {"a[0]=1, commreadbin(-1;a[];1)", "Error: CommReadBin: Illegal port number"},
        {"a[0]=1, commreadbin(12;a[];1)", "Error: CommReadBin: Illegal port number"},
        {"a[0]=1, commreadbin(1;a[];1)", "Error: Port has not been opened"},
        {"a[0]=1, commwritebin(256;a[])", "Error: CommWriteBin: Illegal comm port number"},
        {"a[0]=1, commwritebin(10;a[])", "Error: CommWriteBin: Illegal comm port number"},
        {"a[0]=1, commwritebin(0;a[])", "Error: Port has not been opened"},
        {"commreadbin(0;a;1)", "Syntax: Illegal argument"},
        {"commwritebin(0;3)", "Syntax: Illegal argument"},
        // A name of a scalar written name[] has no elements to read into or send.
        {"s=1, commreadbin(0;s[];1)", "Error: CommReadBin: s is not an array"},
        {"s=1, commwritebin(0;s[])", "Error: CommWriteBin: s is not an array"},
        // Opened: the count is checked after the port.
        {"commopen(0;'9600,n,8,1';100), commread(0;-1)", "Error: CommRead: Illegal char count"},
        // A device that is missing or refuses the settings: 0, no error.
        {"commopen(1;'9600,n,8,1';100)", "0"},
        {"commopen(0;'baud=9600 parity=Q';100)", "0"},
        {"commopen(0;'9600,n,8,1';100)", "1"},
        // A failed reopen leaves the port closed.
        {"commopen(0;'9600,n,8,1';100), commopen(0;'nonsense';100), commwrite(0;'x')",
         "Error: Port has not been opened"},
        {"commopen(0;'9600,n,8,1';100), commclose(0), commreadln(0)", "Error: Port has not been opened"},
    };
    for (const TScriptCase& c : cases) {
        TPortRun r;
        EXPECT_EQ(r.Run(c.script), c.expected) << c.script;
        EXPECT_EQ(r.ports.OpenCount(), 0) << c.script;
    }
}

TEST(SerialFunctions, ResultsOfEachFunction) {
    TPortRun r;
    EXPECT_EQ(r.Run(std::string(kOpen) +
                    "println(commwrite(0;'*IDN?'+chr(10))), println(commlineterm(0;chr(10))), println(commclose(0))"),
              "1");
    EXPECT_EQ(r.Printed(), (std::vector<std::string>{"0", "1", "0"}));
    EXPECT_EQ(r.instrument.Receive(6), "*IDN?\n");
}

TEST(SerialFunctions, WritesTheTextReading) {
    TPortRun r;
    EXPECT_EQ(r.Run(std::string(kOpen) + "commwrite(0;'ab'), commwrite(0;12.5), commwrite(0;1/3)"), "0");
    EXPECT_EQ(r.instrument.Receive(30, 300ms), "ab12.50.333333333333333");
}

TEST(SerialFunctions, WriteBinSendsTheLowEightBits) {
    TPortRun r;
    EXPECT_EQ(r.Run(std::string(kOpen) + "a[0]=0, a[1]=255, a[2]=256, a[3]=-1, a[4]=65.9, a[5]=-0.5, commwritebin(0;a[])"),
              "0");
    EXPECT_EQ(r.instrument.Receive(10, 300ms), std::string("\x00\xFF\x00\xFF\x41\x00", 6));
}

TEST(SerialFunctions, ReadBinFillsTheArrayWithWhatArrived) {
    TPortRun r;
    std::thread instrument([&] {
        ASSERT_EQ(r.instrument.Receive(1), "?");
        r.instrument.Send(std::string("\x00\x01\xFE\xFFz", 5));
    });
    EXPECT_EQ(r.Run(std::string(kOpen) +
                    "a[9]=7, commwrite(0;'?'), println(commreadbin(0;a[];100)), println(length(a[])), "
                    "println(a[0]), println(a[2]), println(a[3]), a[4]"),
              "122");
    instrument.join();
    EXPECT_EQ(r.Printed(), (std::vector<std::string>{"1", "5", "0", "254", "255"}));
}

TEST(SerialFunctions, ReadBinOfNothingLeavesTheArray) {
    TPortRun r;
    std::thread instrument([&] {
        ASSERT_EQ(r.instrument.Receive(1), "?");
        r.instrument.Send("x");
    });
    // c = 0 (or less) reads nothing, not even the byte that is there; a read that times
    // out reads nothing either.
    EXPECT_EQ(r.Run(std::string(kOpen) +
                    "a[0]=5, a[1]=6, commwrite(0;'?'), sleep(100), println(commreadbin(0;a[];0)), "
                    "println(commreadbin(0;a[];-3)), println(commread(0;1)), println(commreadbin(0;a[];4)), "
                    "length(a[])*100 + a[1]"),
              "206");
    instrument.join();
    EXPECT_EQ(r.Printed(), (std::vector<std::string>{"0", "0", "x", "0"}));
}

TEST(SerialFunctions, CountedReadsEndAtAZeroByte) {
    TPortRun r;
    std::thread instrument([&] {
        ASSERT_EQ(r.instrument.Receive(1), "?");
        r.instrument.Send(std::string("12\x00" "34", 5));
    });
    EXPECT_EQ(r.Run(std::string(kOpen) + "commwrite(0;'?'), println(commread(0;0)), commread(0;5)"), "12");
    instrument.join();
    EXPECT_EQ(r.Printed(), (std::vector<std::string>{""}));
}

// No complete line: the number 0 after the time-out; the partial line is dropped by the
// next line read, which then returns the empty line before the late carriage return.
TEST(SerialFunctions, PartialLineGivesZeroAndIsDropped) {
    TPortRun r;
    std::thread instrument([&] {
        ASSERT_EQ(r.instrument.Receive(2), "go");
        r.instrument.Send("abc");
        std::this_thread::sleep_for(500ms);
        r.instrument.Send("\rnext\r");
    });
    const auto start = TClock::now();
    EXPECT_EQ(r.Run(std::string(kOpen) +
                    "commwrite(0;'go'), a=commreadln(0), println(a), println(commreadln(0)), commreadln(0)"),
              "next");
    instrument.join();
    EXPECT_EQ(r.Printed(), (std::vector<std::string>{"0", ""}));
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count(), 295);
}

TEST(SerialFunctions, CrLfTerminatorAndReopenRestoringCr) {
    TPortRun r;
    std::thread instrument([&] {
        ASSERT_EQ(r.instrument.Receive(1), "1");
        r.instrument.Send("v=1\r2\r\n");
        ASSERT_EQ(r.instrument.Receive(1), "2");
        r.instrument.Send("a\r\nb\r");
    });
    EXPECT_EQ(r.Run(std::string(kOpen) +
                    "commlineterm(0;chr(13)+chr(10)), commwrite(0;'1'), println(commreadln(0)), " + kOpen +
                    "commwrite(0;'2'), commreadln(0)"),
              "a");
    instrument.join();
    EXPECT_EQ(r.Printed(), (std::vector<std::string>{"v=1\r2"}));
}

TEST(SerialFunctions, PortsAreClosedAfterEveryRun) {
    TPortRun r;
    EXPECT_EQ(r.Run(std::string(kOpen) + "commwrite(0;'x')"), "0");
    EXPECT_EQ(r.ports.OpenCount(), 0);
    // After an error too: the device is free again.
    EXPECT_EQ(r.Run(std::string(kOpen) + "undefinedvariable"), "Error: Variable undefinedvariable has no value");
    EXPECT_EQ(r.ports.OpenCount(), 0);
    TCommHandler other(r.instrument.Path(), "9600,n,8,1", 100);
    EXPECT_TRUE(other.Open());
    other.Close();
    // A following run must open the port again.
    EXPECT_EQ(r.Run("commwrite(0;'x')"), "Error: Port has not been opened");
}

// The Global panel's parser is a clone: it closes the same table's ports.
TEST(SerialFunctions, AClonesRunClosesTheSharedPorts) {
    TPortRun r;
    const std::unique_ptr<TParserBase> clone = r.parser.Clone();
    auto& cloned = static_cast<TParser&>(*clone);
    r.ports.Slot(0).handler = std::make_unique<TCommHandler>(r.instrument.Path(), "9600,n,8,1", 100);
    ASSERT_TRUE(r.ports.Slot(0).handler->Open());
    cloned.SetText("1");
    ASSERT_TRUE(cloned.Compile());
    cloned.Rebind();
    TCalcInfo ci;
    cloned.Calculate(ci);
    EXPECT_EQ(r.ports.OpenCount(), 0);
}

TEST(SerialFunctions, AVanishedInstrumentIsAFailedWriteNotACrash) {
    TPortRun r;
    std::thread instrument([&] {
        ASSERT_EQ(r.instrument.Receive(1), "a");
        r.instrument.CloseInstrument();
    });
    EXPECT_EQ(r.Run(std::string(kOpen) + "commwrite(0;'a'), sleep(100), commwrite(0;'b'), commreadln(0)"), "0");
    instrument.join();
}

// A break during a read of 60 s ends the run within 100 ms, with "Breaked", and the port
// is closed for the next run.
TEST(SerialFunctions, ABreakEndsALongRead) {
    TPtyPair instrument;
    TScopedEnv com1("VARNEX_COM1", instrument.Path());
    TRunEndWaiter waiter;
    TCalculator calculator(&waiter);
    calculator.GlobalParser().SetText("");
    calculator.PanelParser().SetText("commopen(0;'9600,n,8,1';60000), commreadln(0)");
    ASSERT_TRUE(calculator.GlobalParser().Compile());
    ASSERT_TRUE(calculator.PanelParser().Compile());
    ASSERT_TRUE(calculator.Start());
    std::this_thread::sleep_for(200ms);
    const auto broke = TClock::now();
    calculator.Break();
    waiter.WaitForRunEnd();
    EXPECT_LE(std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - broke).count(), 100);
    EXPECT_EQ(ResultLineText(calculator.Result(), calculator.CalcInfo(), TRadix::Decimal), "Error: Breaked");
    TCommHandler again(instrument.Path(), "9600,n,8,1", 100);
    EXPECT_TRUE(again.Open());
}

} // namespace
