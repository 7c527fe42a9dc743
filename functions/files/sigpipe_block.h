// TSigpipeBlock: SIGPIPE held off the calling thread while it writes to a pipe or device.
#pragma once

#include <csignal>

namespace NuvixParser {

// SIGPIPE, blocked in the calling thread for the lifetime of this object.
//
// Writing to a pipe whose reader has exited raises SIGPIPE in the writing thread, and its
// default action ends the whole calculator. Ignoring it process-wide (SIG_IGN) would
// change the behaviour of the host program for good: the command-line runner, for one,
// is expected to die quietly when its own output pipe closes (`varnexcalc-cli f | head`).
// So the signal is only blocked in this thread while it writes: the write fails
// with EPIPE instead, the signal stays pending, and it is taken off the thread again with
// a zero-timeout sigtimedwait before the old mask comes back. One that was pending before
// we started is not ours and is left alone.
class TSigpipeBlock {
public:
    TSigpipeBlock();
    ~TSigpipeBlock();
    TSigpipeBlock(const TSigpipeBlock&) = delete;
    TSigpipeBlock& operator=(const TSigpipeBlock&) = delete;

private:
    sigset_t pipeSet_;
    sigset_t oldMask_;
    bool wasPending_ = false;
};

} // namespace NuvixParser
