// TReturnValue: the value of every evaluation, a number or an 8-bit text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/conversions.h"

namespace NuvixParser {

class TReturnValue {
public:
    std::string text;
    double number = 0;
    bool isString = false;

    TReturnValue() = default;
    explicit TReturnValue(double v) : number(v) {}

    double SetNumber(double v) {
        number = v;
        isString = false;
        if (!text.empty()) text.clear(); // keeps the capacity for the next text
        return v;
    }
    // The number is left as it was. Out of line: copying a text inline would make every
    // caller save registers even on its number path.
    [[gnu::noinline]] void SetString(std::string_view s) {
        text.assign(s.data(), s.size());
        isString = true;
    }
    void SetString(std::string&& s) {
        text = std::move(s);
        isString = true;
    }
    void SetString(const char* s) { SetString(std::string_view(s)); }
    void SetString(const std::string& s) { SetString(std::string_view(s)); }

    // Numeric reading: a text is read by the strtod rule (no number gives 0).
    double GetNumber() const { return isString ? TextToNumber(text) : number; }
    // Integer reading: truncated toward zero, low 32 bits, NaN/INF/out of range give 0.
    std::int32_t GetInt() const { return DoubleToInt32(GetNumber()); }
    // Truth: the integer reading is nonzero (so 0.5 is false and 2^32 is false).
    bool IsTrue() const { return GetInt() != 0; }
    // Text reading: the text itself, or the number in %.15g style.
    std::string ToString() const { return isString ? text : FormatNumber(number); }
};

} // namespace NuvixParser
