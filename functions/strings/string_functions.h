// String functions: number formatting, slicing, searching, joining, character codes, comparison.
#pragma once

#include <cstddef>
#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// Longest text str and strzero produce; a wider field or more decimals is their error.
constexpr std::size_t kMaxFormattedLength = 1000000;

// printf's "%*.*lg": right-aligned in minlen (left-aligned when negative), at most digits
// significant digits.
class TStr final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "a;minlen;digits"; }
    const char* Description() const override {
        return "Converts <a> into a string in general format that is at least <minlen> characters wide and "
               "has "
               "at most <digits> significant digits.";
    }
    const char* Example() const override { return "str(3.14159;8;3)"; }
    const char* ExampleExplanation() const override { return "This returns '    3.14'."; }
    const char* SeeAlso() const override { return "strzero(a;minlen;decimals)"; }
};

// printf's "%*.*lf" with every leading space turned into '0', so a negative number gets its
// zeros in front of the sign: strzero(-3.5;8;2) is '000-3.50'.
class TStrZero final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "a;minlen;decimals"; }
    const char* Description() const override {
        return "Converts <a> into a string in fixed format with <decimals> decimals that is padded to "
               "<minlen> "
               "characters with leading zeros.";
    }
    const char* Example() const override { return "strzero(10.6;8;4)"; }
    const char* ExampleExplanation() const override { return "This returns '010.6000'."; }
    const char* SeeAlso() const override { return "str(a;minlen;digits)"; }
};

// A start outside 0..length gives the empty string; a negative len reaches to the end.
class TSubStr final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "s;idx;len"; }
    const char* Description() const override {
        return "Returns the part of the string <s> that starts at position <idx> and is <len> characters "
               "long. "
               "The first position is 0.";
    }
    const char* Example() const override { return "substr('hugo';1;2)"; }
    const char* ExampleExplanation() const override { return "This returns 'ug'."; }
};

// The joined text ends at its first zero byte.
class TConcat final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "s1;s2"; }
    const char* Description() const override {
        return "Concatenates the strings <s1> and <s2> and returns the result.";
    }
    const char* Example() const override { return "println(concat('hey ';'you'))"; }
    const char* ExampleExplanation() const override { return "This writes 'hey you' to the output window."; }
};

class TFindStr final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "s;subs"; }
    const char* Description() const override {
        return "Finds the substring <subs> in <s> and returns the starting position of <subs> in <s>. The "
               "first "
               "position is 0. If the string is not found -1 is returned.";
    }
    const char* Example() const override { return "findstr('hugo';'ug')"; }
    const char* ExampleExplanation() const override { return "This returns 1."; }
};

class TAsc final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "s"; }
    const char* Description() const override {
        return "Returns the code (0 to 255) of the first character of the string <s>.";
    }
    const char* Example() const override { return "asc('x')"; }
    const char* ExampleExplanation() const override {
        return "The result is the ASCII code of 'x' which is 120.";
    }
    const char* SeeAlso() const override { return "chr(a)"; }
};

// The low 8 bits of the integer reading are the code; code 0 gives the empty string.
class TChr final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* Description() const override {
        return "Returns a string of one character with the code <a>.";
    }
    const char* Example() const override { return "commwrite(0;'test'+chr(13))"; }
    const char* ExampleExplanation() const override {
        return "This writes a string 'test' terminated by a carriage return to the first serial port.";
    }
    const char* SeeAlso() const override { return "asc(s)"; }
};

// Unsigned bytes: the difference at the first differing byte, else -1 or 1 for a prefix.
class TStrCmp final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "s1;s2"; }
    const char* Description() const override {
        return "Compares the strings <s1> and <s2> with regard to case. Returns a negative number if <s1> is "
               "less "
               "than <s2>, 0 if both are equal and a positive number if <s1> is greater than <s2>.";
    }
    const char* Example() const override { return "strcmp('alpha';'egon')"; }
    const char* ExampleExplanation() const override { return "This returns -4."; }
    const char* SeeAlso() const override { return "stricmp(s1;s2)"; }
};

// As zero-terminated strings with a-z upper-cased: stricmp('_';'a') is 95 - 65 = 30.
class TStrICmp final : public TNumericFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "s1;s2"; }
    const char* Description() const override {
        return "Compares the strings <s1> and <s2> without regard to case. Returns a negative number if <s1> "
               "is "
               "less than <s2>, 0 if both are equal and a positive number if <s1> is greater than <s2>.";
    }
    const char* Example() const override { return "stricmp('Alpha';'ALPHA')"; }
    const char* ExampleExplanation() const override { return "This returns 0."; }
    const char* SeeAlso() const override { return "strcmp(s1;s2)"; }
};

// The result is a signed byte: xorstr(chr(200)) is -56.
class TXorStr final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "s"; }
    const char* Description() const override {
        return "Performs a logical xor of all characters in the string <s> and returns the result.";
    }
};

std::span<const TFunctionTableEntry> StringFunctionTable();

} // namespace NuvixParser
