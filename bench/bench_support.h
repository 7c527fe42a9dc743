// Helpers for benchmarks: a compiled, bound script that a benchmark runs repeatedly.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/calc_info.h"
#include "engine/parser.h"
#include "engine/var_entry.h"
#include "engine/var_handler.h"
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

// A script bound once, with arrays and texts filled from C++, run again and again on the
// same variables (a rebind would empty them).
class TPreparedScript {
public:
    explicit TPreparedScript(const char* text) : script_(text) { script_.parser.Rebind(); }
    void SetArray(const char* name, const std::vector<double>& values) {
        NuvixParser::TArrayEntry* a = script_.parser.Store().GetArray(name);
        if (!a || !a->SetLength(static_cast<std::int64_t>(values.size())))
            throw std::runtime_error(std::string("benchmark array ") + name);
        std::copy(values.begin(), values.end(), a->Data());
    }
    void SetText(const char* name, std::string text) {
        NuvixParser::TVarEntry* v = script_.parser.Store().GetScalar(name);
        if (!v) throw std::runtime_error(std::string("benchmark text ") + name);
        v->SetString(std::move(text));
    }
    NuvixParser::TReturnValue Run() {
        script_.ci.Reset();
        NuvixParser::TReturnValue v = script_.parser.Calculate(script_.ci);
        if (script_.ci.error) throw std::runtime_error("benchmark run: " + script_.ci.errorMessage);
        return v;
    }

private:
    TCompiledScript script_;
};

} // namespace NuvixBench
