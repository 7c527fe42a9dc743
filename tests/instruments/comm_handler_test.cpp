// TCommHandler over pseudo-terminals: exclusive opens, read time-outs measured with a
// tolerance, line terminators, counted reads, whole writes, a vanished device, breaks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/calc_info.h"
#include "instruments/comm_handler.h"
#include "tests/instruments/pty_pair.h"

namespace {

using namespace NuvixParser;
using namespace std::chrono_literals;
using NuvixTest::TPtyPair;
using TClock = std::chrono::steady_clock;

long long MsSince(TClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

TEST(CommHandlerOpen, IsExclusiveAndNeedsATerminalAndValidSettings) {
    TPtyPair pty;
    TCommHandler first(pty.Path(), "baud=9600 parity=N data=8 stop=1", 100);
    ASSERT_TRUE(first.Open());
    EXPECT_TRUE(first.Open()); // already open
    // A second calculator (or port slot) cannot share the device, even as root.
    TCommHandler second(pty.Path(), "9600,n,8,1", 100);
    EXPECT_FALSE(second.Open());
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Open());

    TPtyPair other;
    EXPECT_FALSE(TCommHandler(other.Path(), "baud=9600 parity=x", 100).Open());
    EXPECT_FALSE(TCommHandler(other.Path(), "", 100).Open());
    EXPECT_FALSE(TCommHandler("/dev/nonexistent-serial-port", "9600,n,8,1", 100).Open());
    EXPECT_FALSE(TCommHandler("/dev/null", "9600,n,8,1", 100).Open()); // no terminal
    EXPECT_TRUE(TCommHandler(other.Path(), "250000,n,8,1", 100).Open()); // termios2 rate
}

TEST(CommHandlerOpen, DiscardsWhatArrivedBeforeTheOpen) {
    TPtyPair pty;
    TCalcInfo ci;
    {
        TCommHandler h(pty.Path(), "9600,n,8,1", 100);
        ASSERT_TRUE(h.Open());
        h.Close();
        pty.Send("stale\r"); // arrives while the port is closed
    }
    TCommHandler h(pty.Path(), "9600,n,8,1", 100);
    ASSERT_TRUE(h.Open());
    pty.Send("fresh\r");
    std::string line;
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
    EXPECT_EQ(line, "fresh");
}

TEST(CommHandlerRead, LinesEndAtTheTerminator) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 300);
    ASSERT_TRUE(h.Open());
    std::string line;
    pty.Send("first\rsecond\r\nthird");
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
    EXPECT_EQ(line, "first");
    // CR LF: the LF after a CR belongs to the next line until the terminator says so.
    h.SetTerminator("\r\n");
    pty.Send("\r\n");
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
    EXPECT_EQ(line, "second");
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
    EXPECT_EQ(line, "third");
    pty.Send("a\rb\r\n");
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
    EXPECT_EQ(line, "a\rb");
    // Binary bytes pass untouched (raw mode: no CR/LF translation, no XON/XOFF).
    h.SetTerminator("\x03");
    pty.Send(std::string("\x11\x13\n\0z\x03", 6));
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
    EXPECT_EQ(line, std::string("\x11\x13\n\0z", 5));
    // An empty terminator completes no line.
    h.SetTerminator("");
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Failed);
}

TEST(CommHandlerRead, APartialLineIsDroppedByTheNextLineRead) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 150);
    ASSERT_TRUE(h.Open());
    std::string line;
    pty.Send("abc");
    const auto start = TClock::now();
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::TimedOut);
    EXPECT_GE(MsSince(start), 140);
    EXPECT_EQ(line, "abc");
    pty.Send("\r");
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
    EXPECT_EQ(line, "");
}

// A line read waits the whole time-out for every byte: a slow sender with pauses below
// the time-out still delivers its line.
TEST(CommHandlerRead, ALineReadWaitsTheTimeOutForEachByte) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 200);
    ASSERT_TRUE(h.Open());
    std::thread sender([&] {
        for (char c : std::string("slow\r")) {
            std::this_thread::sleep_for(80ms);
            pty.Send(std::string(1, c));
        }
    });
    std::string line;
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
    EXPECT_EQ(line, "slow");
    sender.join();
}

struct TTimedRead {
    const char* name;
    int timeoutMs;
    std::size_t count;
    long long minMs, maxMs; // how long the read may take
    std::string expected;
};

// The instrument sends "ab" at once, then "cd" 250 ms later, then nothing.
TEST(CommHandlerRead, CountedReadsEndByCountIntervalOrTotalTime) {
    const TTimedRead cases[] = {
        // Count reached: returns as soon as the bytes are there.
        {"count", 1000, 2, 0, 100, "ab"},
        // More than 1000/10 ms between two bytes: ends ~100 ms after "ab".
        {"interval", 1000, 10, 90, 240, "ab"},
        // A shorter time-out has a shorter interval limit: 40 ms.
        {"interval short", 400, 10, 30, 200, "ab"},
        // Below 10 ms no interval limit: the total of 9 ms alone ends the read.
        {"total tiny", 9, 10, 5, 100, "ab"},
        // An interval limit (300 ms) wider than the gap: "cd" still comes, and the read
        // ends 300 ms after it.
        {"gap within the interval", 3000, 10, 500, 800, "abcd"},
    };
    for (const TTimedRead& c : cases) {
        SCOPED_TRACE(c.name);
        TPtyPair pty;
        TCalcInfo ci;
        TCommHandler h(pty.Path(), "9600,n,8,1", c.timeoutMs);
        ASSERT_TRUE(h.Open());
        pty.Send("ab");
        std::thread late([&] {
            std::this_thread::sleep_for(250ms);
            pty.Send("cd");
        });
        const auto start = TClock::now();
        const TCommRead read = h.ReadCounted(c.count, ci);
        const long long ms = MsSince(start);
        late.join();
        EXPECT_EQ(read.bytes, c.expected);
        EXPECT_GE(ms, c.minMs);
        EXPECT_LE(ms, c.maxMs);
    }
}

