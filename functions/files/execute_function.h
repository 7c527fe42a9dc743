// execute: runs a command line with a text as its input and returns its output.
#pragma once

#include "engine/builtin.h"

namespace NuvixParser {

// The compute step of the row execute(cmd;input).
void Execute(TBuiltinCall& call, TCalcInfo& ci, TReturnValue& result);

} // namespace NuvixParser
