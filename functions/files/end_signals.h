// The signals that end the calculator, taken by a thread of their own so that the programs
// execute started end with it.
#pragma once

#include <csignal>
#include <functional>

namespace NuvixParser {

// SIGINT, SIGTERM, SIGHUP and SIGQUIT.
sigset_t EndSignals();

// Blocks the end signals in the calling thread. Called before any other thread starts,
// so that every thread inherits the mask and only the watcher's sigwait sees them.
void BlockEndSignals();

// Starts the thread that waits for the end signals. `handle` (may be empty) is asked
// first, on the watcher's thread: true when it dealt with the signal (the runner's first
// Ctrl+C breaks the run). Otherwise the programs execute has running are ended and the
// process ends the way the signal ends a program, so the parent sees which one it was.
void WatchEndSignals(std::function<bool(int sig)> handle);

// For a program that leaves the signal mask alone (the desktop calculator, whose other
// children must not inherit blocked signals): a handler of the end signals that ends the
// programs execute has running, then lets the signal end the process as it would have.
void EndChildProcessesOnEndSignals();

} // namespace NuvixParser
