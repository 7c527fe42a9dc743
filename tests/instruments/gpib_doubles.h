// The variants of the GPIB driver double the instrument tests load, built beside them.
#pragma once

#include "tests/gpib_double/gpib_double_control.h"

namespace NuvixTest {

inline constexpr const char* kGpibDouble = VARNEX_GPIB_DOUBLE;
inline constexpr const char* kGpibDoubleVariables = VARNEX_GPIB_DOUBLE_VARIABLES;
inline constexpr const char* kGpibDoubleVendor = VARNEX_GPIB_DOUBLE_VENDOR;
inline constexpr const char* kGpibDoubleNoStatus = VARNEX_GPIB_DOUBLE_NO_STATUS;
inline constexpr const char* kGpibDoubleNoIbtmo = VARNEX_GPIB_DOUBLE_NO_IBTMO;
inline constexpr const char* kGpibDoubleNoIbrd = VARNEX_GPIB_DOUBLE_NO_IBRD;

} // namespace NuvixTest
