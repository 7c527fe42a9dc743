// The math area: pi, trigonometry, hyperbolics, exp and log, roots, rounding, sign, mod,
// bit logic, number/text conversion and time.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// The rows of the whole math area, in the order the standard table lists them.
std::span<const TBuiltin> MathFunctionTable();

} // namespace NuvixParser
