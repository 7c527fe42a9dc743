// Whole-file reads and complete writes on POSIX descriptors.
#include "functions/files/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/calc_info.h"

namespace NuvixParser {
namespace {

// Reads of files of unknown size go through a buffer of this size on the stack.
constexpr std::size_t kChunkBytes = 64 * 1024;

// How often a wait on a pipe or device looks at the break flag.
constexpr int kBreakPollMs = 20;

// Pipes and devices are opened and used without blocking, because a blocked open, read or
// write is a wait no break can end: a FIFO without a writer would hold fileread in open
// until someone writes to it. Instead the calls wait here, looking at the break flag.
//
// Waits until `fd` is ready for `events`, or hung up or failed (the next read or write
// then reports that); false when a break was requested first.
bool WaitReady(int fd, short events, TCalcInfo& ci) {
    for (;;) {
        if (ci.BreakRequested()) return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, kBreakPollMs);
        if (n > 0 || (n < 0 && errno != EINTR)) return true;
    }
}

// Reads into [data, data+size) until it is full, the file ends or an error occurs;
// returns the count read, or -1 on error or a break (`ci` tells which).
//
// The wait comes before every read, also the first: a FIFO opened while it has no writer
// reads as ended at once, but is not ready until a writer came and wrote or left.
std::int64_t ReadInto(int fd, char* data, std::size_t size, TCalcInfo& ci) {
    std::size_t have = 0;
    while (have < size) {
        if (!WaitReady(fd, POLLIN, ci)) return -1;
        const ssize_t n = ::read(fd, data + have, size - have);
        if (n > 0) {
            have += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR && errno != EAGAIN) {
            return -1;
        }
    }
    return static_cast<std::int64_t>(have);
}

} // namespace

TFileDescriptor& TFileDescriptor::operator=(TFileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

TFileDescriptor::~TFileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

bool TFileDescriptor::Close() {
    if (fd_ < 0) return true;
    const int fd = Release();
    // On Linux the descriptor is released even when close is interrupted; retrying could
    // close a descriptor another thread has just opened, so EINTR counts as closed.
    return ::close(fd) == 0 || errno == EINTR;
}

bool IsUsablePath(std::string_view name) {
    return name.find('\0') == std::string_view::npos;
}

TFileDescriptor OpenForReading(std::string_view name) {
    if (!IsUsablePath(name)) return {};
    const std::string path(name);
    // Without blocking: a FIFO opens at once even without a writer (see WaitReady).
    TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.IsOpen()) return {};
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) return {};
    return fd;
}

TFileDescriptor OpenForWriting(std::string_view name, bool append, TCalcInfo& ci) {
    if (!IsUsablePath(name)) return {};
    const std::string path(name);
    const int mode = append ? O_APPEND : O_TRUNC;
    // Without blocking (see WaitReady): a FIFO without a reader then fails with ENXIO
    // instead of waiting in open, and is tried again until a reader comes or a break.
    for (;;) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
        if (fd >= 0) return TFileDescriptor(fd);
        if (errno == EINTR) continue;
        struct stat st;
        if (errno != ENXIO || ::stat(path.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) return {};
        if (ci.BreakRequested()) return {};
        ::poll(nullptr, 0, kBreakPollMs);
    }
}

TReadStatus ReadAll(int fd, std::string& bytes, TCalcInfo& ci) {
    bytes.clear();
    struct stat st;
    if (::fstat(fd, &st) != 0) return TReadStatus::Failed;
    // A regular file's size is read in one piece into a buffer of that size.
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        if (static_cast<std::uint64_t>(st.st_size) > kMaxTextBytes) return TReadStatus::TooLarge;
        const auto size = static_cast<std::size_t>(st.st_size);
        bytes.resize(size);
        const std::int64_t got = ReadInto(fd, bytes.data(), size, ci);
        if (got < 0 || static_cast<std::size_t>(got) < size) {
            bytes.clear();
            return ci.BreakRequested() ? TReadStatus::Breaked : TReadStatus::Failed;
        }
    }
    // Whatever follows: a file that grew meanwhile, or one without a known size.
    char chunk[kChunkBytes];
    for (;;) {
        if (ci.BreakRequested()) {
            bytes.clear();
            return TReadStatus::Breaked;
        }
        const std::int64_t got = ReadInto(fd, chunk, sizeof chunk, ci);
        if (got < 0) {
            bytes.clear();
            return ci.BreakRequested() ? TReadStatus::Breaked : TReadStatus::Failed;
        }
        if (bytes.size() + static_cast<std::uint64_t>(got) > kMaxTextBytes) {
            bytes.clear();
            bytes.shrink_to_fit();
            return TReadStatus::TooLarge;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
        if (static_cast<std::size_t>(got) < sizeof chunk) return TReadStatus::Ok;
    }
}

bool WriteAll(int fd, std::string_view bytes, TCalcInfo& ci) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            // A pipe or device that is full for now (see WaitReady).
            if (!WaitReady(fd, POLLOUT, ci)) return false;
        } else {
            return false; // an error, or a device that takes nothing
        }
    }
    return true;
}

} // namespace NuvixParser
