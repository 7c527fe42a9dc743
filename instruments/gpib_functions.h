// GPIB instruments: gpibwritebin, gpibreadbin, gpibprintln, gpibprint, gpibreadln, gpibread,
// gpibtimeout, gpibboard, gpibsta and gpiberr, over the GPIB devices of the run's calculator.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// Ids (0 to 255), counts, time-out codes and board numbers are range-checked as given and
// then truncated toward zero; a value out of range (or not a number) is a script error. A
// device the driver cannot open counts as absent, and a driver that is missing or fails is
// a result (0, the empty text; gpibsta and gpiberr tell why), never a script error. True
// is -1. A run without GPIB devices (no calculator) reaches no driver: it behaves as if
// none were installed.

std::span<const TBuiltin> GpibFunctionTable();

} // namespace NuvixParser
