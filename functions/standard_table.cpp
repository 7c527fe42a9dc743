// The program-wide table of standard functions: the tables of every function area, in order.
#include "engine/function_registry.h"

#include <vector>

#include "functions/control/control_functions.h"
#include "functions/fft/fft_functions.h"
#include "functions/fit/fit_function.h"
#include "functions/math/math_functions.h"

namespace NuvixParser {

std::span<const TFunctionTableEntry> StandardFunctionTable() {
    static const std::vector<TFunctionTableEntry> table = [] {
        std::vector<TFunctionTableEntry> all;
        for (auto area : {MathFunctionTable(), ControlFunctionTable(), FftFunctionTable(), FitFunctionTable()})
            all.insert(all.end(), area.begin(), area.end());
        return all;
    }();
    return table;
}

} // namespace NuvixParser
