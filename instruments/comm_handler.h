// TCommHandler: one serial port of a script, on a terminal device, a TCP socket or a USBTMC device.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "instruments/comm_transport.h"

namespace NuvixParser {

class TCalcInfo;

// How a read or write ended.
enum class TCommEnd {
    Done,     // the count arrived, the line is complete, every byte was written
    TimedOut, // a read time-out ran out
    Breaked,  // the user broke the calculation off while the call waited
    Failed,   // the port is not open, or the device failed (unplugged, hung up)
};

struct TCommRead {
    std::string bytes; // what arrived, also when the read ended early
    TCommEnd end;
};

// The address (port_address.h) says what is opened. A terminal is opened exclusively
// (TIOCEXCL against other openers of the terminal, an advisory flock against other
// calculators, which TIOCEXCL does not stop when they run as root), in raw mode with the
// settings of the device-control string, DTR and RTS asserted. A TCP socket is connected
// within the string's connect= time-out (2 s when it gives none); a USBTMC device is
// opened as it is. Sockets and USBTMC devices take the line settings and ignore them.
// Input is read in chunks into a buffer of the handler; a read takes from it what it
// needs and leaves the rest for the next read, as the driver's own buffer would. So a
// USBTMC message that ends without the terminator leaves a partial line, as a terminal
// does, and the time-outs below hold for every kind of device.
//
// Read time-outs (timeout t ms, as given to commopen): a counted read ends when the count
// has arrived, when more than t/10 ms pass between two bytes (not before the first one;
// t < 10 sets no such limit) or t ms after it began. A line read waits up to t ms for each
// byte. t <= 0 sets no time limit at all: the read waits until its bytes come or the user
// breaks off. Waits look at the break flag every 20 ms, so a break ends any of them at
// once; writes wait (when the device's buffer is full) in the same way. (The one
// exception is the real usbtmc driver, which is asked once per read: see
// usbtmc_transport.cpp.)
class TCommHandler {
public:
    using TClock = std::chrono::steady_clock;
    // The most one read asks for: a count beyond it reads this much.
    static constexpr std::size_t kMaxReadBytes = std::size_t{16} << 20;

    // Nothing is opened yet. A `settings` string that does not parse makes Open fail.
    // `address` is a device path, a tcp:// or usbtmc:// URL or a TCPIP::...::SOCKET resource.
    TCommHandler(std::string address, std::string_view settings, std::int32_t timeoutMs);
    // An open transport, for tests that play the device on its other end.
    TCommHandler(std::unique_ptr<TCommTransport> transport, std::int32_t timeoutMs);
    ~TCommHandler() { Close(); }
    TCommHandler(const TCommHandler&) = delete;
    TCommHandler& operator=(const TCommHandler&) = delete;

    // True when open (also when it already was); false when the address is malformed,
    // the device is missing, held by another program, no terminal, refuses the settings,
    // or the connection is refused or not made in time; OpenError() then says which. A
    // malformed address is also reported on standard error, since commopen's 0 is all a
    // script sees and a typing error in a URL is easily missed.
    bool Open();
    void Close();
    bool IsOpen() const { return transport_ != nullptr; }
    const std::string& DevicePath() const { return devicePath_; }
    const std::string& OpenError() const { return openError_; }

    // Any text, also an empty one (then no line ever completes).
    void SetTerminator(std::string terminator) { terminator_ = std::move(terminator); }
    const std::string& Terminator() const { return terminator_; }

    // Every byte, or Failed when the device fails (EIO from a vanished adapter, a peer that
    // closed its socket) first.
    TCommEnd Write(std::string_view bytes, const TCalcInfo& ci);
    // Up to `count` bytes (at most kMaxReadBytes).
    TCommRead ReadCounted(std::size_t count, const TCalcInfo& ci);
    // Done with `line` holding the line without its terminator. Otherwise `line` holds
    // the bytes read so far, which the next line read drops.
    TCommEnd ReadLine(std::string& line, const TCalcInfo& ci);

private:
    using TDeadline = std::optional<TClock::time_point>;
    // Reads what the device has into the input buffer once some arrived; waits until
    // `deadline` (none: without limit).
    TCommEnd Fill(TDeadline deadline, const TCalcInfo& ci);
    std::size_t Pending() const { return input_.size() - inputPos_; }
    TDeadline After(int ms) const;

    std::string devicePath_;
    std::string settingsText_;
    std::string openError_;
    int intervalMs_; // 0: no limit between bytes
    int totalMs_;    // 0: no limit
    std::string terminator_ = "\r";
    std::unique_ptr<TCommTransport> transport_;
    std::string input_; // bytes read from the device and not yet taken, from inputPos_
    std::size_t inputPos_ = 0;
};

} // namespace NuvixParser
