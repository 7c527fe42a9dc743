// Whole-array functions: length, clear, append, arraycopy, sort, scroll; the area's table.
#pragma once

#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// Arguments written arr[] are worked on in place through their bound array entry and are
// not evaluated (length alone evaluates its argument, to tell a text from an array). An
// arr[] whose name belongs to a scalar sets the error flag without a message.

// The byte count of a text, or the element count of an array argument.
class TLength final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "a or arr[]"; }
    const char* Description() const override {
        return "Returns the length of the string <a> or the number of elements of <arr[]>.";
    }
    const char* Example() const override { return "length(string(1000))"; }
    const char* ExampleExplanation() const override {
        return "This returns 4 (i.e. the length of the string '1000').";
    }
};

// Length 0 and the storage released. Returns 1.
class TClear final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[]"; }
    const char* Description() const override { return "This clears <arr[]> (sets its length to 0)."; }
};

// A second argument written b[] appends that whole array (a[] itself doubles); anything
// else is evaluated and its numeric reading appended. Returns the new length.
class TAppend final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "a[];b[] or a[];b"; }
    const char* Description() const override {
        return "Appends the array <b[]> or the value <b> to <a[]> and returns the new length of <a[]>.";
    }
    const char* Example() const override { return "a[0]=1,\nappend(a[];2),\nappend(a[];a[])"; }
    const char* ExampleExplanation() const override {
        return "This returns 4 (i.e. a[] then holds the elements 1, 2, 1, 2).";
    }
    const char* SeeAlso() const override { return "arraycopy(target[],src[],start,count)"; }
};

// target[] becomes src[start .. start+count-1], cut at the end of src[]; a negative start
// counts as 0. The result is the number of copied elements when something was copied,
// otherwise min(length(src[]) - start, count): 0, or negative when start lies beyond the
// end or count is negative (target[] is then empty). target[] and src[] may be one array.
class TArrayCopy final : public TFunction {
public:
    int ArgumentCount() const override { return 4; }
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "target[];src[];start;count"; }
    const char* Description() const override {
        return "Copies <count> elements of <src[]>, starting at element <start>, into <target[]>. Returns "
               "the "
               "number of copied elements.";
    }
    const char* SeeAlso() const override { return "append(arr1[];arr2[])"; }
};

// b[] receives the indices of a[] in ascending order of value; equal values keep their
// index order and NaN values come last. b[] may be a[] itself. Returns length(a[]).
class TSort final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "a[];b[]"; }
    const char* Description() const override {
        return "Leaves <a[]> unchanged and returns in <b[]> the indices of <a[]> in ascending order of "
               "value. "
               "Returns the number of elements.";
    }
    const char* Example() const override {
        return "for(i=0;i<100;i+=1;a[i]=random()),\nsort(a[];b[]),\nprint('Maximum: "
               "'),\nprintln(a[b[length(b[])"
               "-1]]),\nprint('Minimum: '),\nprintln(a[b[0]])";
    }
    const char* ExampleExplanation() const override {
        return "This prints the largest and the smallest of 100 random numbers to the output window.";
    }
};

// A window of the last `length` values: below that length the array grows by one, at or
// above it the oldest elements are dropped. The length is truncated toward zero first; a
// length below 1 (negative and NaN included) leaves an empty array. Returns the new length,
// or -1 when the name belongs to a scalar (no error).
class TScroll final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[];value;length"; }
    const char* Description() const override {
        return "Appends <value> to <arr[]> and drops elements at the front so that <arr[]> keeps <length> "
               "elements.";
    }
};

// The registration table of the array area: these functions and the statistics, in the
// order the standard table lists them.
std::span<const TFunctionTableEntry> ArrayFunctionTable();

} // namespace NuvixParser
