// Runs varnexcalc-cli as a child process and collects what it prints.
#include "tests/cli/process_runner.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace NuvixTest {
namespace {

using namespace std::chrono_literals;
constexpr auto kProcessTimeout = 300s; // only guards against a hang

} // namespace

// Runs varnexcalc-cli with the given arguments and collects both output streams.
TProcessResult RunCli(const std::vector<std::string>& cliArgs, const TRunOptions& options) {
    TProcessResult r;
    int inPipe[2];
    int outPipe[2];
    int errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        r.err = std::string("pipe: ") + std::strerror(errno);
        return r;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
    if (options.outputFile)
        posix_spawn_file_actions_addopen(&actions, 1, options.outputFile->c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    else
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
        posix_spawn_file_actions_addclose(&actions, fd);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    // A child inherits an ignored signal unless it is reset to its default here; the test
    // process ignores SIGPIPE itself (see below), so that is what the child then inherits.
    std::signal(SIGPIPE, SIG_IGN);
    if (options.ignoreBrokenPipe) sigdelset(&all, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> args{options.program.value_or(VARNEX_CLI_PATH)};
    args.insert(args.end(), cliArgs.begin(), cliArgs.end());
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const auto named = [&](const std::string& change) {
            const std::string_view name = std::string_view(change).substr(0, change.find('='));
            return entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=';
        };
        if (std::none_of(options.environment.begin(), options.environment.end(), named)) variables.emplace_back(entry);
    }
    for (const std::string& change : options.environment)
        if (change.find('=') != std::string::npos) variables.push_back(change);
    std::vector<char*> envp;
    for (auto& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    // A child inherits the limits of its parent, and posix_spawn cannot set one for the
    // child alone: this process takes the limit for the moment of the spawn (it only
    // lowers its soft limit, which it may raise again up to the hard one).
    rlimit oldLimit{};
    const bool limited = options.addressSpaceLimit && getrlimit(RLIMIT_AS, &oldLimit) == 0;
    if (limited) {
        rlimit lower = oldLimit;
        lower.rlim_cur = static_cast<rlim_t>(*options.addressSpaceLimit);
        setrlimit(RLIMIT_AS, &lower);
    }
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    if (limited) setrlimit(RLIMIT_AS, &oldLimit);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        close(inPipe[1]);
        close(outPipe[0]);
        close(errPipe[0]);
        r.err = std::string("posix_spawn: ") + std::strerror(spawned);
        return r;
    }

    if (options.closeOutput) {
        close(outPipe[0]);
        outPipe[0] = -1;
    }
    // Standard input: written whole before anything is read (the inputs are small), then closed.
    for (std::size_t done = 0; done < options.input.size();) {
        const ssize_t n = write(inPipe[1], options.input.data() + done, options.input.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    close(inPipe[1]);
    if (options.whileRunning) options.whileRunning(pid);

    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + kProcessTimeout;
    bool interrupted = false;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open = outPipe[0] < 0 ? 1 : 2;
    while (open > 0) {
        const auto now = std::chrono::steady_clock::now();
        if (now > deadline) {
            r.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (options.interrupt && !interrupted && now - started >= *options.interrupt) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (poll(fds, 2, 10) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    return r;
}

} // namespace NuvixTest
