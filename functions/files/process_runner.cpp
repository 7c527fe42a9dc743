// Runs a program over two pipes: input written and output read together with poll.
#include "functions/files/process_runner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/calc_info.h"
#include "functions/files/child_processes.h"

extern char** environ;

namespace NuvixParser {
namespace {

using namespace std::chrono_literals;

// How often the loop looks at the break flag while the program is silent.
constexpr int kPollMs = 20;
// How long a program may take to end after SIGTERM before it is killed.
constexpr auto kTerminateGrace = 500ms;
constexpr std::size_t kChunkBytes = 64 * 1024;

// SIGPIPE, blocked in the calling thread for the lifetime of this object.
//
// Writing to a pipe whose reader has exited raises SIGPIPE in the writing thread, and its
// default action ends the whole calculator. Ignoring it process-wide (SIG_IGN) would
// change the behaviour of the host program for good: the command-line runner, for one,
// is expected to die quietly when its own output pipe closes (`varnexcalc-cli f | head`).
// So the signal is only blocked in this thread while the program runs: the write fails
// with EPIPE instead, the signal stays pending, and it is taken off the thread again with
// a zero-timeout sigtimedwait before the old mask comes back. One that was pending before
// we started is not ours and is left alone.
class TSigpipeBlock {
public:
    TSigpipeBlock() {
        sigemptyset(&pipeSet_);
        sigaddset(&pipeSet_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSet_, &oldMask_);
        sigset_t pending;
        wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    }
    ~TSigpipeBlock() {
        const int savedErrno = errno;
        sigset_t pending;
        if (!wasPending_ && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
            const timespec noWait{0, 0};
            while (sigtimedwait(&pipeSet_, nullptr, &noWait) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
        errno = savedErrno;
    }
    TSigpipeBlock(const TSigpipeBlock&) = delete;
    TSigpipeBlock& operator=(const TSigpipeBlock&) = delete;

private:
    sigset_t pipeSet_;
    sigset_t oldMask_;
    bool wasPending_ = false;
};

// The child's pipe ends are moved onto descriptors 0, 1 and 2 one after the other. Were
// one of them itself 0, 1 or 2 (the calculator was started with a standard stream
// closed), an earlier move would overwrite it, so every end is kept above them.
bool KeepAboveStandardStreams(TFileDescriptor& fd) {
    if (fd.Get() > STDERR_FILENO) return true;
    const int moved = ::fcntl(fd.Get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (moved < 0) return false;
    fd = TFileDescriptor(moved);
    return true;
}

// Both ends close-on-exec: the child gets only the copies made for it.
bool MakePipe(TFileDescriptor& readEnd, TFileDescriptor& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    readEnd = TFileDescriptor(fds[0]);
    writeEnd = TFileDescriptor(fds[1]);
    return KeepAboveStandardStreams(readEnd) && KeepAboveStandardStreams(writeEnd);
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Starts the program; -1 when it could not be started (posix_spawnp reports a failed
// exec, so a missing program is known before any input is written).
pid_t Spawn(const std::vector<std::string>& words, int stdinFd, int outputFd) {
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return -1;
    posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors that other code opened without close-on-exec do not leak either.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif

    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    // The calculation thread blocks signals of its own (SIGINT in the runner, SIGPIPE
    // here) and the host may ignore some; the program starts with neither. Its own
    // process group lets a break end the programs it starts too, and keeps a terminal's
    // Ctrl+C, which the calculator turns into a break, from reaching it directly.
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// True once the child is reaped (or was reaped by someone else: ECHILD).
bool TryReap(pid_t pid) {
    for (;;) {
        int status = 0;
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) return true;
        if (w == 0) return false;
        if (errno != EINTR) return true;
    }
}

void SignalGroup(pid_t pid, int sig) {
    ::kill(-pid, sig); // the group: what the program started
    ::kill(pid, sig);  // the program, should it have left its group
}

// Ends the program: SIGTERM to its group, SIGKILL if it has not ended after the grace
// period, and reaps it.
void Terminate(pid_t pid) {
    SignalGroup(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kTerminateGrace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (TryReap(pid)) return;
        ::poll(nullptr, 0, 5);
    }
    SignalGroup(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Ends and reaps the program when it is left before being reaped: on a break, an error,
// or an exception such as std::bad_alloc while the output grows. While the program runs
// it is registered, so that it also ends when the whole calculator ends.
class TChildGuard {
public:
    explicit TChildGuard(pid_t pid) : pid_(pid) { RegisterChildProcess(pid_); }
    ~TChildGuard() {
        if (!reaped_) Terminate(pid_);
        UnregisterChildProcess(pid_);
    }
    TChildGuard(const TChildGuard&) = delete;
    TChildGuard& operator=(const TChildGuard&) = delete;
    // Waits for the program after its output has ended; false on a break, which the
    // destructor then answers by terminating it.
    bool Reap(TCalcInfo& ci) {
        for (int waitMs = 1;; waitMs = std::min(waitMs * 2, kPollMs)) {
            if (TryReap(pid_)) return reaped_ = true;
            if (ci.BreakRequested()) return false;
            ci.BreakEvent().WaitFor(std::chrono::milliseconds(waitMs));
        }
    }

private:
    pid_t pid_;
    bool reaped_ = false;
};

TProcessOutcome Outcome(TProcessStatus status) {
    TProcessOutcome r;
    r.status = status;
    return r;
}

} // namespace

TProcessOutcome RunProcess(const std::vector<std::string>& words, std::string_view input, TCalcInfo& ci,
                           std::uint64_t maxOutput) {
    if (words.empty()) return Outcome(TProcessStatus::StartFailed);
    for (const std::string& w : words)
        if (w.find('\0') != std::string::npos) return Outcome(TProcessStatus::StartFailed);

    TFileDescriptor inRead, inWrite, outRead, outWrite;
    if (!MakePipe(inRead, inWrite) || !MakePipe(outRead, outWrite))
        return Outcome(TProcessStatus::SystemError);
    const pid_t pid = Spawn(words, inRead.Get(), outWrite.Get());
    // Without the parent's copy of the write end, end of output means every program
    // holding it has closed it or ended.
    inRead.Close();
    outWrite.Close();
    if (pid < 0) return Outcome(TProcessStatus::StartFailed);
    TChildGuard child(pid);

    TSigpipeBlock sigpipeBlock;
    if (!SetNonBlocking(inWrite.Get()) || !SetNonBlocking(outRead.Get()))
        return Outcome(TProcessStatus::SystemError);

    TProcessOutcome r;
    std::size_t written = 0;
    if (input.empty()) inWrite.Close();
    char chunk[kChunkBytes];
    while (outRead.IsOpen() || inWrite.IsOpen()) {
        if (ci.BreakRequested()) return Outcome(TProcessStatus::Breaked);
        pollfd fds[2];
        nfds_t count = 0;
        int outIndex = -1;
        int inIndex = -1;
        if (outRead.IsOpen()) {
            outIndex = static_cast<int>(count);
            fds[count++] = pollfd{outRead.Get(), POLLIN, 0};
        }
        if (inWrite.IsOpen()) {
            inIndex = static_cast<int>(count);
            fds[count++] = pollfd{inWrite.Get(), POLLOUT, 0};
        }
        const int ready = ::poll(fds, count, kPollMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Outcome(TProcessStatus::SystemError);
        }
        if (ready == 0) continue;

        if (inIndex >= 0 && fds[inIndex].revents != 0) {
            const std::size_t part = std::min(input.size() - written, kChunkBytes);
            const ssize_t n = ::write(inWrite.Get(), input.data() + written, part);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
                if (written == input.size()) inWrite.Close(); // the program sees end of input
            } else if (!(n < 0 && (errno == EAGAIN || errno == EINTR))) {
                // EPIPE: the program stopped reading; like a shell pipeline, the rest of
                // the input is dropped and the output still collected.
                inWrite.Close();
            }
        }
        if (outIndex >= 0 && fds[outIndex].revents != 0) {
            // Drain what is there; a nonblocking read ends with EAGAIN.
            for (;;) {
                const ssize_t n = ::read(outRead.Get(), chunk, sizeof chunk);
                if (n > 0) {
                    if (r.output.size() + static_cast<std::uint64_t>(n) > maxOutput)
                        return Outcome(TProcessStatus::OutputTooLarge);
                    r.output.append(chunk, static_cast<std::size_t>(n));
                    if (static_cast<std::size_t>(n) < sizeof chunk) break;
                } else if (n < 0 && errno == EINTR) {
                    continue;
                } else {
                    // End of output, or a failed read, which ends it the same way.
                    if (n == 0 || errno != EAGAIN) outRead.Close();
                    break;
                }
            }
        }
    }
    if (!child.Reap(ci)) return Outcome(TProcessStatus::Breaked);
    return r;
}

} // namespace NuvixParser
