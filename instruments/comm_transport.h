// TCommTransport: the device under a serial port of the scripts: a terminal, a TCP socket or a USBTMC device.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "functions/files/file_io.h"

namespace NuvixParser {

struct TCommSettings;
struct TPortAddress;

// Moves bytes and nothing else: time-outs, terminators and the break live in TCommHandler,
// which calls these in short slices, so every kind of device behaves the same to a script.
class TCommTransport {
public:
    // The break event is no descriptor poll could wait on, so waits are cut into slices
    // of this length, with a look at the break flag between them.
    static constexpr int kBreakCheckMs = 20;

    virtual ~TCommTransport() = default;
    // The longest one Read or Write is asked to wait: the break is seen within it.
    virtual int LongestWaitMs() const { return kBreakCheckMs; }
    // Waits up to `waitMs` for input, then takes what one read gives (at most `capacity`
    // bytes; from a message-wise device one message). The count; 0 when nothing came in
    // time; -1 when the device failed or the other side is gone.
    virtual std::ptrdiff_t Read(char* buffer, std::size_t capacity, int waitMs) = 0;
    // Waits up to `waitMs` for room, then writes what it can of `bytes` (a message-wise
    // device takes all of them as one message). The count; 0 when there was no room in
    // time; -1 when the device failed or the other side is gone.
    virtual std::ptrdiff_t Write(std::string_view bytes, int waitMs) = 0;
};

// A byte stream over a non-blocking descriptor, waited on with poll: terminals and sockets.
class TStreamTransport : public TCommTransport {
public:
    explicit TStreamTransport(TFileDescriptor fd) : fd_(std::move(fd)) {}
    std::ptrdiff_t Read(char* buffer, std::size_t capacity, int waitMs) override;
    std::ptrdiff_t Write(std::string_view bytes, int waitMs) override;

protected:
    int Fd() const { return fd_.Get(); }

private:
    TFileDescriptor fd_;
};

// Opens what `address` names with `settings` (the line settings apply to terminals only;
// connect= bounds a TCP connect, `defaultConnectMs` when it is not given). None with
// `error` when it cannot be opened.
std::unique_ptr<TCommTransport> OpenTransport(const TPortAddress& address, const TCommSettings& settings,
                                              std::string& error, int defaultConnectMs = 2000);

// The parts OpenTransport is made of, for tests that hold the other end themselves.
std::unique_ptr<TCommTransport> OpenTerminal(const std::string& path, const TCommSettings& settings, std::string& error);
std::unique_ptr<TCommTransport> ConnectTcp(const std::string& host, unsigned port, int timeoutMs, std::string& error);
// `fd` is a USBTMC device file, or any descriptor that keeps message boundaries.
std::unique_ptr<TCommTransport> UsbtmcOver(TFileDescriptor fd);

} // namespace NuvixParser
