// The script function match: the first part of a text that matches a TRegexp pattern.
#pragma once

#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// A pattern that fails to compile, like one that is not found, gives the empty string.
class TMatch final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "s;pat"; }
    const char* Description() const override;
    const char* Example() const override { return "match('The length is 120 km and more';'[0-9]+\\s*km')"; }
    const char* ExampleExplanation() const override { return "This returns '120 km'."; }
};

std::span<const TFunctionTableEntry> RegexFunctionTable();

} // namespace NuvixParser
