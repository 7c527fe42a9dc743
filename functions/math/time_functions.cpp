// The random generator, the millisecond clock and the breakable wait.
#include "functions/math/time_functions.h"

#include <chrono>
#include <cstdint>

#include "engine/calc_info.h"

namespace NuvixParser {
namespace {

using TClock = std::chrono::steady_clock;

// Taken during static initialisation, before any calculation can ask for the time.
const TClock::time_point kProgramStart = TClock::now();

// Only the calculation thread's seed is ever used by a run; a seed per thread keeps runs
// on other threads (tests, a second calculator) from disturbing its sequence.
thread_local std::uint32_t tlsRandomSeed = 1;

} // namespace

long double TRandom::Compute(TCalcInfo&) {
    tlsRandomSeed = tlsRandomSeed * 22695477u + 1u; // unsigned: wraps modulo 2^32
    const std::uint32_t r = (tlsRandomSeed >> 16) & 0x7FFFu;
    return static_cast<double>(r) / 32767.0;
}

long double TCurTime::Compute(TCalcInfo&) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - kProgramStart);
    // The count wraps like a 32-bit tick counter, after about 49.7 days.
    return static_cast<std::uint32_t>(elapsed.count());
}

long double TSleep::Compute(TCalcInfo& ci) {
    const std::int32_t ms = Value(0).GetInt();
    // The break event is only ever set together with the break flag, so a wait that it
    // ends is a break: report it here, or a script that ends with the sleep would finish
    // normally although the user broke it off.
    if (ms > 0 && ci.BreakEvent().WaitFor(std::chrono::milliseconds(ms))) ci.SetBreaked();
    return 1;
}

} // namespace NuvixParser
