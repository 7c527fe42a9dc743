// The help of every function the calculator offers, checked by use: the parameter list
// matches the argument count, every example compiles and every see-also names a function.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/function.h"
#include "engine/function_help.h"
#include "engine/var_handler.h"
#include "instruments/calculator.h"
#include "instruments/comm_parser.h"

namespace {

using namespace NuvixParser;

// The parameter counts of a help parameter list: ';' separates parameters (a few lists use
// ','), and " or " separates alternative forms of the same call.
std::vector<int> ParameterCounts(std::string_view params) {
    std::vector<int> counts;
    for (;;) {
        const std::size_t alternative = params.find(" or ");
        const std::string_view form = params.substr(0, alternative);
        int n = form.empty() ? 0 : 1;
        for (char c : form) n += (c == ';' || c == ',');
        counts.push_back(n);
        if (alternative == std::string_view::npos) return counts;
        params.remove_prefix(alternative + 4);
    }
}

TEST(FunctionHelp, SeeAlsoNamesAreReadFromCallForms) {
    EXPECT_EQ(SeeAlsoNames("println(s),clear()"), (std::vector<std::string>{"println", "clear"}));
    EXPECT_EQ(SeeAlsoNames("for(init,cond,incr,expr)"), (std::vector<std::string>{"for"}));
    EXPECT_EQ(SeeAlsoNames("plotclearcurve(tabno;curveno),plotcleartab(tabno)"),
              (std::vector<std::string>{"plotclearcurve", "plotcleartab"}));
    EXPECT_EQ(SeeAlsoNames("panelname"), (std::vector<std::string>{"panelname"}));
    EXPECT_EQ(ParameterCounts(""), std::vector<int>{0});
    EXPECT_EQ(ParameterCounts("portno,desc,timeout"), std::vector<int>{3});
    EXPECT_EQ(ParameterCounts("tabno;curveno;datax[];datay[]"), std::vector<int>{4});
    EXPECT_EQ(ParameterCounts("a[];b[] or a[];b"), (std::vector<int>{2, 2}));
}

TEST(FunctionHelp, EveryFunctionOfTheCalculatorHasUsableHelp) {
    const auto registry = CalculatorRegistry();
    ASSERT_FALSE(registry->Entries().empty());
    TGlobalVarList globals;
    for (const auto& [name, factory] : registry->Entries()) {
        SCOPED_TRACE(name);
        const std::unique_ptr<TFunction> f = factory();
        ASSERT_NE(f, nullptr);

        const std::string description = f->Description() ? f->Description() : "";
        EXPECT_FALSE(description.empty());
        EXPECT_NE(description, "No Description available.");

        if (const char* params = f->ParamText()) {
            for (int count : ParameterCounts(params)) EXPECT_EQ(count, f->ArgumentCount()) << params;
        }
        EXPECT_EQ(f->Syntax().front(), '(');
        EXPECT_EQ(f->Syntax().back(), ')');

        if (const char* example = f->Example()) {
            TCommParser parser(globals, registry);
            parser.SetText(example);
            EXPECT_TRUE(parser.Compile()) << "example:\n"
                                          << example << "\nerror: " << parser.ErrorMessage() << " at "
                                          << parser.ErrorStart();
        } else {
            // An explanation explains an example.
            EXPECT_EQ(f->ExampleExplanation(), nullptr);
        }

        if (const char* seeAlso = f->SeeAlso()) {
            for (const std::string& other : SeeAlsoNames(seeAlso))
                EXPECT_NE(registry->Lookup(other), nullptr) << "see also '" << other << "' in " << seeAlso;
        }
    }
}

} // namespace
