// The standard function library: the tables of every function area, as one table and as a
// shared registry.
#pragma once

#include <memory>
#include <span>

#include "engine/function_registry.h"

namespace NuvixParser {

// The tables of the function areas joined, in help order.
std::span<const TBuiltin> StandardFunctionTable();
// A registry of the standard functions, built once and shared.
std::shared_ptr<const TFunctionRegistry> StandardRegistry();

} // namespace NuvixParser
