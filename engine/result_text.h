// The text of a panel's result line after a run, in the panel's radix.
#pragma once

#include <string>

namespace NuvixParser {

class TCalcInfo;
class TReturnValue;

enum class TRadix { Decimal, Hexadecimal, Binary };

// "Error: " + message after a failed run; a text, or any value in Decimal, as its text
// reading; otherwise the 32-bit two's-complement pattern of the truncated number
// (upper-case hexadecimal or binary, no prefix, no leading zeros), or
// "Number too large, display in decimal mode" outside the 32-bit range or for NaN.
std::string ResultLineText(const TReturnValue& value, const TCalcInfo& ci, TRadix radix);

} // namespace NuvixParser
