// Byte streams on descriptors, terminals opened exclusively in raw mode, and the choice of transport.
#include "instruments/comm_transport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "instruments/comm_settings.h"
#include "instruments/comm_speed.h"
#include "instruments/port_address.h"

namespace NuvixParser {
namespace {

// poll's revents for fd, 0 when `waitMs` passed (or a signal came), -1 on an error.
int Wait(int fd, short events, int waitMs) {
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, waitMs);
    if (r < 0) return errno == EINTR ? 0 : -1;
    return r == 0 ? 0 : p.revents;
}

// A terminal, released from exclusive mode before it closes so that the next opener of
// the device (also our own reopen) is not refused.
class TTerminalTransport final : public TStreamTransport {
public:
    using TStreamTransport::TStreamTransport;
    ~TTerminalTransport() override { ::ioctl(Fd(), TIOCNXCL); }
};

} // namespace

std::ptrdiff_t TStreamTransport::Read(char* buffer, std::size_t capacity, int waitMs) {
    for (;;) {
        const int revents = Wait(Fd(), POLLIN, waitMs);
        if (revents == 0) return 0;
        // A hung-up peer with bytes still buffered reports POLLIN as well: those come first.
        if (revents < 0 || !(revents & POLLIN)) return -1;
        const ssize_t n = ::read(Fd(), buffer, capacity);
        if (n > 0) return n;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return 0;
        return -1; // EIO from a vanished adapter, end of file from a closed socket, a reset
    }
}

std::ptrdiff_t TStreamTransport::Write(std::string_view bytes, int waitMs) {
    for (;;) {
        // send would keep SIGPIPE away by itself, but a terminal needs write; the
        // handler's guard blocks the signal for both.
        const ssize_t n = ::write(Fd(), bytes.data(), bytes.size());
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return -1;
        const int revents = Wait(Fd(), POLLOUT, waitMs);
        if (revents == 0) return 0;
        if (revents < 0 || (revents & (POLLERR | POLLHUP | POLLNVAL))) return -1;
    }
}

std::unique_ptr<TCommTransport> OpenTerminal(const std::string& path, const TCommSettings& settings, std::string& error) {
    const auto fail = [&](const char* what) -> std::unique_ptr<TCommTransport> {
        error = path + ": " + what + ": " + std::strerror(errno);
        return nullptr;
    };
    // Non-blocking: the open must not wait for a carrier, and every wait is our own poll.
    TFileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.IsOpen()) return fail("cannot open");
    // The lock first (against other calculators, which TIOCEXCL does not stop when they
    // run as root): exclusive mode is set only on a terminal that is ours.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return fail("in use");
    if (::ioctl(fd.Get(), TIOCEXCL) != 0) return fail("no terminal");
    const int t0 = fd.Get();
    // From here on a failure leaves exclusive mode first, as the transport's close would.
    const auto refused = [&](const char* what) {
        const int saved = errno;
        ::ioctl(t0, TIOCNXCL);
        errno = saved;
        return fail(what);
    };
    termios t{};
    if (::tcgetattr(t0, &t) != 0) return refused("no terminal");
    ApplyCommSettings(settings, t);
    const speed_t speed = StandardSpeed(settings.baud);
    if (speed != B0 && (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0)) return refused("bad speed");
    if (::tcsetattr(t0, TCSANOW, &t) != 0) return refused("settings refused");
    if (speed == B0 && !SetCustomSpeed(t0, settings.baud)) return refused("speed refused");
    // Pseudo-terminals and some adapters have no modem lines: that is no failure.
    const int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(t0, TIOCMBIS, &lines);
    ::tcflush(t0, TCIOFLUSH);
    return std::make_unique<TTerminalTransport>(std::move(fd));
}

std::unique_ptr<TCommTransport> OpenTransport(const TPortAddress& address, const TCommSettings& settings,
                                              std::string& error, int defaultConnectMs) {
    switch (address.kind) {
    case TPortKind::Terminal: return OpenTerminal(address.path, settings, error);
    case TPortKind::Tcp:
        return ConnectTcp(address.host, address.port,
                          settings.connectMs > 0 ? static_cast<int>(settings.connectMs) : defaultConnectMs, error);
    case TPortKind::Usbtmc: {
        TFileDescriptor fd(::open(address.path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!fd.IsOpen() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            error = address.path + ": " + (fd.IsOpen() ? "in use" : "cannot open") + ": " + std::strerror(errno);
            return nullptr;
        }
        return UsbtmcOver(std::move(fd));
    }
    }
    return nullptr;
}

} // namespace NuvixParser
