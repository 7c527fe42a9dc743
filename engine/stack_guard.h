// Stack-space checks that turn runaway recursion into an error instead of a crash.
#pragma once

#include <cstddef>

namespace NuvixParser {

// Thrown by evaluation when the thread's stack is nearly used up; TParser::Calculate
// catches it and ends the run with the result text "Stack Overflow". Everything on the
// way up unwinds normally (user function frames are popped by their guards).
struct TStackOverflow {};

namespace detail {
extern thread_local const char* tlsStackLimit;
const char* InitStackLimit();
[[noreturn]] void ThrowStackOverflow();
} // namespace detail

// True when less than the safety margin of the current thread's stack is left.
inline bool StackLow() {
    const char* limit = detail::tlsStackLimit;
    if (!limit) limit = detail::InitStackLimit();
    return static_cast<const char*>(__builtin_frame_address(0)) < limit;
}

// Called at every level of evaluation that can recurse without bound.
inline void CheckStack() {
    if (__builtin_expect(StackLow(), false)) detail::ThrowStackOverflow();
}

// For threads that know their stack: records its lowest address and size.
void SetThreadStack(const void* lowest, std::size_t size);

} // namespace NuvixParser
