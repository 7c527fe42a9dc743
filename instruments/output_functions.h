// Text output: print, println and cleartext, which write to the text output window of the run.
#pragma once

#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// The three keep the default Evaluate: Compute runs only when the argument was evaluated
// without an error, so nothing is written for a failed argument. A run without a text
// output window writes nothing, and the three still return 1.

class TPrint final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "s"; }
    const char* Description() const override {
        return "This writes the string <s> to the text output window.";
    }
    const char* Example() const override { return "a=5,print('Number '),println(a)"; }
    const char* ExampleExplanation() const override {
        return "This writes the string 'Number 5' to the output window.";
    }
    const char* SeeAlso() const override { return "println(s),clear()"; }
};

class TPrintln final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "s"; }
    const char* Description() const override {
        return "This writes the string <s> to the text output window and appends a newline.";
    }
    const char* Example() const override { return "for(i=0;i<10;i+=1;println(i^2))"; }
    const char* ExampleExplanation() const override {
        return "This prints the squares of 0..9 in the output window.";
    }
    const char* SeeAlso() const override { return "print(s),clear()"; }
};

class TClearText final : public TFunction {
public:
    int ArgumentCount() const override { return 0; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return ""; }
    const char* Description() const override { return "This erases the text output window."; }
    const char* Example() const override { return "cleartext(),\nprintln('hello')"; }
    const char* ExampleExplanation() const override {
        return "This clears the text output window and prints 'hello'.";
    }
    const char* SeeAlso() const override { return "println(),print()"; }
};

std::span<const TFunctionTableEntry> OutputFunctionTable();

} // namespace NuvixParser
