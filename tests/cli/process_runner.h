// Runs varnexcalc-cli as a child process for the end-to-end tests: arguments, standard
// input, an optional Ctrl+C after a delay, and both output streams collected.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace NuvixTest {

struct TProcessResult {
    int exitCode = -1; // -1 when the process did not exit normally
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct TRunOptions {
    std::string input;                                  // standard input
    std::optional<std::chrono::milliseconds> interrupt; // send SIGINT this long after the start
    std::optional<std::string> outputFile; // standard output goes to this file instead (out stays empty)
    bool closeOutput = false;     // the reader of standard output quits at once, before reading
    bool ignoreBrokenPipe = false; // the runner starts with SIGPIPE ignored, as some parents leave it
    // Called with the runner's id once it started (and its input was written), before its
    // output is read; for sending it signals at chosen moments. Its output must fit the
    // pipes meanwhile.
    std::function<void(pid_t)> whileRunning;
    // The runner's address space limit in bytes (`ulimit -v`), none when unset.
    std::optional<unsigned long long> addressSpaceLimit;
    // Another copy of the runner to run instead of the build's.
    std::optional<std::string> program;
    // Changes to the runner's environment, which is otherwise this process's: "NAME=VALUE"
    // sets a variable, "NAME" alone removes it.
    std::vector<std::string> environment;
};

// Runs varnexcalc-cli with the given arguments. A run that hangs is killed after a
// generous limit (timedOut), which only guards against hangs.
TProcessResult RunCli(const std::vector<std::string>& cliArgs, const TRunOptions& options = {});

} // namespace NuvixTest
