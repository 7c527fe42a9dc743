// Stack-space checks that turn runaway recursion into an error instead of a crash.
#pragma once

#include <cstddef>

#include "engine/calc_info.h"

namespace NuvixParser {

namespace detail {
// constinit: statically initialised, so reading it needs no call of a TLS init wrapper.
extern thread_local constinit const char* tlsStackLimit;
const char* InitStackLimit();

// The current stack pointer. Read directly where we can: __builtin_frame_address would
// make every checking function set up a frame pointer.
inline const char* StackPointer() {
#if defined(__x86_64__)
    const char* sp;
    asm("mov %%rsp, %0" : "=r"(sp));
    return sp;
#elif defined(__aarch64__)
    const char* sp;
    asm("mov %0, sp" : "=r"(sp));
    return sp;
#else
    return static_cast<const char*>(__builtin_frame_address(0));
#endif
}
} // namespace detail

// True when less than the safety margin of the current thread's stack is left.
inline bool StackLow() {
    const char* limit = detail::tlsStackLimit;
    if (!limit) [[unlikely]]
        limit = detail::InitStackLimit();
    return detail::StackPointer() < limit;
}

// Called at every level of evaluation that can recurse without bound. When the stack is
// nearly used up it marks the run as overflowed (an error flag that every node already
// obeys, so the evaluation returns normally, popping every user function frame on the
// way); TParser::Calculate turns that into the result text "Stack Overflow".
inline bool StackExhausted(TCalcInfo& ci) {
    if (__builtin_expect(!StackLow(), true)) return false;
    ci.SetStackOverflow();
    return true;
}

// For threads that know their stack: records its lowest address and size.
void SetThreadStack(const void* lowest, std::size_t size);

} // namespace NuvixParser
