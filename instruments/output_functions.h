// Text output: print, println and cleartext, which write to the text output window of the run.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// The three are eager rows: their step runs only when the argument was evaluated without
// an error, so nothing is written for a failed argument. A run without a text
// output window writes nothing, and the three still return 1.

std::span<const TBuiltin> OutputFunctionTable();

} // namespace NuvixParser
