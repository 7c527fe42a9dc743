// Control-flow functions: branches, loops, the variable test and the help entry of define.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

std::span<const TBuiltin> ControlFunctionTable();

} // namespace NuvixParser
