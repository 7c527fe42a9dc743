// Helpers for engine tests: compile and run a script synchronously on the calling thread.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "engine/calc_info.h"
#include "engine/parser.h"
#include "engine/return_value.h"
#include "engine/var_handler.h"

namespace NuvixTest {

// A parser with its own global list, compiled from one text.
struct TScript {
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TParser parser{globals};
    NuvixParser::TCalcInfo ci;

    explicit TScript(std::string_view text) { parser.SetText(text); }
    bool Compile() { return parser.Compile(); }
    // Rebinds and runs once; the run's error state is left in ci.
    NuvixParser::TReturnValue Run() {
        parser.Rebind();
        ci.Reset();
        return parser.Calculate(ci);
    }
};

// What a run of a script gave: its result text (the text reading of the value), or
// "Error: " + message, or "Syntax: " + message for a failed compile.
inline std::string Eval(std::string_view text) {
    TScript s(text);
    if (!s.Compile()) return "Syntax: " + s.parser.ErrorMessage();
    NuvixParser::TReturnValue v = s.Run();
    if (s.ci.error) return "Error: " + s.ci.errorMessage;
    return v.ToString();
}

// Table-driven checks of scripts against the result text Eval reports for them.
struct TScriptCase {
    const char* script;
    std::string expected; // result text, "Error: ..." or "Syntax: ..."
};

inline void ExpectResults(std::initializer_list<TScriptCase> cases) {
    for (const TScriptCase& c : cases) EXPECT_EQ(Eval(c.script), c.expected) << "script: " << c.script;
}

} // namespace NuvixTest
