// Serial ports on TCP sockets and USBTMC devices, over loopback and a message-wise stand-in:
// connects refused and timed out, the same time-out, terminator, break and hang-up rules
// as on a terminal, binary bytes, and many open/close cycles without a leaked descriptor.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>

#include "engine/calc_info.h"
#include "instruments/calculator.h"
#include "instruments/comm_handler.h"
#include "instruments/comm_parser.h"
#include "instruments/serial_ports.h"
#include "tests/instruments/pty_pair.h"
#include "tests/instruments/tcp_peer.h"

namespace {

using namespace NuvixParser;
using namespace std::chrono_literals;
using NuvixTest::TTcpPeer;
using TClock = std::chrono::steady_clock;

long long MsSince(TClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

long OpenDescriptors() {
    return static_cast<long>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{}));
}

// TCP_NODELAY of this process's socket connected to loopback port `port`; -1 when there is none.
int NoDelayOfConnectionTo(unsigned port) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int fd = std::stoi(entry.path().filename().string());
        sockaddr_storage peer{};
        socklen_t size = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0) continue;
        const unsigned peerPort = peer.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&peer)->sin6_port)
                                                             : ntohs(reinterpret_cast<sockaddr_in*>(&peer)->sin_port);
        int on = 0;
        socklen_t onSize = sizeof on;
        if (peerPort == port && ::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, &onSize) == 0) return on != 0;
    }
    return -1;
}

TEST(CommNetworkOpen, ConnectsByUrlAndResourceOnIpv4AndIpv6) {
    TTcpPeer v4, v6(true);
    const std::pair<std::string, TTcpPeer*> forms[] = {
        {v4.Url(), &v4},
        {"socket://127.0.0.1:" + std::to_string(v4.Port()), &v4},
        {"TCPIP::127.0.0.1::" + std::to_string(v4.Port()) + "::SOCKET", &v4},
        {"tcp://localhost:" + std::to_string(v4.Port()), &v4},
        {v6.Url(), &v6},
        {"TCPIP0::[::1]::" + std::to_string(v6.Port()) + "::SOCKET", &v6},
    };
    TCalcInfo ci;
    for (const auto& [form, peerOf] : forms) {
        TTcpPeer& peer = *peerOf;
        // Line settings are taken and ignored; none at all is fine as well.
        for (const char* settings : {"baud=9600 parity=N data=8 stop=1", "", "115200,e,7,2"}) {
            TCommHandler h(form, settings, 500);
            ASSERT_TRUE(h.Open()) << form << " " << h.OpenError();
            ASSERT_TRUE(peer.Accept()) << form;
            // A query must not wait for the acknowledgement of the one before.
            EXPECT_EQ(NoDelayOfConnectionTo(peer.Port()), 1) << form;
            EXPECT_EQ(h.Write("*IDN?\n", ci), TCommEnd::Done);
            EXPECT_EQ(peer.Receive(6), "*IDN?\n") << form;
            peer.Send("VARNEX,SIM\r");
            std::string line;
            EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done) << form;
            EXPECT_EQ(line, "VARNEX,SIM");
        }
    }
    // Settings that do not parse fail the open as on a terminal.
    EXPECT_FALSE(TCommHandler(v4.Url(), "baud=9600 parity=x", 500).Open());
    EXPECT_FALSE(TCommHandler(v4.Url(), "connect=0", 500).Open());
}

TEST(CommNetworkOpen, ARefusedConnectFailsAtOnce) {
    unsigned port;
    {
        TTcpPeer closed; // its port is free again when it goes
        port = closed.Port();
    }
    TCommHandler h("tcp://127.0.0.1:" + std::to_string(port), "", 500);
    const auto start = TClock::now();
    EXPECT_FALSE(h.Open());
    EXPECT_LT(MsSince(start), 400);
    EXPECT_NE(h.OpenError().find("refused"), std::string::npos) << h.OpenError();
}

// A listener that never accepts, its backlog full: the kernel drops further SYNs, so a
// connect neither succeeds nor fails until the time-out.
TEST(CommNetworkOpen, AConnectThatHangsEndsAtTheTimeOut) {
    TTcpPeer peer(false, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(peer.Port()));
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        fillers.push_back(fd);
    }
    std::this_thread::sleep_for(50ms);
    struct TCase {
        const char* settings;
        long long atLeast, atMost;
    };
    for (const TCase& c : {TCase{"connect=300", 280, 1000}, TCase{"", 1950, 2800}}) {
        TCommHandler h(peer.Url(), c.settings, 100);
        const auto start = TClock::now();
        EXPECT_FALSE(h.Open()) << c.settings;
        const long long ms = MsSince(start);
        EXPECT_GE(ms, c.atLeast) << c.settings;
        EXPECT_LE(ms, c.atMost) << c.settings;
        EXPECT_NE(h.OpenError().find("timed out"), std::string::npos) << h.OpenError();
    }
    for (int fd : fillers) ::close(fd);
}

