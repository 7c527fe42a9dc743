// String functions: number formatting, slicing, searching, joining, character codes, comparison.
#pragma once

#include <cstddef>
#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// Longest text str and strzero produce; a wider field or more decimals is their error.
constexpr std::size_t kMaxFormattedLength = 1000000;

std::span<const TBuiltin> StringFunctionTable();

} // namespace NuvixParser
