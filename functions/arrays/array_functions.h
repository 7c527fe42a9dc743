// Whole-array functions: length, clear, append, arraycopy, sort, scroll; the area's table.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// Arguments written arr[] are worked on in place through their bound array entry and are
// not evaluated (length alone evaluates its argument, to tell a text from an array). An
// arr[] whose name belongs to a scalar sets the error flag without a message.

// The registration table of the array area: these functions and the statistics, in the
// order the standard table lists them.
std::span<const TBuiltin> ArrayFunctionTable();

} // namespace NuvixParser
