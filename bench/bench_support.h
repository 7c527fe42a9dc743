// Helpers for benchmarks: a compiled, bound script that a benchmark runs repeatedly.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/calc_info.h"
#include "engine/parser.h"
#include "functions/standard_table.h"

namespace NuvixBench {

struct TCompiledScript {
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TParser parser{globals, NuvixParser::StandardRegistry()};
    NuvixParser::TCalcInfo ci;

    explicit TCompiledScript(std::string_view text) {
        parser.SetText(text);
        if (!parser.Compile()) throw std::runtime_error("benchmark script: " + parser.ErrorMessage());
    }
    // One run on fresh variables; throws when the run failed.
    NuvixParser::TReturnValue Run() {
        parser.Rebind();
        ci.Reset();
        NuvixParser::TReturnValue v = parser.Calculate(ci);
        if (ci.error) throw std::runtime_error("benchmark run: " + ci.errorMessage);
        return v;
    }
};

} // namespace NuvixBench