// A steady trickle never trips the interval limit: the total time ends the read.
TEST(CommHandlerRead, ATrickleEndsAtTheTotalTimeOut) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 500);
    ASSERT_TRUE(h.Open());
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        while (!stop) {
            pty.Send("x");
            std::this_thread::sleep_for(10ms);
        }
    });
    const auto start = TClock::now();
    const TCommRead read = h.ReadCounted(100000, ci);
    const long long ms = MsSince(start);
    stop = true;
    trickle.join();
    EXPECT_EQ(read.end, TCommEnd::TimedOut);
    EXPECT_GE(ms, 495);
    EXPECT_LE(ms, 700);
    EXPECT_GT(read.bytes.size(), 10u);
}

TEST(CommHandlerRead, NoByteEndsAfterTheTotalTimeOut) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 300);
    ASSERT_TRUE(h.Open());
    auto start = TClock::now();
    const TCommRead read = h.ReadCounted(5, ci);
    EXPECT_EQ(read.end, TCommEnd::TimedOut);
    EXPECT_EQ(read.bytes, "");
    EXPECT_GE(MsSince(start), 295);
    EXPECT_LE(MsSince(start), 450);
    std::string line;
    start = TClock::now();
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::TimedOut);
    EXPECT_GE(MsSince(start), 295);
    EXPECT_LE(MsSince(start), 450);
}

// A time-out of 0 sets no limit: the read waits for its count.
TEST(CommHandlerRead, ZeroTimeOutWaitsForTheCount) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 0);
    ASSERT_TRUE(h.Open());
    std::thread late([&] {
        std::this_thread::sleep_for(150ms);
        pty.Send("xyz");
    });
    const TCommRead read = h.ReadCounted(3, ci);
    late.join();
    EXPECT_EQ(read.end, TCommEnd::Done);
    EXPECT_EQ(read.bytes, "xyz");
    EXPECT_EQ(h.ReadCounted(0, ci).bytes, "");
}

// A huge count neither allocates it nor waits for it beyond the time-outs.
TEST(CommHandlerRead, HugeCountsReadWhatArrives) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 200);
    ASSERT_TRUE(h.Open());
    pty.Send("data");
    const TCommRead read = h.ReadCounted(std::size_t{1} << 40, ci);
    EXPECT_EQ(read.bytes, "data");
    EXPECT_LT(read.bytes.capacity(), std::size_t{1} << 20);
}

TEST(CommHandlerRead, ABreakEndsAReadWithoutLimitAtOnce) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 0);
    ASSERT_TRUE(h.Open());
    TClock::time_point broke;
    std::thread breaker([&] {
        std::this_thread::sleep_for(100ms);
        broke = TClock::now();
        ci.RequestBreak();
    });
    std::string line;
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Breaked);
    const long long ms = MsSince(broke);
    breaker.join();
    EXPECT_LE(ms, 100);
    EXPECT_EQ(h.ReadCounted(4, ci).end, TCommEnd::Breaked);
}

TEST(CommHandlerWrite, WritesEveryByte) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 100);
    ASSERT_TRUE(h.Open());
    // More than a terminal's buffer takes at once: the write waits for room and goes on.
    std::string big(300 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
    std::string got;
    std::thread reader([&] { got = pty.Receive(big.size(), 5000ms); });
    EXPECT_EQ(h.Write(big, ci), TCommEnd::Done);
    reader.join();
    EXPECT_EQ(got.size(), big.size());
    EXPECT_TRUE(got == big);
}

TEST(CommHandlerWrite, AVanishedDeviceFailsTheWriteAndTheReads) {
    TPtyPair pty;
    TCalcInfo ci;
    TCommHandler h(pty.Path(), "9600,n,8,1", 1000);
    ASSERT_TRUE(h.Open());
    pty.CloseInstrument();
    EXPECT_EQ(h.Write("anyone there?", ci), TCommEnd::Failed);
    const auto start = TClock::now();
    EXPECT_EQ(h.ReadCounted(3, ci).end, TCommEnd::Failed);
    std::string line;
    EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Failed);
    EXPECT_LT(MsSince(start), 500); // a hang-up is not waited out
    TCommHandler closed(pty.Path(), "9600,n,8,1", 100);
    EXPECT_EQ(closed.Write("x", ci), TCommEnd::Failed);
    EXPECT_EQ(closed.ReadLine(line, ci), TCommEnd::Failed);
}

// Open, write, read and close many times: no descriptor stays behind.
TEST(CommHandlerSoak, RepeatedCyclesLeaveNoDescriptors) {
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
    };
    TPtyPair pty;
    TCalcInfo ci;
    const auto before = openDescriptors();
    for (int i = 0; i < 1000; ++i) {
        TCommHandler h(pty.Path(), "115200,n,8,1", 1000);
        ASSERT_TRUE(h.Open()) << i;
        ASSERT_EQ(h.Write("*IDN?\n", ci), TCommEnd::Done);
        ASSERT_EQ(pty.Receive(6), "*IDN?\n");
        pty.Send("VARNEX,SIM\r");
        std::string line;
        ASSERT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
        ASSERT_EQ(line, "VARNEX,SIM");
    }
    EXPECT_EQ(openDescriptors(), before);
}

} // namespace
