// Runs a program over two pipes: input written and output read together with poll.
#include "functions/files/process_runner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/calc_info.h"
#include "functions/files/child_processes.h"
#include "functions/files/sigpipe_block.h"

extern char** environ;

namespace NuvixParser {
namespace {

using namespace std::chrono_literals;

// How often the loop looks at the break flag while the program is silent.
constexpr int kPollMs = 20;
// How long a program may take to end after SIGTERM before it is killed.
constexpr auto kTerminateGrace = 500ms;
constexpr std::size_t kChunkBytes = 64 * 1024;

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

// The files words[0] names: itself when it holds a '/', else one in each folder of PATH
// (an empty entry meaning the current folder), in order. Found in the parent, since after
// fork the child may only make async-signal-safe calls, and execvp may allocate.
std::vector<std::string> Candidates(const std::string& program) {
    if (program.find('/') != std::string::npos) return {program};
    const char* env = std::getenv("PATH");
    const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::vector<std::string> files;
    for (std::size_t start = 0;;) {
        const std::size_t colon = path.find(':', start);
        const std::string folder = path.substr(start, colon == std::string::npos ? colon : colon - start);
        files.push_back((folder.empty() ? "." : folder) + "/" + program);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return files;
}

// Starts the program; -1 when it could not be started (a failed exec is reported back
// through a close-on-exec pipe, so a missing program is known before any input is
// written).
//
// fork and exec rather than posix_spawn, for one call in the child that posix_spawn
// cannot make: PR_SET_PDEATHSIG, so that the program is killed even when the calculator
// is killed (SIGKILL) and has no chance to end it. The signal comes when the thread that
// forked ends, which is the calculation thread, alive as long as the calculator.
//
// In the child: a process group of its own, which lets a break end the programs it starts
// too and keeps a terminal's Ctrl+C, which the calculator turns into a break, from
// reaching it directly; every signal at its default action and none blocked (the
// calculation thread blocks some, the host may ignore some); only its standard streams.
pid_t Spawn(const std::vector<std::string>& words, int stdinFd, int outputFd) {
    const std::vector<std::string> files = Candidates(words[0]);
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);

    TFileDescriptor reportRead, reportWrite;
    if (!MakePipe(reportRead, reportWrite)) return -1;
    const int report[2] = {reportRead.Get(), reportWrite.Get()};
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127); // the calculator ended before the line above
        struct sigaction byDefault = {};
        byDefault.sa_handler = SIG_DFL;
        for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &byDefault, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
        if (::dup2(stdinFd, STDIN_FILENO) < 0 || ::dup2(outputFd, STDOUT_FILENO) < 0 ||
            ::dup2(outputFd, STDERR_FILENO) < 0)
            ::_exit(127);
        // Descriptors other code opened without close-on-exec do not leak, but the one
        // that reports a failed exec stays until the exec closes it.
        ::close_range(STDERR_FILENO + 1, static_cast<unsigned>(report[1]) - 1, 0);
        ::close_range(static_cast<unsigned>(report[1]) + 1, ~0u, 0);
        int error = ENOENT;
        for (const std::string& file : files) {
            ::execve(file.c_str(), argv.data(), environ);
            // Like execvp: a file that is missing or not allowed lets the search go on.
            if (errno != ENOENT && errno != ENOTDIR && errno != EACCES) {
                error = errno;
                break;
            }
            if (errno == EACCES) error = EACCES;
        }
        while (::write(report[1], &error, sizeof error) < 0 && errno == EINTR) {
        }
        ::_exit(127);
    }
    reportWrite.Close();
    if (pid < 0) return -1;
    ::setpgid(pid, pid); // also here, so the group exists before the parent signals it
    int error = 0;
    ssize_t n = 0;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    reportRead.Close();
    if (n > 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return -1;
    }
    return pid;
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
