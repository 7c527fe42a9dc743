// Conversions between numbers, texts and hexadecimal text: number, string, dez2hex, hex2dez.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/function.h"

namespace NuvixParser {

class TNumber final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* Description() const override { return "Forces <a> to be evaluated as a number."; }
    const char* Example() const override { return "number('1')+number('2')"; }
    const char* ExampleExplanation() const override { return "This returns 3."; }
    const char* SeeAlso() const override { return "string(s)"; }
};

// Evaluates its argument straight into the caller's result and turns a number into its
// text there, so no argument slot is read after a nested call could have swapped it.
class TString final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "s"; }
    const char* Description() const override { return "Forces <s> to be evaluated as a string."; }
    const char* Example() const override { return "string(1)+string(2)"; }
    const char* ExampleExplanation() const override { return "This returns the string '12'."; }
    const char* SeeAlso() const override { return "number(a)"; }
};

// The integer reading as an unsigned 32-bit pattern in upper-case hexadecimal: -1 gives
// FFFFFFFF. Like string, it works in the caller's result.
class TDezHex final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* Description() const override { return "Converts <a> into an hexadecimal representation."; }
    const char* Example() const override { return "dez2hex(10)"; }
    const char* ExampleExplanation() const override { return "This returns 'A'."; }
    const char* SeeAlso() const override { return "hex2dez(s)"; }
};

// Only a text is accepted; a number is the error "HexDez: String expected".
class THexDez final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "s"; }
    const char* Description() const override { return "Converts the hexadecimal string <s> into decimal."; }
    const char* Example() const override { return "hex2dez('a')"; }
    const char* ExampleExplanation() const override { return "This returns 10."; }
    const char* SeeAlso() const override { return "dez2hex(a)"; }
};

// Reads hexadecimal text the way scanf's "%X" does: white space skipped, an optional sign
// and an optional 0x prefix, digits of either case up to the first non-digit. Digits beyond
// 32 bits wrap (only the low 32 bits are kept); text without digits gives 0.
std::uint32_t ReadHex32(std::string_view text);

} // namespace NuvixParser
