// TSigpipeBlock: blocking SIGPIPE and taking a pending one off the thread again.
#include "functions/files/sigpipe_block.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace NuvixParser {

TSigpipeBlock::TSigpipeBlock() {
    sigemptyset(&pipeSet_);
    sigaddset(&pipeSet_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet_, &oldMask_);
    sigset_t pending;
    wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

TSigpipeBlock::~TSigpipeBlock() {
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

} // namespace NuvixParser
