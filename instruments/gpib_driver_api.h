// The C interface of a GPIB driver library as this program calls it, resolved by name at
// run time: no driver header is included and no driver is linked.
#pragma once

// The entry points of NI-488.2 and of the Linux GPIB package agree on these: descriptors
// and status words are ints, counts longs. The vendor library returns its status words and
// counts as unsigned long; read through these declarations its results keep their low
// bits, where every status bit and every count this program passes lies.
extern "C" {
using TGpibConfigFn = int (*)(int ud, int option, int value);
using TGpibDevFn = int (*)(int board, int pad, int sad, int tmo, int eot, int eos);
using TGpibOnlineFn = int (*)(int ud, int online);
using TGpibWriteFn = int (*)(int ud, const void* buffer, long count);
using TGpibReadFn = int (*)(int ud, void* buffer, long count);
using TGpibTimeoutFn = int (*)(int ud, int code);
// ThreadIbsta, ThreadIberr (Linux GPIB), Ibsta, Iberr (vendor library).
using TGpibIntStatusFn = int (*)();
// ThreadIbcntl, Ibcntl (Linux GPIB); ThreadIbcnt, Ibcnt (vendor library, the full count).
using TGpibLongStatusFn = long (*)();
}

namespace NuvixParser {

// Status bits and driver values this program uses (the same in both libraries).
inline constexpr int kGpibErr = 0x8000;  // the call failed
inline constexpr int kGpibTimo = 0x4000; // the call timed out
inline constexpr int kGpibEnd = 0x2000;  // the read ended with EOI
inline constexpr int kGpibCmpl = 0x0100; // the I/O completed
inline constexpr int kGpibTimeoutOption = 3;  // IbcTMO
inline constexpr int kGpibAutoPollOption = 7; // IbcAUTOPOLL
inline constexpr int kGpibT3s = 12;           // time-out code of 3 s

// iberr codes.
inline constexpr int kGpibEdvr = 0; // driver (or, for us, driver library) error
inline constexpr int kGpibEnol = 2; // no listener on the bus
inline constexpr int kGpibEarg = 4; // an argument is out of range
inline constexpr int kGpibEabo = 6; // I/O aborted (time-out)
inline constexpr int kGpibEneb = 7; // no such board

} // namespace NuvixParser
