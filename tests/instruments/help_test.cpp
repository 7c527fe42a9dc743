// The help of every function the calculator offers, checked by use: the parameter list
// is a call form that compiles, every example compiles and every see-also names a function.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/function_help.h"
#include "engine/var_handler.h"
#include "instruments/calculator.h"
#include "instruments/comm_parser.h"

namespace {

using namespace NuvixParser;

// The call forms a help parameter list stands for: " or " separates alternative forms of
// the same call ("a[];b[] or a[];b").
std::vector<std::string> CallForms(const TFunctionHelp& help) {
    std::vector<std::string> forms;
    std::string_view params = help.syntax;
    params = params.substr(1, params.size() - 2);
    for (;;) {
        const std::size_t alternative = params.find(" or ");
        forms.push_back(help.name + "(" + std::string(params.substr(0, alternative)) + ")");
        if (alternative == std::string_view::npos) return forms;
        params.remove_prefix(alternative + 4);
    }
}

TEST(FunctionHelp, SeeAlsoNamesAreReadFromCallForms) {
    EXPECT_EQ(SeeAlsoNames("println(s),clear()"), (std::vector<std::string>{"println", "clear"}));
    EXPECT_EQ(SeeAlsoNames("for(init,cond,incr,expr)"), (std::vector<std::string>{"for"}));
    EXPECT_EQ(SeeAlsoNames("plotclearcurve(tabno;curveno),plotcleartab(tabno)"),
              (std::vector<std::string>{"plotclearcurve", "plotcleartab"}));
    EXPECT_EQ(SeeAlsoNames("panelname"), (std::vector<std::string>{"panelname"}));
    TFunctionHelp help;
    help.name = "append";
    help.syntax = "(a[];b[] or a[];b)";
    EXPECT_EQ(CallForms(help), (std::vector<std::string>{"append(a[];b[])", "append(a[];b)"}));
}

bool Compiles(TGlobalVarList& globals, const std::shared_ptr<const TFunctionRegistry>& registry,
              const std::string& text, std::string& error) {
    TCommParser parser(globals, registry);
    parser.SetText(text);
    if (parser.Compile()) return true;
    error = parser.ErrorMessage() + " at " + std::to_string(parser.ErrorStart());
    return false;
}

TEST(FunctionHelp, EveryFunctionOfTheCalculatorHasUsableHelp) {
    const auto registry = CalculatorRegistry();
    const std::vector<TFunctionHelp> all = AllHelp(*registry);
    ASSERT_EQ(all.size(), registry->Entries().size());
    TGlobalVarList globals;
    for (const TFunctionHelp& help : all) {
        SCOPED_TRACE(help.name);
        EXPECT_FALSE(help.description.empty());
        EXPECT_NE(help.description, "No Description available.");
        ASSERT_EQ(help.syntax.front(), '(');
        ASSERT_EQ(help.syntax.back(), ')');

        // Every call form is written as the language writes a call: parameters separated
        // by ';', arrays as name[], so it compiles as a call of the function itself. The
        // define form is read by the parser as a definition, not a call.
        std::string error;
        if (help.name != "define") {
            for (const std::string& form : CallForms(help))
                EXPECT_TRUE(Compiles(globals, registry, form, error)) << form << ": " << error;
        }

        if (help.example) {
            EXPECT_TRUE(Compiles(globals, registry, *help.example, error))
                << "example:\n" << *help.example << "\nerror: " << error;
        } else {
            // An explanation explains an example.
            EXPECT_FALSE(help.explanation);
        }

        if (help.seeAlso) {
            for (const std::string& other : SeeAlsoNames(*help.seeAlso))
                EXPECT_NE(registry->Lookup(other), nullptr) << "see also '" << other << "' in " << *help.seeAlso;
        }
    }
}

} // namespace
