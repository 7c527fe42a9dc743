// The parser object: set text, compile, rebind and calculate, its error state, clones
// over one global variable list, and what a run does with errors, breaks and faults.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <fenv.h>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "engine/function.h"
#include "engine/function_registry.h"
#include "engine/out_of_memory.h"
#include "engine/operands.h"
#include "engine/operators.h"
#include "engine/user_function.h"
#include "engine/var_entry.h"
#include "tests/engine/test_support.h"

namespace {

using namespace NuvixParser;

// Counts its calls, so a test can see which parts of a script were evaluated.
int gBumps = 0;

class TBump final : public TFunction {
public:
    int ArgumentCount() const override { return 0; }
    long double Compute(TCalcInfo&) override { return ++gBumps; }
};

// Records when the run hooks are called, relative to the evaluation.
class TRecordingParser final : public TParser {
public:
    using TParser::TParser;
    int beforeRuns = 0;
    int afterRuns = 0;
    int bumpsSeenBefore = -1;
    int bumpsSeenAfter = -1;
    void BeforeRun() override {
        ++beforeRuns;
        bumpsSeenBefore = gBumps;
    }
    void AfterRun(TCalcInfo&) override {
        ++afterRuns;
        bumpsSeenAfter = gBumps;
    }
};

// A test script whose parser also knows bump(); the counter starts at 0.
struct TDriverScript : NuvixTest::TScript {
    explicit TDriverScript(std::string_view text) : TScript(text) {
        parser.Register("bump", &MakeFunction<TBump>);
        gBumps = 0;
    }
};

TEST(ParserDriver, BlankAndCommentOnlyTextsCompileWithoutTree) {
    for (const char* text : {"", "   ", " \t\n\v\f ", "/* x */", " /* a *//* b /* c */ */ \n"}) {
        SCOPED_TRACE(std::string("text: '") + text + "'");
        TDriverScript s(text);
        std::vector<TCodePosInfo> marks;
        EXPECT_TRUE(s.parser.Compile(&marks));
        EXPECT_FALSE(s.parser.HasError());
        EXPECT_EQ(s.parser.Tree(), nullptr);
        for (const TCodePosInfo& m : marks) EXPECT_EQ(m.kind, TCodePosInfo::kComment);
        TReturnValue v = s.Run();
        EXPECT_FALSE(s.ci.error);
        EXPECT_FALSE(v.isString);
        EXPECT_EQ(v.number, 0.0);
    }
}

TEST(ParserDriver, NothingMayFollowTheScriptExpression) {
    struct {
        const char* text;
        const char* message;
        int start;
        int end;
    } cases[] = {
        {"1+2)", "End of expression expected", 3, 3},
        {"1; 2", "End of expression expected", 1, 1},
        {"a=1; b=2", "End of expression expected", 3, 3},
        {"(1+2))", "End of expression expected", 5, 5},
        {"1 ]", "End of expression expected", 2, 2},
        {"x \n )", "End of expression expected", 4, 4},
        {"1\xff", "End of expression expected", 1, 1}, // 0xFF ends an expression like ')'
        {"(1+2", "')' expected", 4, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TDriverScript s(c.text);
        EXPECT_FALSE(s.parser.Compile());
        EXPECT_TRUE(s.parser.HasError());
        EXPECT_EQ(s.parser.Tree(), nullptr); // the complete expression was built, then dropped
        EXPECT_EQ(s.parser.ErrorMessage(), c.message);
        EXPECT_EQ(s.parser.ErrorStart(), c.start);
        EXPECT_EQ(s.parser.ErrorEnd(), c.end);
    }
}

TEST(ParserDriver, DroppedTreeTakesItsDefinitionsAlong) {
    TDriverScript s("define(f(x);x) )");
    EXPECT_FALSE(s.parser.Compile());
    EXPECT_EQ(s.parser.Handler()->Find("f"), nullptr);
    EXPECT_TRUE(s.parser.Handler()->Definitions().empty());
}

TEST(ParserDriver, CarriageReturnsAreRemovedBeforeCounting) {
    const std::string lf = "x = 1,\n/* c */\ny = 'a\nb'\n)";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    TDriverScript withLf(lf);
    TDriverScript withCrLf(crlf);
    EXPECT_EQ(withCrLf.parser.Text(), lf);
    std::vector<TCodePosInfo> lfMarks;
    std::vector<TCodePosInfo> crlfMarks;
    EXPECT_FALSE(withLf.parser.Compile(&lfMarks));
    EXPECT_FALSE(withCrLf.parser.Compile(&crlfMarks));
    EXPECT_EQ(crlfMarks, lfMarks);
    EXPECT_FALSE(lfMarks.empty());
    const int close = static_cast<int>(lf.size()) - 1;
    for (TDriverScript* s : {&withLf, &withCrLf}) {
        EXPECT_EQ(s->parser.ErrorMessage(), "End of expression expected");
        EXPECT_EQ(s->parser.ErrorStart(), close);
        EXPECT_EQ(s->parser.ErrorEnd(), close);
    }

    // Every CR byte goes, also inside a text literal and without a following LF.
    TDriverScript literal("x = 'a\r\nb',\r x\r+\r''");
    ASSERT_TRUE(literal.parser.Compile());
    TReturnValue v = literal.Run();
    EXPECT_EQ(v.ToString(), "a\nb");
}

TEST(ParserDriver, ErrorStateThroughTheLifecycle) {
    TGlobalVarList globals;
    TParser p(globals, NuvixTest::ScriptRegistry());
    EXPECT_TRUE(p.HasError()); // a new parser has compiled nothing
    EXPECT_EQ(p.Tree(), nullptr);

    p.SetText("1+");
    EXPECT_FALSE(p.HasError());
    EXPECT_FALSE(p.Compile());
    EXPECT_TRUE(p.HasError());
    EXPECT_EQ(p.ErrorMessage(), "Expression or identifier expected");
    EXPECT_EQ(p.ErrorStart(), 2);
    EXPECT_EQ(p.ErrorEnd(), 2);

    p.SetText("x = 2, x*3");
    EXPECT_FALSE(p.HasError());
    EXPECT_EQ(p.ErrorMessage(), "");
    EXPECT_EQ(p.ErrorEnd(), 0);
    ASSERT_TRUE(p.Compile());
    ASSERT_TRUE(p.Compile()); // compiling again replaces the tree
    ASSERT_NE(p.Tree(), nullptr);
    TCalcInfo ci;
    p.Rebind();
    EXPECT_EQ(p.Calculate(ci).ToString(), "6");
    EXPECT_FALSE(p.Store().Locals().empty());

    p.Clear();
    EXPECT_EQ(p.Text(), "");
    EXPECT_EQ(p.Tree(), nullptr);
    EXPECT_FALSE(p.HasError());
    EXPECT_TRUE(p.Store().Locals().empty());
    EXPECT_TRUE(p.Compile()); // the empty text
    EXPECT_EQ(p.Tree(), nullptr);

    // Clear after a failed compile resets the error report as well.
    p.SetText(")");
    ASSERT_FALSE(p.Compile());
    p.Clear();
    EXPECT_FALSE(p.HasError());
    EXPECT_EQ(p.ErrorMessage(), "");
    EXPECT_EQ(p.ErrorEnd(), 0);
}

// A function whose call cannot be compiled: memory runs out the moment the parser has
// read its arguments (its help, which makes the node, still works).
class TNoMemoryLeft final : public TFunction {
public:
    int ArgumentCount() const override { return 0; }
    bool CheckArguments() override { throw std::bad_alloc(); }
};

TEST(ParserDriver, MemoryRunningOutFailsTheCompileWithItsMessage) {
    TGlobalVarList globals;
    auto registry = std::make_shared<TFunctionRegistry>(*NuvixTest::ScriptRegistry());
    registry->Register("nomemory", MakeFunction<TNoMemoryLeft>);
    TParser p(globals, registry);
    // Deep in a script, with nodes and a definition already made that must all go.
    for (const char* script : {"nomemory()", "x = 1, define(f(a); a * 2), y = f(2) + (3 * nomemory())"}) {
        SCOPED_TRACE(script);
        std::vector<TCodePosInfo> marks;
        p.SetText(script);
        EXPECT_FALSE(p.Compile(&marks));
        EXPECT_TRUE(p.HasError());
        EXPECT_TRUE(p.RanOutOfMemory());
        EXPECT_EQ(p.ErrorMessage(), kOutOfMemoryWhileCompiling);
        EXPECT_EQ(p.Tree(), nullptr);
        EXPECT_EQ(p.Text(), "");
        EXPECT_TRUE(marks.empty());
        EXPECT_TRUE(p.Handler()->Definitions().empty());

        // The parser goes on: the next text compiles and runs.
        p.SetText("define(f(a); a * 2), f(21)");
        EXPECT_FALSE(p.RanOutOfMemory());
        ASSERT_TRUE(p.Compile());
        TCalcInfo ci;
        p.Rebind();
        EXPECT_EQ(p.Calculate(ci).ToString(), "42");
    }
}

TEST(ParserDriver, CompileUsesOnlyTheMarksListItIsGiven) {
    TDriverScript s("a+1");
    std::vector<TCodePosInfo> marks = {{99, TCodePosInfo::kString}};
    ASSERT_TRUE(s.parser.Compile(&marks));
    const std::vector<TCodePosInfo> expected = {
        {0, TCodePosInfo::kVariable}, {1, TCodePosInfo::kOperator}, {2, TCodePosInfo::kNumber}};
    EXPECT_EQ(marks, expected); // emptied first, not appended to

    marks.clear();
    ASSERT_TRUE(s.parser.Compile()); // no list: the earlier one is not written to
    EXPECT_TRUE(marks.empty());
}

TEST(ParserDriver, LocalsStartEveryRunWithoutValue) {
    TDriverScript s("x=1");
    ASSERT_TRUE(s.parser.Compile());
    EXPECT_EQ(s.Run().ToString(), "1");
    s.parser.SetText("x+1");
    ASSERT_TRUE(s.parser.Compile());
    s.Run();
    EXPECT_TRUE(s.ci.error);
    EXPECT_EQ(s.ci.errorMessage, "Variable x has no value");

    // The same tree, rebound: its variable is bound to a fresh entry.
    TDriverScript again("x = 1");
    ASSERT_TRUE(again.parser.Compile());
    auto* assign = dynamic_cast<TAssign*>(again.parser.Tree());
    ASSERT_NE(assign, nullptr);
    auto* x = dynamic_cast<TOperand*>(assign->Left());
    ASSERT_NE(x, nullptr);
    again.Run();
    ASSERT_NE(x->Entry(), nullptr);
    EXPECT_TRUE(x->Entry()->hasValue);
    again.parser.Rebind();
    ASSERT_NE(x->Entry(), nullptr);
    EXPECT_FALSE(x->Entry()->hasValue);
}

TEST(ParserDriver, DollarNamesAreSharedThroughTheGlobalList) {
    TGlobalVarList globals;
    TParser global(globals, NuvixTest::ScriptRegistry());
    std::unique_ptr<TParserBase> clone = global.Clone();
    auto* panel = dynamic_cast<TParser*>(clone.get());
    ASSERT_NE(panel, nullptr);

    global.SetText("$x = 1, y = 5");
    panel->SetText("$x + 1");
    ASSERT_TRUE(global.Compile());
    ASSERT_TRUE(panel->Compile());
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        global.Rebind();
        panel->Rebind();
        TCalcInfo ci;
        global.Calculate(ci);
        ASSERT_FALSE(ci.error);
        TReturnValue v = panel->Calculate(ci);
        EXPECT_FALSE(ci.error);
        EXPECT_EQ(v.ToString(), "2");
    }

    // Names without '$' stay with their parser.
    panel->SetText("y");
    ASSERT_TRUE(panel->Compile());
    global.Rebind();
    panel->Rebind();
    TCalcInfo ci;
    global.Calculate(ci);
    panel->Calculate(ci);
    EXPECT_TRUE(ci.error);
    EXPECT_EQ(ci.errorMessage, "Variable y has no value");

    // A parser over another global list does not see $x.
    TGlobalVarList otherGlobals;
    TParser stranger(otherGlobals, NuvixTest::ScriptRegistry());
    stranger.SetText("$x");
    ASSERT_TRUE(stranger.Compile());
    global.Rebind();
    stranger.Rebind();
    TCalcInfo ci2;
    global.Calculate(ci2);
    stranger.Calculate(ci2);
    EXPECT_TRUE(ci2.error);
}

TEST(ParserDriver, FirstErrorEndsTheRun) {
    struct {
        const char* text;
        int bumps;
        const char* message;
    } cases[] = {
        {"bump(), nope, bump()", 1, "Variable nope has no value"},
        {"nope + bump()", 0, "Variable nope has no value"},
        {"nope * bump()", 0, "Variable nope has no value"},
        {"x = nope, bump()", 0, "Variable nope has no value"},
        {"nope, other", 0, "Variable nope has no value"},
        {"other, nope", 0, "Variable other has no value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TDriverScript s(c.text);
        ASSERT_TRUE(s.parser.Compile());
        s.Run();
        EXPECT_TRUE(s.ci.error);
        EXPECT_EQ(s.ci.errorMessage, c.message);
        EXPECT_EQ(gBumps, c.bumps);
    }

    TDriverScript clean("bump(), bump(), bump()");
    ASSERT_TRUE(clean.parser.Compile());
    EXPECT_EQ(clean.Run().ToString(), "3");
    EXPECT_FALSE(clean.ci.error);
}

TEST(ParserDriver, CalculateClearsTheErrorFlagOnly) {
    TDriverScript s("bump(), bump()");
    ASSERT_TRUE(s.parser.Compile());
    s.parser.Rebind();
    s.ci.Reset();
    s.ci.SetError("left over");
    TReturnValue v = s.parser.Calculate(s.ci);
    EXPECT_FALSE(s.ci.error);
    EXPECT_EQ(s.ci.errorMessage, "left over");
    EXPECT_EQ(v.ToString(), "2");

    // A break requested before the run is still seen at the first ','.
    gBumps = 0;
    s.ci.RequestBreak();
    s.parser.Calculate(s.ci);
    EXPECT_TRUE(s.ci.error);
    EXPECT_EQ(s.ci.errorMessage, "Breaked");
    EXPECT_EQ(gBumps, 1);
}

TEST(ParserDriver, RunawayRecursionGivesTheStackOverflowText) {
    TDriverScript s("define(f(n);f(n+1)), f(1)");
    ASSERT_TRUE(s.parser.Compile());
    for (int run = 0; run < 2; ++run) { // the parser stays usable
        SCOPED_TRACE("run " + std::to_string(run));
        TReturnValue v = s.Run();
        EXPECT_FALSE(s.ci.error);
        EXPECT_TRUE(v.isString);
        EXPECT_EQ(v.text, "Stack Overflow");
    }
    s.parser.SetText("define(f(n);n*2), f(4)");
    ASSERT_TRUE(s.parser.Compile());
    EXPECT_EQ(s.Run().ToString(), "8");
}

TEST(ParserDriver, RunHooksSurroundEveryCalculate) {
    TGlobalVarList globals;
    TRecordingParser p(globals, NuvixTest::ScriptRegistry());
    p.Register("bump", &MakeFunction<TBump>);
    const char* scripts[] = {"bump()", "bump(), nope", "define(f(n);f(n+1)), bump(), f(1)"};
    int runs = 0;
    for (const char* text : scripts) {
        SCOPED_TRACE(text);
        p.SetText(text);
        ASSERT_TRUE(p.Compile());
        p.Rebind();
        gBumps = 0;
        TCalcInfo ci;
        p.Calculate(ci);
        ++runs;
        EXPECT_EQ(p.beforeRuns, runs);
        EXPECT_EQ(p.afterRuns, runs);
        EXPECT_EQ(p.bumpsSeenBefore, 0);
        EXPECT_EQ(p.bumpsSeenAfter, 1);
    }
}

TEST(ParserDriver, FloatingPointFaultsGiveIeeeValues) {
    struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"1/0", "+INF"}, {"-1/0", "-INF"}, {"1e308*10", "+INF"}, {"x = 1/0, x - x < 1", "0"},
    };
    // Even with traps switched on by someone else, a run must not be interrupted.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TDriverScript s(c.text);
        ASSERT_TRUE(s.parser.Compile());
        feenableexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
        TReturnValue v = s.Run();
        fedisableexcept(FE_ALL_EXCEPT);
        EXPECT_FALSE(s.ci.error);
        EXPECT_EQ(v.ToString(), c.expected);
    }
    TDriverScript nan("0/0");
    ASSERT_TRUE(nan.parser.Compile());
    feenableexcept(FE_INVALID);
    TReturnValue v = nan.Run();
    fedisableexcept(FE_ALL_EXCEPT);
    EXPECT_FALSE(nan.ci.error);
    EXPECT_TRUE(std::isnan(v.GetNumber()));
}

