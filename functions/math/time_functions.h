// The random generator, the millisecond clock and the wait: random, gettime, sleep.
#pragma once

#include "engine/function.h"

namespace NuvixParser {

// A linear congruential generator with one seed per thread, starting at 1 and never
// reseeded: every program run gives the same sequence, continued from one calculation to
// the next on the calculation thread. Results are k/32767 for k in 0..32767, 1 included.
class TRandom final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 0; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override { return "Returns a random number in the range from 0 to 1."; }
};

// Milliseconds since program start from a monotonic clock, modulo 2^32.
class TCurTime final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 0; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override {
        return "Returns the number of milliseconds since the calculator has been started.";
    }
};

// Waits on the run's break event rather than sleeping blindly, so a break ends a long
// wait at once and the run with the break error. A negative time does not wait at all.
// Returns 1.
class TSleep final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override { return "Holds execution <a> milliseconds."; }
};

} // namespace NuvixParser
