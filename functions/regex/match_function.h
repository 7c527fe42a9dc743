// The script function match: the first part of a text that matches a TRegexp pattern.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

std::span<const TBuiltin> RegexFunctionTable();

} // namespace NuvixParser
