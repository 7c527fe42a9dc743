// readmatrix and writematrix: arrays to and from matrix text files.
#pragma once

#include "engine/builtin.h"

namespace NuvixParser {

// The compute steps of the rows readmatrix(arr[];fname) and writematrix(file;data[];cols).
void ReadMatrix(TBuiltinCall& call, TCalcInfo& ci, TReturnValue& result);
void WriteMatrix(TBuiltinCall& call, TCalcInfo& ci, TReturnValue& result);

} // namespace NuvixParser
