// The curve-fitting functions fit and fiterr, and the registration table of the fit area.
#pragma once

#include <cstdint>
#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// The most parameters a fit takes: each iteration solves a system of that size, and the
// fitter keeps three such matrices.
constexpr std::int32_t kMaxFitParameters = 1024;

std::span<const TBuiltin> FitFunctionTable();

} // namespace NuvixParser