// An open TCP port with the test as the instrument.
struct TConnected {
    TTcpPeer peer;
    TCalcInfo ci;
    TCommHandler h;
    explicit TConnected(std::int32_t timeoutMs) : h(peer.Url(), "", timeoutMs) {
        EXPECT_TRUE(h.Open()) << h.OpenError();
        EXPECT_TRUE(peer.Accept());
    }
};

TEST(CommNetworkRead, PartialLinesAndTimeOutsAsOnATerminal) {
    TConnected c(300);
    std::string line;
    // A line in pieces is one line.
    std::thread sender([&] {
        c.peer.Send("par");
        std::this_thread::sleep_for(50ms);
        c.peer.Send("tial\r\n");
    });
    c.h.SetTerminator("\r\n");
    EXPECT_EQ(c.h.ReadLine(line, c.ci), TCommEnd::Done);
    EXPECT_EQ(line, "partial");
    sender.join();
    // A line without its terminator times out, and the next line read drops it.
    c.peer.Send("abc");
    auto start = TClock::now();
    EXPECT_EQ(c.h.ReadLine(line, c.ci), TCommEnd::TimedOut);
    EXPECT_GE(MsSince(start), 280);
    EXPECT_EQ(line, "abc");
    c.peer.Send("\r\n");
    EXPECT_EQ(c.h.ReadLine(line, c.ci), TCommEnd::Done);
    EXPECT_EQ(line, "");
    // A counted read ends at the gap time-out (t/10) once bytes came.
    c.peer.Send("12");
    start = TClock::now();
    const TCommRead read = c.h.ReadCounted(10, c.ci);
    EXPECT_EQ(read.bytes, "12");
    EXPECT_EQ(read.end, TCommEnd::TimedOut);
    EXPECT_LT(MsSince(start), 200);
}

TEST(CommNetworkRead, BinaryBytesBothWays) {
    TConnected c(500);
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<char>(i);
    EXPECT_EQ(c.h.Write(all, c.ci), TCommEnd::Done);
    EXPECT_TRUE(c.peer.Receive(256) == all);
    c.peer.Send(all);
    const TCommRead read = c.h.ReadCounted(256, c.ci);
    EXPECT_EQ(read.end, TCommEnd::Done);
    EXPECT_TRUE(read.bytes == all);
}

TEST(CommNetworkRead, ABreakEndsASixtySecondReadWithin100Ms) {
    TConnected c(60000);
    TClock::time_point broke;
    std::thread breaker([&] {
        std::this_thread::sleep_for(100ms);
        broke = TClock::now();
        c.ci.RequestBreak();
    });
    std::string line;
    EXPECT_EQ(c.h.ReadLine(line, c.ci), TCommEnd::Breaked);
    const long long ms = MsSince(broke);
    breaker.join();
    EXPECT_LE(ms, 100);
}

TEST(CommNetworkRead, APeerClosingMidReadEndsTheReadAndFailsWrites) {
    TConnected c(5000);
    std::thread peer([&] {
        c.peer.Send("half a li");
        std::this_thread::sleep_for(50ms);
        c.peer.CloseClient();
    });
    std::string line;
    const auto start = TClock::now();
    EXPECT_EQ(c.h.ReadLine(line, c.ci), TCommEnd::Failed);
    EXPECT_LT(MsSince(start), 1000); // not the 5 s time-out
    peer.join();
    EXPECT_EQ(line, "half a li");
    EXPECT_EQ(c.h.ReadCounted(4, c.ci).bytes, "");
    // The first write may still reach the kernel before the reset comes back.
    TCommEnd end = TCommEnd::Done;
    for (int i = 0; i < 20 && end == TCommEnd::Done; ++i, std::this_thread::sleep_for(10ms))
        end = c.h.Write("*IDN?\n", c.ci);
    EXPECT_EQ(end, TCommEnd::Failed);
}

