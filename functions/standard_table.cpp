// The program-wide table of standard functions: the tables of every function area, in order.
#include "functions/standard_table.h"

#include <vector>

#include "functions/arrays/array_functions.h"
#include "functions/control/control_functions.h"
#include "functions/files/file_functions.h"
#include "functions/fft/fft_functions.h"
#include "functions/fit/fit_function.h"
#include "functions/math/math_functions.h"
#include "functions/regex/match_function.h"
#include "functions/strings/string_functions.h"

namespace NuvixParser {

std::span<const TBuiltin> StandardFunctionTable() {
    static const std::vector<TBuiltin> table = [] {
        std::vector<TBuiltin> all;
        // Areas in help order; each contributes its own registration table.
        const std::span<const TBuiltin> areas[] = {
            MathFunctionTable(),
            ControlFunctionTable(),
            StringFunctionTable(),
            RegexFunctionTable(),
            ArrayFunctionTable(),
            FileFunctionTable(),
            FftFunctionTable(),
            FitFunctionTable(),
        };
        for (auto area : areas)
            all.insert(all.end(), area.begin(), area.end());
        return all;
    }();
    return table;
}

std::shared_ptr<const TFunctionRegistry> StandardRegistry() {
    static const std::shared_ptr<const TFunctionRegistry> registry = MakeRegistry({StandardFunctionTable()});
    return registry;
}

} // namespace NuvixParser
