// The end-signal watcher shared by the runner and the desktop calculator.
#include "functions/files/end_signals.h"

#include <pthread.h>

#include <cstdlib>
#include <thread>

#include "functions/files/child_processes.h"

namespace NuvixParser {

sigset_t EndSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, sig);
    return set;
}

void BlockEndSignals() {
    const sigset_t set = EndSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// The programs run in process groups of their own, which the signal that ends ours does
// not reach: they are ended here first. Nothing of this runs in a signal handler.
void WatchEndSignals(std::function<bool(int sig)> handle) {
    std::thread([handle = std::move(handle)] {
        const sigset_t set = EndSignals();
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) != 0) continue;
            if (handle && handle(sig)) continue;
            EndChildProcesses();
            std::signal(sig, SIG_DFL);
            sigset_t only;
            sigemptyset(&only);
            sigaddset(&only, sig);
            pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
            raise(sig);
            std::_Exit(128 + sig);
        }
    }).detach();
}

namespace {

// Only async-signal-safe calls: EndChildProcesses reads atomics and calls kill. The
// handler is reset on entry and the signal not held back, so raising it again ends the
// process by it.
void EndBySignal(int sig) {
    EndChildProcesses();
    raise(sig);
}

} // namespace

void EndChildProcessesOnEndSignals() {
    struct sigaction action {};
    action.sa_handler = EndBySignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &action, nullptr);
}

} // namespace NuvixParser
