// Bit logic on 32-bit integers (and, or, xor, shl, shr) and the logical not.
#pragma once

#include "engine/function.h"

namespace NuvixParser {

// and, or, xor, shl and shr work on the integer readings of their arguments (truncated
// toward zero, low 32 bits) and return the 32-bit result read as signed. Shift counts use
// their low five bits only, so shl(1;33) is 2.

class TLogAnd final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override {
        return "Performs a logical 'and' between <a> and <b> and returns the result.";
    }
};

class TLogOr final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override {
        return "Performs a logical 'or' between <a> and <b> and returns the result.";
    }
};

class TLogXor final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override {
        return "Performs a logical 'xor' between <a> and <b> and returns the result.";
    }
};

class TLogShl final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override { return "Shifts <a> logically left by <b> bits."; }
};

// A logical shift: zeros enter at the top, so shr(-1;28) is 15.
class TLogShr final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override { return "Shifts <a> logically right by <b> bits."; }
};

// Compares the numeric reading with 0, so not(0.5) is 0 and NaN counts as non-zero.
class TNot final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override {
        return "Logically inverts <a>: If <a> is zero, 1 is returned, otherwise 0 is returned.";
    }
};

} // namespace NuvixParser
