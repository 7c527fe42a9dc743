// The programs execute has running, so that they end whenever the calculator ends.
#pragma once

#include <sys/types.h>

namespace NuvixParser {

// A program runs in a process group of its own (see RunProcess), so a signal that ends
// the calculator's group, from a terminal or from `timeout`, does not reach it. Whoever
// ends the calculator (the runner on a second Ctrl+C, SIGTERM, SIGHUP or SIGQUIT, or at
// exit) calls EndChildProcesses first, so no program is left running with parent 1.
//
// Register and Unregister are called by the thread that runs the program;
// EndChildProcesses may be called from any thread, also from a signal handler: it only
// reads lock-free atomics and calls kill.
void RegisterChildProcess(pid_t pid);
void UnregisterChildProcess(pid_t pid);
// SIGKILL to every registered program and its group. The programs are not reaped: the
// calculator is about to end.
void EndChildProcesses();

} // namespace NuvixParser
