// Stack-space checks: per-thread limit address computed from the thread's stack bounds.
#include "engine/stack_guard.h"

#include <pthread.h>

namespace NuvixParser {
namespace detail {

thread_local constinit const char* tlsStackLimit = nullptr;

namespace {

// What must stay free below the limit: the deepest stretch of code between two checks
// (a built-in function's own work, the C library, a signal handler). Small stacks keep
// 256 KiB, large ones 4 MiB.
std::size_t MarginFor(std::size_t size) {
    return size >= (std::size_t{64} << 20) ? (std::size_t{4} << 20) : (std::size_t{256} << 10);
}

} // namespace

const char* InitStackLimit() {
    pthread_attr_t attr;
    void* lowest = nullptr;
    std::size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstack(&attr, &lowest, &size);
        pthread_attr_destroy(&attr);
    }
    if (!lowest || size == 0) {
        // Unknown bounds: assume a small stack below the current frame.
        const char* here = static_cast<const char*>(__builtin_frame_address(0));
        tlsStackLimit = here - (std::size_t{1} << 20);
        return tlsStackLimit;
    }
    SetThreadStack(lowest, size);
    return tlsStackLimit;
}

} // namespace detail

void SetThreadStack(const void* lowest, std::size_t size) {
    std::size_t margin = detail::MarginFor(size);
    if (margin > size / 2) margin = size / 2;
    detail::tlsStackLimit = static_cast<const char*>(lowest) + margin;
}

} // namespace NuvixParser
