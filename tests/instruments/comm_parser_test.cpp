// TCommParser: the calculator's function set, the shared registry, Clone and runs.
#include <gtest/gtest.h>

#include "engine/function.h"
#include "engine/function_registry.h"
#include "functions/standard_table.h"
#include "instruments/gpib_functions.h"
#include "instruments/gui_functions.h"
#include "instruments/output_functions.h"
#include "instruments/plot_functions.h"
#include "instruments/serial_functions.h"
#include "tests/instruments/recording_output.h"

namespace {

using NuvixParser::CalculatorRegistry;
using NuvixParser::TCommParser;
using NuvixParser::TGlobalVarList;
using NuvixParser::TParserBase;

TEST(CommParser, HasTheStandardOutputPlotInstrumentAndPanelFunctions) {
    TGlobalVarList globals;
    TCommParser parser(globals, CalculatorRegistry());
    for (const auto& e : NuvixParser::StandardFunctionTable())
        EXPECT_NE(parser.Registry().Lookup(e.name), nullptr) << e.name;
    for (const auto& e : NuvixParser::PlotFunctionTable())
        EXPECT_NE(parser.Registry().Lookup(e.name), nullptr) << e.name;
    for (const auto& e : NuvixParser::GpibFunctionTable())
        EXPECT_NE(parser.Registry().Lookup(e.name), nullptr) << e.name;
    for (const auto& e : NuvixParser::SerialFunctionTable())
        EXPECT_NE(parser.Registry().Lookup(e.name), nullptr) << e.name;
    for (const char* name : {"print", "println", "cleartext", "PRINT", "ClearText", "loadgui", "panelname",
                             "setproperty", "getproperty", "HasChanged", "waitguievent"})
        EXPECT_NE(parser.Registry().Lookup(name), nullptr) << name;
    // A parser of the standard library alone does not know them.
    NuvixParser::TParser plain(globals, NuvixParser::StandardRegistry());
    EXPECT_EQ(plain.Registry().Lookup("print"), nullptr);
}

// Parsers are made for every panel and clone; none of them copies the function map.
TEST(CommParser, SharesOneRegistryBetweenParsers) {
    TGlobalVarList globals;
    TCommParser a(globals, CalculatorRegistry());
    TCommParser b(globals, CalculatorRegistry());
    EXPECT_EQ(&a.Registry(), &b.Registry());
    EXPECT_EQ(&a.Registry(), CalculatorRegistry().get());
    const std::unique_ptr<TParserBase> clone = a.Clone();
    EXPECT_EQ(&clone->Registry(), &a.Registry());
}

// A function of a class of its own, registered by a test.
class TOneArgument final : public NuvixParser::TFunction {
public:
    int ArgumentCount() const override { return 1; }
};

// Registering into one parser copies its registry on write and leaves the others alone; a
// name that differs only in letter case replaces the entry instead of adding one.
TEST(CommParser, RegistrationReplacesANameInAnyCase) {
    TGlobalVarList globals;
    TCommParser parser(globals, CalculatorRegistry());
    TCommParser other(globals, CalculatorRegistry());
    const std::size_t before = parser.Registry().Entries().size();
    const NuvixParser::TBuiltin* println = parser.Registry().Lookup("println");
    parser.Register("PrintLN", &NuvixParser::MakeFunction<TOneArgument>);
    EXPECT_EQ(parser.Registry().Entries().size(), before);
    ASSERT_NE(parser.Registry().Lookup("println"), nullptr);
    EXPECT_EQ(parser.Registry().Lookup("println")->node, &NuvixParser::MakeFunction<TOneArgument>);
    EXPECT_EQ(other.Registry().Lookup("println"), println);
}

TEST(CommParser, CloneIsACommParserOverTheSameGlobals) {
    TGlobalVarList globals;
    TCommParser parser(globals, CalculatorRegistry());
    const std::unique_ptr<TParserBase> clone = parser.Clone();
    auto* comm = dynamic_cast<TCommParser*>(clone.get());
    ASSERT_NE(comm, nullptr);
    EXPECT_EQ(&comm->Globals(), &globals);
    EXPECT_NE(&comm->Store(), &parser.Store());
    EXPECT_TRUE(comm->HasError()); // a new parser, nothing compiled yet

    // $ names are shared through the global list: the clone sees what the first one set.
    NuvixTest::TRecordingOutput window;
    NuvixParser::TRunContext windows{&window, nullptr, nullptr};
    NuvixParser::TCalcInfo ci;
    ci.context = &windows;
    parser.SetText("$shared = 'seen'");
    ASSERT_TRUE(parser.Compile());
    parser.Rebind();
    ci.Reset();
    parser.Calculate(ci);
    ASSERT_FALSE(ci.error);
    comm->SetText("println($shared)");
    ASSERT_TRUE(comm->Compile());
    comm->Rebind();
    ci.Reset();
    EXPECT_EQ(comm->Calculate(ci).ToString(), "1");
    EXPECT_FALSE(ci.error) << ci.errorMessage;
    EXPECT_EQ(window.calls,
              (std::vector<NuvixTest::TOutputCall>{{NuvixTest::TOutputKind::PrintLine, "seen"}}));
}

// A TCommParser still runs like a TParser: empty scripts, errors, stack overflow.
TEST(CommParser, RunsLikeAParser) {
    EXPECT_EQ(NuvixTest::EvalComm(""), "0");
    EXPECT_EQ(NuvixTest::EvalComm("1+2"), "3");
    EXPECT_EQ(NuvixTest::EvalComm("1/0"), "+INF");
    EXPECT_EQ(NuvixTest::EvalComm("x+1"), "Error: Variable x has no value");
    EXPECT_EQ(NuvixTest::EvalComm("1+2)"), "Syntax: End of expression expected");
}

} // namespace