TEST(CommNetworkSoak, TenThousandOpenCloseCyclesLeaveNoDescriptor) {
    TTcpPeer peer(false, 128);
    std::atomic<bool> stop{false};
    // The instrument answers and hangs up first, so that its side holds the TIME_WAIT.
    std::thread server([&] {
        while (!stop) {
            if (!peer.Accept(50ms)) continue;
            peer.Send("ID\r");
            peer.CloseClient();
        }
    });
    TCalcInfo ci;
    const long before = OpenDescriptors();
    for (int i = 0; i < 10000; ++i) {
        TCommHandler h(peer.Url(), "", 1000);
        ASSERT_TRUE(h.Open()) << i << " " << h.OpenError();
        std::string line;
        ASSERT_EQ(h.ReadLine(line, ci), TCommEnd::Done) << i;
    }
    stop = true;
    server.join();
    EXPECT_EQ(OpenDescriptors(), before);
}

// The USBTMC stand-in: a SOCK_SEQPACKET pair keeps message boundaries as the usbtmc driver
// does, where each write(2) is one USB message (the last transfer marked end-of-message)
// and each read(2) returns the bytes of one message from the instrument, never two. Not
// covered by it: the driver's own per-transfer time-out (USBTMC_IOCTL_SET_TIMEOUT), which
// the pair does not have, so the transport waits on it with poll instead.
struct TUsbtmcPair {
    int instrument = -1;
    TCalcInfo ci;
    std::unique_ptr<TCommHandler> h;
    explicit TUsbtmcPair(std::int32_t timeoutMs) {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
        instrument = fds[1];
        h = std::make_unique<TCommHandler>(UsbtmcOver(TFileDescriptor(fds[0])), timeoutMs);
    }
    ~TUsbtmcPair() {
        if (instrument >= 0) ::close(instrument);
    }
    void Send(std::string_view message) { ASSERT_EQ(::send(instrument, message.data(), message.size(), 0), static_cast<ssize_t>(message.size())); }
    std::string Receive() {
        char buf[4096];
        pollfd p{instrument, POLLIN, 0};
        if (::poll(&p, 1, 1000) != 1) return "<nothing>";
        const ssize_t n = ::recv(instrument, buf, sizeof buf, 0);
        return n < 0 ? "<error>" : std::string(buf, static_cast<std::size_t>(n));
    }
};

TEST(CommUsbtmc, WritesAreMessagesAndReadsTakeMessagesUnderTheSameRules) {
    TUsbtmcPair u(300);
    ASSERT_TRUE(u.h->IsOpen());
    EXPECT_EQ(u.h->Write("*IDN?\n", u.ci), TCommEnd::Done);
    EXPECT_EQ(u.Receive(), "*IDN?\n");
    // Two answers, one message each; the line reader takes them one after another.
    u.Send("VARNEX,SIM\n");
    u.Send("second\n");
    u.h->SetTerminator("\n");
    std::string line;
    EXPECT_EQ(u.h->ReadLine(line, u.ci), TCommEnd::Done);
    EXPECT_EQ(line, "VARNEX,SIM");
    EXPECT_EQ(u.h->ReadLine(line, u.ci), TCommEnd::Done);
    EXPECT_EQ(line, "second");
    // A message without the terminator is a partial line: it times out and is dropped.
    u.Send("no end");
    EXPECT_EQ(u.h->ReadLine(line, u.ci), TCommEnd::TimedOut);
    u.Send("\n");
    EXPECT_EQ(u.h->ReadLine(line, u.ci), TCommEnd::Done);
    EXPECT_EQ(line, "");
    // A counted read keeps the rest of a message for the next read.
    u.Send("0123456789");
    EXPECT_EQ(u.h->ReadCounted(4, u.ci).bytes, "0123");
    EXPECT_EQ(u.h->ReadCounted(6, u.ci).bytes, "456789");
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<char>(i);
    EXPECT_EQ(u.h->Write(all, u.ci), TCommEnd::Done);
    EXPECT_TRUE(u.Receive() == all);
}

TEST(CommUsbtmc, ABreakAndAnUnpluggedInstrumentEndTheRead) {
    TUsbtmcPair u(0);
    TClock::time_point broke;
    std::thread breaker([&] {
        std::this_thread::sleep_for(100ms);
        broke = TClock::now();
        u.ci.RequestBreak();
    });
    std::string line;
    EXPECT_EQ(u.h->ReadLine(line, u.ci), TCommEnd::Breaked);
    EXPECT_LE(MsSince(broke), 100);
    breaker.join();
    TUsbtmcPair gone(5000);
    ::close(gone.instrument);
    gone.instrument = -1;
    const auto start = TClock::now();
    EXPECT_EQ(gone.h->ReadLine(line, gone.ci), TCommEnd::Failed);
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(gone.h->Write("x", gone.ci), TCommEnd::Failed);
}

