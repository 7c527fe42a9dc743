// The programs execute has running, so that they end whenever the calculator ends.
#include "functions/files/child_processes.h"

#include <array>
#include <atomic>
#include <csignal>

namespace NuvixParser {
namespace {

// One slot per program running at once: each calculation thread runs at most one, and a
// calculator has few threads. A program that finds no free slot still runs; it is then
// only ended by its own PR_SET_PDEATHSIG.
constexpr std::size_t kSlots = 64;
std::array<std::atomic<pid_t>, kSlots> gRunning{};

static_assert(std::atomic<pid_t>::is_always_lock_free, "EndChildProcesses must be async-signal-safe");

} // namespace

void RegisterChildProcess(pid_t pid) {
    for (auto& slot : gRunning) {
        pid_t none = 0;
        if (slot.compare_exchange_strong(none, pid)) return;
    }
}

void UnregisterChildProcess(pid_t pid) {
    for (auto& slot : gRunning) {
        pid_t mine = pid;
        if (slot.compare_exchange_strong(mine, 0)) return;
    }
}

void EndChildProcesses() {
    for (auto& slot : gRunning) {
        const pid_t pid = slot.load();
        if (pid <= 0) continue;
        ::kill(-pid, SIGKILL); // the group: what the program started
        ::kill(pid, SIGKILL);  // the program, should it have left its group
    }
}

} // namespace NuvixParser
