// Checks of the help texts a function shows in the help browser, against an expected row.
#pragma once

#include <memory>
#include <span>
#include <string>

#include <gtest/gtest.h>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixTest {

// nullptr stands for "none", as in the TFunction interface.
struct THelpRow {
    const char* name;
    const char* call; // name + Syntax()
    const char* description;
    const char* example = nullptr;
    const char* explanation = nullptr;
    const char* seeAlso = nullptr;
};

// Every row's function must be in `table` exactly once; its help texts must match byte
// for byte. The table must hold no function without a row.
inline void ExpectHelpTexts(std::span<const NuvixParser::TFunctionTableEntry> table,
                            std::span<const THelpRow> rows) {
    EXPECT_EQ(table.size(), rows.size());
    for (const THelpRow& row : rows) {
        SCOPED_TRACE(row.name);
        NuvixParser::TFunctionFactory factory = nullptr;
        int found = 0;
        for (const auto& e : table)
            if (std::string(e.name) == row.name) factory = e.factory, ++found;
        ASSERT_EQ(found, 1);
        const std::unique_ptr<NuvixParser::TFunction> f = factory();
        EXPECT_EQ(row.name + f->Syntax(), row.call);
        EXPECT_STREQ(f->Description(), row.description);
        EXPECT_STREQ(f->Example(), row.example); // two nullptrs compare equal
        EXPECT_STREQ(f->ExampleExplanation(), row.explanation);
        EXPECT_STREQ(f->SeeAlso(), row.seeAlso);
    }
}

} // namespace NuvixTest
