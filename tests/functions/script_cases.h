// Table-driven checks of scripts against the result text Eval reports for them.
#pragma once

#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "tests/engine/test_support.h"

namespace NuvixTest {

struct TScriptCase {
    const char* script;
    std::string expected; // result text, "Error: ..." or "Syntax: ..."
};

inline void ExpectResults(std::initializer_list<TScriptCase> cases) {
    for (const TScriptCase& c : cases) EXPECT_EQ(Eval(c.script), c.expected) << "script: " << c.script;
}

} // namespace NuvixTest
