// varnexcalc-cli's interactive session: the time from starting the program on a terminal
// to its first prompt, which should stay below 20 ms, with a full history to load.
#include <benchmark/benchmark.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A home of its own with a history of 1000 entries, the most the session keeps.
fs::path MakeHome() {
    std::string pattern = (fs::temp_directory_path() / "varnex-startup-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    const fs::path home = pattern;
    fs::create_directories(home / ".local/state/varnexcalc");
    std::ofstream history(home / ".local/state/varnexcalc/history");
    history << "_HiStOrY_V2_\n";
    for (int i = 0; i < 1000; ++i) history << "x" << i << "=sin(" << i << ")*2\n";
    return home;
}

// Starts the runner on a new terminal and returns when it has shown "> ".
void BM_CliStartupToFirstPrompt(benchmark::State& state) {
    const fs::path home = MakeHome();
    const std::string homeEntry = "HOME=" + home.string();
    for (auto _ : state) {
        int master = -1;
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 80;
        const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
        if (pid == 0) {
            ::setenv("TERM", "xterm", 1);
            ::unsetenv("XDG_STATE_HOME");
            ::putenv(const_cast<char*>(homeEntry.c_str()));
            ::execl(VARNEX_CLI_PATH, VARNEX_CLI_PATH, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::string screen;
        while (screen.find("> ") == std::string::npos) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) {
                state.SkipWithError("no prompt within 5 s");
                break;
            }
            char buffer[512];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) {
                state.SkipWithError("the runner ended before its prompt");
                break;
            }
            screen.append(buffer, static_cast<std::size_t>(n));
        }
        state.PauseTiming();
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(master);
        state.ResumeTiming();
    }
    std::error_code ec;
    fs::remove_all(home, ec);
}
BENCHMARK(BM_CliStartupToFirstPrompt)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
