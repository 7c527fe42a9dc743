// Text output: print, println and cleartext, and the process-wide text output window they write to.
#pragma once

#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

class TWindowTarget;

// The window that print, println and cleartext send to (see instruments/output_messages.h).
// One for the whole process, set by the application or the runner before any run and left
// alone while a run is active; with none set the three functions do nothing and return 1.
void SetOutputWindow(TWindowTarget* window);
TWindowTarget* OutputWindow();

// The three keep the default Evaluate: Compute runs only when the argument was evaluated
// without an error, so nothing is written for a failed argument.

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
    const char* Example() const override { return "clear(),\nprintln('hello')"; }
    const char* ExampleExplanation() const override {
        return "This clears the text output window and prints 'hello'.";
    }
    const char* SeeAlso() const override { return "println(),print()"; }
};

std::span<const TFunctionTableEntry> OutputFunctionTable();

} // namespace NuvixParser
