// The standard function table: every row names its function once and can be called.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "engine/builtin.h"
#include "engine/function_registry.h"
#include "engine/parser.h"
#include "functions/standard_table.h"

namespace {

using namespace NuvixParser;

// How many compute steps a row gives: exactly one is needed, unless the row makes a node
// of a class of its own.
int ComputeSteps(const TBuiltin& row) {
    return (row.unary != nullptr) + (row.number != nullptr) + (row.value != nullptr) + (row.lazy != nullptr);
}

TEST(StandardTable, EveryRowIsWellFormed) {
    std::set<std::string, TCaseInsensitiveLess> names;
    for (const TBuiltin& row : StandardFunctionTable()) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(names.insert(row.name).second) << "registered twice";
        if (row.node) {
            EXPECT_LE(ComputeSteps(row), 1);
        } else {
            EXPECT_EQ(ComputeSteps(row), 1);
        }
        EXPECT_EQ(std::strspn(row.params, "nsvalrxe"), std::strlen(row.params)) << row.params;
        // A unary routine takes one number; fast paths belong to lazy steps.
        if (row.unary) {
            EXPECT_STREQ(row.params, "n");
        }
        if (row.lazyNumber || row.lazyNumberOrText) {
            EXPECT_NE(row.lazy, nullptr);
        }
        // Run-time array messages only where an argument is looked up when the call runs.
        if (row.arrayExpected) {
            EXPECT_NE(std::strchr(row.params, 'l'), nullptr);
        }
    }
    for (const char* name : {"sin", "if", "define", "str", "match", "sort", "length", "execute", "readmatrix",
                             "fft", "invfft", "fit"})
        EXPECT_EQ(names.count(name), 1u) << name;
}

TEST(StandardTable, ParsersOfTheStandardRegistryKnowTheStandardFunctions) {
    TGlobalVarList globals;
    TParser parser(globals, StandardRegistry());
    EXPECT_EQ(parser.Registry().Entries().size(), StandardFunctionTable().size());
    for (const char* call : {"sin(0)", "SIN(0)", "if(1;2;3)", "length('abc')", "mean(a[])", "defined(x)"}) {
        parser.SetText(call);
        EXPECT_TRUE(parser.Compile()) << call << ": " << parser.ErrorMessage();
    }
}

} // namespace
