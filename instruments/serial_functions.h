// Serial ports: commopen, commclose, commwrite, commreadln, commread, commlineterm,
// commreadbin and commwritebin, over the port table of the run's calculator.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// Port numbers and counts are truncated toward zero. Bad arguments (port numbers, a port
// not open, counts, non-arrays) are script errors; a device that fails is a result, not an
// error. A run without a port table (no calculator) can open no port.

std::span<const TBuiltin> SerialFunctionTable();

} // namespace NuvixParser
