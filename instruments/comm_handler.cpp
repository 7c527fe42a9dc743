// TCommHandler: opening a terminal exclusively, and reads and writes timed with poll.
#include "instruments/comm_handler.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "engine/calc_info.h"
#include "functions/files/sigpipe_block.h"
#include "instruments/comm_speed.h"

namespace NuvixParser {
namespace {

// The longest a wait goes without looking at the break flag. The break event is no
// descriptor poll could wait on, so waits are cut into slices of this length instead.
constexpr int kBreakCheckMs = 20;
// How much one read from the device takes at most.
constexpr std::size_t kChunkBytes = 64 * 1024;

// Waits for `events` on fd for up to the time left before `deadline` (one slice at most).
// 0 when the slice passed, -1 with errno on an error, else poll's revents.
int PollSlice(int fd, short events, std::optional<TCommHandler::TClock::time_point> deadline) {
    int wait = kBreakCheckMs;
    if (deadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - TCommHandler::TClock::now());
        wait = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, kBreakCheckMs));
    }
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, wait);
    if (r < 0) return errno == EINTR ? 0 : -1;
    return r == 0 ? 0 : p.revents;
}

bool Passed(const std::optional<TCommHandler::TClock::time_point>& deadline) {
    return deadline && TCommHandler::TClock::now() >= *deadline;
}

} // namespace

TCommHandler::TCommHandler(std::string devicePath, std::string_view settings, std::int32_t timeoutMs)
    : devicePath_(std::move(devicePath)),
      settings_(ParseCommSettings(settings)),
      intervalMs_(timeoutMs > 0 ? timeoutMs / 10 : 0),
      totalMs_(timeoutMs > 0 ? timeoutMs : 0) {}

bool TCommHandler::Open() {
    if (IsOpen()) return true;
    if (!settings_) return false;
    // Non-blocking: the open must not wait for a carrier, and every wait is our own poll.
    TFileDescriptor fd(::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.IsOpen()) return false;
    // The lock first: exclusive mode is set only on a terminal that is ours.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return false;
    if (::ioctl(fd.Get(), TIOCEXCL) != 0) return false;
    termios t{};
    if (::tcgetattr(fd.Get(), &t) != 0) return false;
    ApplyCommSettings(*settings_, t);
    const speed_t speed = StandardSpeed(settings_->baud);
    if (speed != B0 && (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0)) return false;
    if (::tcsetattr(fd.Get(), TCSANOW, &t) != 0) return false;
    if (speed == B0 && !SetCustomSpeed(fd.Get(), settings_->baud)) return false;
    // Pseudo-terminals and some adapters have no modem lines: that is no failure.
    const int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd.Get(), TIOCMBIS, &lines);
    ::tcflush(fd.Get(), TCIOFLUSH);
    fd_ = std::move(fd);
    input_.clear();
    inputPos_ = 0;
    return true;
}

void TCommHandler::Close() {
    if (!IsOpen()) return;
    ::ioctl(fd_.Get(), TIOCNXCL);
    fd_.Close();
    input_.clear();
    inputPos_ = 0;
}

TCommEnd TCommHandler::Write(std::string_view bytes, const TCalcInfo& ci) {
    if (!IsOpen()) return TCommEnd::Failed;
    // A terminal reports a vanished device with EIO; the guard keeps a device that
    // answers with EPIPE instead from ending the program.
    TSigpipeBlock sigpipeBlock;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_.Get(), bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return TCommEnd::Failed;
        // The output buffer is full (flow control holds it): writes never time out.
        if (ci.BreakRequested()) return TCommEnd::Breaked;
        const int revents = PollSlice(fd_.Get(), POLLOUT, std::nullopt);
        if (revents < 0 || (revents & (POLLERR | POLLHUP | POLLNVAL))) return TCommEnd::Failed;
    }
    return TCommEnd::Done;
}

TCommEnd TCommHandler::Fill(TDeadline deadline, const TCalcInfo& ci) {
    for (;;) {
        if (ci.BreakRequested()) return TCommEnd::Breaked;
        if (Passed(deadline)) return TCommEnd::TimedOut;
        const int revents = PollSlice(fd_.Get(), POLLIN, deadline);
        if (revents == 0) continue;
        if (revents < 0 || !(revents & POLLIN)) return TCommEnd::Failed;
        if (inputPos_ == input_.size()) {
            input_.clear();
            inputPos_ = 0;
        }
        const std::size_t before = input_.size();
        input_.resize(before + kChunkBytes);
        const ssize_t n = ::read(fd_.Get(), input_.data() + before, kChunkBytes);
        input_.resize(before + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n > 0) return TCommEnd::Done;
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        return TCommEnd::Failed; // EIO, or end of file: the other side hung up
    }
}

TCommHandler::TDeadline TCommHandler::After(int ms) const {
    if (ms <= 0) return std::nullopt;
    return TClock::now() + std::chrono::milliseconds(ms);
}

TCommRead TCommHandler::ReadCounted(std::size_t count, const TCalcInfo& ci) {
    TCommRead read{{}, TCommEnd::Done};
    if (!IsOpen()) {
        read.end = TCommEnd::Failed;
        return read;
    }
    count = std::min(count, kMaxReadBytes);
    const TDeadline total = After(totalMs_);
    TDeadline interval; // starts with the first byte
    while (read.bytes.size() < count) {
        if (Pending() > 0) {
            const std::size_t take = std::min(Pending(), count - read.bytes.size());
            read.bytes.append(input_, inputPos_, take);
            inputPos_ += take;
            interval = After(intervalMs_);
            continue;
        }
        TDeadline until = total;
        if (interval && (!until || *interval < *until)) until = interval;
        read.end = Fill(until, ci);
        if (read.end != TCommEnd::Done) return read;
    }
    return read;
}

TCommEnd TCommHandler::ReadLine(std::string& line, const TCalcInfo& ci) {
    line.clear();
    if (!IsOpen() || terminator_.empty()) return TCommEnd::Failed;
    for (;;) {
        while (Pending() > 0) {
            line += input_[inputPos_++];
            // The terminator can only be complete at the end: the line is checked after
            // every byte.
            if (line.size() >= terminator_.size() &&
                line.compare(line.size() - terminator_.size(), terminator_.size(), terminator_) == 0) {
                line.resize(line.size() - terminator_.size());
                return TCommEnd::Done;
            }
        }
        // Each byte is waited for as a read of its own: the full time-out every time.
        if (const TCommEnd end = Fill(After(totalMs_), ci); end != TCommEnd::Done) return end;
    }
}

} // namespace NuvixParser
