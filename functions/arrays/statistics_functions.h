// Statistics of whole arrays: mean, stddev, arraymin, arraymax, seekmin, seekmax.
#pragma once

#include "engine/function.h"

namespace NuvixParser {

// Each takes one argument written arr[] and reads the bound array's element block in one
// pass, without evaluating the argument. A non-array argument is a script error; an arr[]
// whose name belongs to a scalar sets the error flag without a message.

class TMean final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[]"; }
    const char* Description() const override {
        return "Returns the arithmetic mean value of arr[] or zero if length(arr[]) is zero.";
    }
    const char* SeeAlso() const override { return "stddev(arr[])"; }
};

// The root mean square around zero, not the spread around the mean; NaN for an empty array.
class TStdDev final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[]"; }
    const char* Description() const override {
        return "Returns the root mean square deviation of <arr[]> from zero.";
    }
    const char* SeeAlso() const override { return "mean(arr[])"; }
};

// +INF for an empty array; NaN elements are skipped. The only one of the six that tells a
// non-variable argument from a scalar variable.
class TArrMin final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[]"; }
    const char* Description() const override { return "Returns the minimum value in <arr[]>."; }
};

// -INF for an empty array; NaN elements are skipped.
class TArrMax final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[]"; }
    const char* Description() const override { return "Returns the maximum value in <arr[]>."; }
};

// The first index of the smallest value, 0 for an empty array. Unlike the other three it
// takes a NaN element, and then the element after it whatever its value.
class TSeekMin final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[]"; }
    const char* Description() const override {
        return "Returns the position of the minimum value in <arr[]>.";
    }
    const char* SeeAlso() const override { return "seekmax(arr[])"; }
};

// The first index of the largest value, 0 for an empty array; NaN elements are skipped.
class TSeekMax final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[]"; }
    const char* Description() const override {
        return "Returns the position of the maximum value in <arr[]>.";
    }
    const char* SeeAlso() const override { return "seekmin(arr[])"; }
};

} // namespace NuvixParser
