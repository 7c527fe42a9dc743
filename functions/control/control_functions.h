// Control-flow functions: branches, loops, the variable test and the help entry of define.
#pragma once

#include <span>

#include "engine/function_registry.h"

namespace NuvixParser {

std::span<const TFunctionTableEntry> ControlFunctionTable();

} // namespace NuvixParser
