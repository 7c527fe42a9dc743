// The standard function table: every area registered once, seventy-one functions in all.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/function.h"
#include "engine/function_registry.h"
#include "engine/parser.h"
#include "functions/standard_table.h"

namespace {

using namespace NuvixParser;

TEST(StandardTable, HoldsSeventyOneDistinctFunctions) {
    const auto table = StandardFunctionTable();
    std::set<std::string, TCaseInsensitiveLess> names;
    for (const auto& e : table) {
        EXPECT_TRUE(names.insert(e.name).second) << e.name << " is registered twice";
        ASSERT_NE(e.factory, nullptr) << e.name;
        // Every factory makes an object whose argument count is sane for the parser.
        const auto f = e.factory();
        EXPECT_GE(f->ArgumentCount(), 0) << e.name;
        EXPECT_STRNE(f->Description(), "") << e.name;
    }
    EXPECT_EQ(names.size(), 71u);
    for (const char* name : {"sin", "if", "define", "str", "match", "sort", "length", "execute", "readmatrix",
                             "fft", "invfft", "fit"})
        EXPECT_EQ(names.count(name), 1u) << name;
}

TEST(StandardTable, ParsersOfTheStandardRegistryKnowTheStandardFunctions) {
    TGlobalVarList globals;
    TParser parser(globals, StandardRegistry());
    EXPECT_EQ(parser.Registry().Entries().size(), StandardFunctionTable().size());
}

} // namespace
