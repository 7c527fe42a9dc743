// UsbtmcOver: the kernel's USBTMC device file, where a write is one message and a read returns one message.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <linux/usb/tmc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "instruments/comm_transport.h"

namespace NuvixParser {
namespace {

// The driver's shortest time-out for one transfer, and the longest we let one read wait
// when the script's read has no time limit.
constexpr unsigned kDriverMinimumMs = 100;
constexpr int kDriverLongestMs = 5000;

// The usbtmc driver answers a read(2) by asking the instrument for a message (a new
// request each time) and waits for it up to its own time-out (ETIMEDOUT), instead of
// telling poll that input is there. A read is therefore one driver call that waits for
// the whole time the script's read has left: cut into slices, the next slice's request
// would overtake an instrument still busy with the last one. With auto-abort the driver
// aborts a request that timed out, so the next query meets a clean instrument. The cost:
// on a real device a break ends a read when that driver call ends, not within 20 ms.
//
// A descriptor that is no USBTMC device (the ioctl fails) but keeps message boundaries
// is waited on with poll, in slices, as other devices are.
class TUsbtmcTransport final : public TCommTransport {
public:
    explicit TUsbtmcTransport(TFileDescriptor fd) : fd_(std::move(fd)) {
        unsigned ms = kDriverMinimumMs;
        driver_ = ::ioctl(fd_.Get(), USBTMC_IOCTL_SET_TIMEOUT, &ms) == 0;
        driverTimeoutMs_ = driver_ ? ms : 0;
        if (driver_) {
            std::uint8_t on = 1;
            ::ioctl(fd_.Get(), USBTMC_IOCTL_AUTO_ABORT, &on); // older drivers lack it: no harm
        }
    }

    int LongestWaitMs() const override { return driver_ ? kDriverLongestMs : kBreakCheckMs; }

    std::ptrdiff_t Read(char* buffer, std::size_t capacity, int waitMs) override {
        if (driver_) {
            const unsigned ms = std::max<unsigned>(static_cast<unsigned>(std::max(waitMs, 0)), kDriverMinimumMs);
            if (ms != driverTimeoutMs_ && ::ioctl(fd_.Get(), USBTMC_IOCTL_SET_TIMEOUT, &ms) == 0) driverTimeoutMs_ = ms;
        } else {
            pollfd p{fd_.Get(), POLLIN, 0};
            const int r = ::poll(&p, 1, waitMs);
            if (r < 0) return errno == EINTR ? 0 : -1;
            if (r == 0) return 0;
            if (!(p.revents & POLLIN)) return -1;
        }
        for (;;) {
            const ssize_t n = ::read(fd_.Get(), buffer, capacity);
            if (n > 0) return n;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == ETIMEDOUT || errno == EAGAIN)) return 0;
            return -1; // ENODEV from an unplugged instrument, end of file from the stand-in
        }
    }

    // One write(2) is one message: the driver sends it in transfers and marks the last
    // with end-of-message. A part of it cannot be sent later as the same message, so a
    // short write counts as a failed one.
    std::ptrdiff_t Write(std::string_view bytes, int waitMs) override {
        (void)waitMs; // the driver's own time-out bounds the write
        for (;;) {
            const ssize_t n = ::write(fd_.Get(), bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n != static_cast<ssize_t>(bytes.size())) return -1;
            return n;
        }
    }

private:
    TFileDescriptor fd_;
    bool driver_ = false;
    unsigned driverTimeoutMs_ = 0;
};

} // namespace

std::unique_ptr<TCommTransport> UsbtmcOver(TFileDescriptor fd) {
    return std::make_unique<TUsbtmcTransport>(std::move(fd));
}

} // namespace NuvixParser