// A USBTMC device by its path: a FIFO under a temporary folder stands in for the device
// file (opened for reading and writing, it hands a write back to the next read), enough
// to show the open by path, the exclusive open and the line settings ignored.
TEST(CommUsbtmc, OpensByPathExclusively) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("varnex-usbtmc-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string fifo = (dir / "usbtmc0").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TCalcInfo ci;
    {
        TCommHandler h("usbtmc://" + fifo, "baud=9600 parity=N data=8 stop=1", 300);
        ASSERT_TRUE(h.Open()) << h.OpenError();
        TCommHandler second("usbtmc://" + fifo, "", 300);
        EXPECT_FALSE(second.Open());
        EXPECT_NE(second.OpenError().find("in use"), std::string::npos) << second.OpenError();
        EXPECT_EQ(h.Write("*IDN?\n", ci), TCommEnd::Done);
        h.SetTerminator("\n");
        std::string line;
        EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done);
        EXPECT_EQ(line, "*IDN?");
    }
    EXPECT_FALSE(TCommHandler("usbtmc://" + (dir / "usbtmc9").string(), "", 300).Open());
    std::filesystem::remove_all(dir);
}

// Through the script functions: a URL in the port mapping, a malformed one reported.
TEST(CommNetworkFunctions, CommopenTakesUrlsAndReportsMalformedOnes) {
    TTcpPeer peer;
    NuvixTest::TScopedEnv com1("VARNEX_COM1", peer.Url());
    NuvixTest::TScopedEnv com2("VARNEX_COM2", "tcp://10.0.0.5:99999");
    TGlobalVarList globals;
    TSerialPorts ports;
    TCommParser parser{globals, CalculatorRegistry(), &ports};
    std::thread instrument([&] {
        if (!peer.Accept()) return;
        if (peer.Receive(6) == "*IDN?\n") peer.Send("VARNEX,SIM\r");
    });
    auto run = [&](std::string_view script) {
        parser.SetText(script);
        EXPECT_TRUE(parser.Compile()) << parser.ErrorMessage();
        parser.Rebind();
        TRunContext context{nullptr, nullptr, nullptr, &ports};
        TCalcInfo ci;
        ci.context = &context;
        ci.Reset();
        const TReturnValue v = parser.Calculate(ci);
        return ci.error ? "Error: " + ci.errorMessage : v.ToString();
    };
    EXPECT_EQ(run("commopen(0;'';1000), commwrite(0;'*IDN?'+chr(10)), commreadln(0)"), "VARNEX,SIM");
    instrument.join();
    EXPECT_EQ(ports.OpenCount(), 0); // closed at the end of the run
    testing::internal::CaptureStderr();
    EXPECT_EQ(run("commopen(1;'';1000)"), "0");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("tcp://10.0.0.5:99999"), std::string::npos) << err;
    EXPECT_NE(err.find("bad port number"), std::string::npos) << err;
}

// varnex-instrument-sim --tcp, as a LAN script is written against it.
class TSimServer {
public:
    explicit TSimServer(const char* where) {
        int out[2];
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            const std::string file = VARNEX_INSTRUMENT_EXAMPLES "/multimeter.instrument";
            ::execl(VARNEX_INSTRUMENT_SIM, VARNEX_INSTRUMENT_SIM, "--tcp", where, file.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') url_ += c;
        ::close(out[0]);
    }
    ~TSimServer() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    const std::string& Url() const { return url_; }

private:
    pid_t pid_ = -1;
    std::string url_;
};

TEST(InstrumentSimTcp, ServesClientsOneAfterAnotherOnLoopback) {
    for (const char* where : {"0", "[::1]:0"}) {
        TSimServer sim(where);
        const std::string prefix = where[0] == '[' ? "tcp://[::1]:" : "tcp://127.0.0.1:";
        ASSERT_EQ(sim.Url().rfind(prefix, 0), 0u) << sim.Url();
        TCalcInfo ci;
        for (int client = 0; client < 3; ++client) {
            TCommHandler h(sim.Url(), "", 1000);
            ASSERT_TRUE(h.Open()) << h.OpenError();
            h.SetTerminator("\r\n");
            // Half a command from a client that goes is not the next client's.
            ASSERT_EQ(h.Write("*IDN?\nCONF", ci), TCommEnd::Done);
            std::string line;
            EXPECT_EQ(h.ReadLine(line, ci), TCommEnd::Done) << client;
            EXPECT_EQ(line, "VARNEX,DMM-4050,SIM0001,1.0");
        }
    }
}

} // namespace