TEST(ParserDriver, CloneIsANewParserOfTheSameClass) {
    TGlobalVarList globals;
    TParser original(globals, NuvixTest::ScriptRegistry());
    original.Register("bump", &MakeFunction<TBump>);
    original.SetText("1");
    ASSERT_TRUE(original.Compile());

    std::unique_ptr<TParserBase> clone = original.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(typeid(*clone), typeid(TParser));
    EXPECT_EQ(&clone->Globals(), &globals);
    EXPECT_TRUE(clone->HasError()); // new: nothing compiled, no tree
    EXPECT_EQ(clone->Tree(), nullptr);
    EXPECT_NE(&clone->Store(), &original.Store());
    EXPECT_NE(clone->Handler(), original.Handler());
    EXPECT_TRUE(clone->OwnsHandler());
    EXPECT_EQ(&clone->Registry(), NuvixTest::ScriptRegistry().get()); // built like any new parser
    EXPECT_EQ(clone->Registry().Lookup("bump"), nullptr);
    clone->Register("extra", &MakeFunction<TBump>);
    EXPECT_EQ(original.Registry().Lookup("extra"), nullptr);

    TParserBase base(globals, NuvixTest::ScriptRegistry());
    std::unique_ptr<TParserBase> baseClone = base.Clone();
    EXPECT_EQ(typeid(*baseClone), typeid(TParserBase));
    EXPECT_EQ(&baseClone->Globals(), &globals);
}

} // namespace
