// Numeric built-ins: pi, trigonometry, hyperbolics, exp and log, roots, rounding, sign, mod.
#pragma once

#include <cmath>
#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// These work on the numeric reading of their arguments with the double-precision library
// routines; a value outside a routine's domain (log(0), arcsin(2)) gives the library's
// infinity or NaN, which flows on as a number. Only sqrt raises a script error.

class TPi final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 0; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override { return "Returns Pi."; }
};

class TSin final : public TNumericFunction {
public:
    TSin() : TNumericFunction([](double x) { return std::sin(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the sine of <a>."; }
};

class TCos final : public TNumericFunction {
public:
    TCos() : TNumericFunction([](double x) { return std::cos(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the cosine of <a>."; }
};

class TTan final : public TNumericFunction {
public:
    TTan() : TNumericFunction([](double x) { return std::tan(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the tangent of <a>."; }
};

class TSinh final : public TNumericFunction {
public:
    TSinh() : TNumericFunction([](double x) { return std::sinh(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the hyperbolic sine of <a>."; }
};

class TCosh final : public TNumericFunction {
public:
    TCosh() : TNumericFunction([](double x) { return std::cosh(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the hyperbolic cosine of <a>."; }
};

class TTanh final : public TNumericFunction {
public:
    TTanh() : TNumericFunction([](double x) { return std::tanh(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the hyperbolic tangent of <a>."; }
};

class TAsin final : public TNumericFunction {
public:
    TAsin() : TNumericFunction([](double x) { return std::asin(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the arc sine of <a>."; }
};

class TAcos final : public TNumericFunction {
public:
    TAcos() : TNumericFunction([](double x) { return std::acos(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the arc cosine of <a>."; }
};

class TAtan final : public TNumericFunction {
public:
    TAtan() : TNumericFunction([](double x) { return std::atan(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the arc tangent of <a>."; }
};

class TExpFunc final : public TNumericFunction {
public:
    TExpFunc() : TNumericFunction([](double x) { return std::exp(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns e raised to the <a>'th power."; }
    const char* SeeAlso() const override { return "log(a)"; }
};

class TLogFunc final : public TNumericFunction {
public:
    TLogFunc() : TNumericFunction([](double x) { return std::log(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the natural logarithm of <a>."; }
    const char* SeeAlso() const override { return "exp(a)"; }
};

class TSqrt final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override { return "Returns the square root of <a>."; }
};

class TAbsFunc final : public TNumericFunction {
public:
    TAbsFunc() : TNumericFunction([](double x) { return std::fabs(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override { return "Returns the absolute value of <a>."; }
};

class TFloor final : public TNumericFunction {
public:
    TFloor() : TNumericFunction([](double x) { return std::floor(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override {
        return "Rounds <a> down to the biggest integer that is less or equal <a>.";
    }
};

class TCeil final : public TNumericFunction {
public:
    TCeil() : TNumericFunction([](double x) { return std::ceil(x); }) {}
    int ArgumentCount() const override { return 1; }
    const char* Description() const override {
        return "Rounds <a> up to the smallest integer that is greater or equal <a>.";
    }
};

class TSigFunc final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override {
        return "Returns the sign of <a>. If <a> is negative, sig(a) returns -1. If <a> is positive sig(a) "
               "return 1 and otherwise 0.";
    }
};

class TModFunc final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override { return "Returns <a> modulo <b>."; }
};

// The registration table of the whole math area: this file's functions together with the
// logic, conversion and time functions, in the order the standard table lists them.
std::span<const TFunctionTableEntry> MathFunctionTable();

} // namespace NuvixParser
