// Result-line formatting shared by the main window and the command-line runner.
#include "engine/result_text.h"

#include <cmath>
#include <cstdint>

#include "engine/calc_info.h"
#include "engine/conversions.h"
#include "engine/return_value.h"

namespace NuvixParser {

std::string ResultLineText(const TReturnValue& value, const TCalcInfo& ci, TRadix radix) {
    if (ci.error) return "Error: " + ci.errorMessage;
    if (value.isString || radix == TRadix::Decimal) return value.ToString();
    const double x = value.number;
    if (std::isnan(x) || x > 2147483647.0 || x < -2147483648.0)
        return "Number too large, display in decimal mode";
    const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(x));
    return radix == TRadix::Hexadecimal ? FormatHex32(bits) : FormatBinary32(bits);
}

} // namespace NuvixParser
