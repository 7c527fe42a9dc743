// Reading hexadecimal text, as hex2dez does.
#pragma once

#include <cstdint>
#include <string_view>

namespace NuvixParser {

// Reads hexadecimal text the way scanf's "%X" does: white space skipped, an optional sign
// and an optional 0x prefix, digits of either case up to the first non-digit. Digits beyond
// 32 bits wrap (only the low 32 bits are kept); text without digits gives 0.
std::uint32_t ReadHex32(std::string_view text);

} // namespace NuvixParser
