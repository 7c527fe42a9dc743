// The control functions of the GPIB driver double, for the tests that load it.
#pragma once

#include <cstddef>

extern "C" {
// Forgets the calls and the script; descriptors start again at 16.
void GpibDoubleReset();
// The answer to the next call not yet answered: its return value, the status it leaves
// and, for ibrd, the bytes it delivers (as many as the caller's count allows). Calls
// without a scripted answer succeed (CMPL; ibdev gives 16, 17, ...; ibwrt counts every
// byte; ibrd delivers nothing, with END).
void GpibDoubleScript(int result, int sta, int err, long cntl, const char* bytes, long size);
int GpibDoubleCallCount();
// Call i as "name(arg,...)", bytes written as a quoted text with \xHH escapes.
const char* GpibDoubleCall(int i);
// The hash of the std::thread::id that made call i.
std::size_t GpibDoubleCallThread(int i);
}
