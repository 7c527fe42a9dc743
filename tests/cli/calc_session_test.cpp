// The parts of the interactive session below the terminal: entries that stay open, the
// caret display, the calculator session that keeps what entries leave, completion and
// the history's place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/calc_session.h"
#if VARNEX_HAVE_LIBEDIT
#include "cli/line_editor.h"
#endif

namespace {

using NuvixCli::TCalcSession;
using NuvixParser::TRadix;

TEST(EntryOpen, OpenBracketsAndCommentsOnly) {
    const struct {
        const char* text;
        bool open;
    } cases[] = {
        {"", false},
        {"1+2", false},
        {"(1+2", true},
        {"f(g(1)", true},
        {"(1+2)", false},
        {"1+2)", false},
        {"/* note", true},
        {"/* note */ 1", false},
        {"/* outer /* inner */ still", true},
        {"/* outer /* inner */ done */", false},
        {"'('", false},           // a bracket in a text
        {"\"(a\"", false},        // and in a quoted name
        {"'it''s (' + 1", false}, // a doubled quote does not end the text
        {"print('(", true},       // a text open inside an open bracket goes on
        {"'stray", false},        // a stray quote alone does not
        {"1 /2 * 3", false},      // '/' and '*' apart open no comment
        {"2*/* c */3", false},
    };
    for (const auto& c : cases) EXPECT_EQ(NuvixCli::EntryOpen(c.text), c.open) << c.text;
}

TEST(CaretText, PointsAtTheByteOnItsLine) {
    const struct {
        const char* text;
        int position;
        const char* shown;
    } cases[] = {
        {"1+*2", 2, "  1+*2\n    ^ msg\n"},
        {"1+", -1, "  1+\n    ^ msg\n"},                      // at the end
        {"1+", 99, "  1+\n    ^ msg\n"},                      // beyond it too
        {"\tx*", 2, "  \tx*\n  \t ^ msg\n"},                  // a tab stays a tab
        {"'\xC3\xA4' *", 5, "  '\xC3\xA4' *\n      ^ msg\n"}, // a UTF-8 letter is one column
        {"(1;\n2;*)", 6, "  2;*)\n    ^ line 2: msg\n"},
        {"a\x01*", 2, "  a?*\n    ^ msg\n"}, // control bytes do not reach the terminal
        {"(\n", 2, "  \n  ^ line 2: msg\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(NuvixCli::CaretText(c.text, c.position, "msg"), c.shown) << c.text;
}

class CalcSession : public ::testing::Test {
protected:
    std::string Run(const std::string& text, TRadix radix = TRadix::Decimal) {
        const TCalcSession::TEntryResult r = session_.Enter(text, radix);
        return r.outcome == TCalcSession::TOutcome::SyntaxError ? "syntax: " + r.text : r.text;
    }
    std::string output_;
    TCalcSession session_{[this](std::string_view text) {
                              output_ += text;
                              return true;
                          },
                          nullptr};
};

TEST_F(CalcSession, ValuesStayFromEntryToEntry) {
    EXPECT_EQ(Run("x=2, s='text', a[3]=7"), "7");
    EXPECT_EQ(Run("x*10"), "20");
    EXPECT_EQ(Run("s+'!'"), "text!");
    EXPECT_EQ(Run("a[3]+length(a[])"), "11");
    // An entry that fails keeps what it did not reach, and what it changed before failing.
    EXPECT_EQ(Run("x=5, nothing+1").rfind("Error: ", 0), 0u);
    EXPECT_EQ(Run("x"), "5");
    EXPECT_EQ(Run("1+*").rfind("syntax: ", 0), 0u);
    EXPECT_EQ(Run("x"), "5");
    // A name taken as the other kind: the new value wins once it is set.
    EXPECT_EQ(Run("x[0]=9"), "9");
    EXPECT_EQ(Run("x[0]"), "9");
}

TEST_F(CalcSession, FunctionsStayAndTheNewestDefinitionWins) {
    EXPECT_EQ(Run("define(f(v);v+1)"), "1");
    EXPECT_EQ(Run("f(1)"), "2");
    EXPECT_EQ(Run("define(g(v);2*f(v))"), "1");
    EXPECT_EQ(Run("define(f(v);v+100)"), "1");
    EXPECT_EQ(Run("f(1)"), "101");
    // g was read while the first f was the one: it keeps calling that one.
    EXPECT_EQ(Run("g(1)"), "4");
    EXPECT_EQ(Run("define(fact(n);if(n<2;1;n*fact(n-1))), fact(5)"), "120");
    EXPECT_EQ(Run("fact(6)"), "720");
    EXPECT_EQ(Run("define(mixed(n;list[]);n)"), "1");
    EXPECT_EQ(session_.UserFunctionForm("mixed"), "mixed(n;list[])");
    EXPECT_EQ(session_.UserFunctionForm("sin"), std::nullopt) << "a built-in";
}

TEST_F(CalcSession, GlobalRunsBeforeEveryEntryAndDollarNamesStay) {
    TCalcSession::TEntryResult error;
    ASSERT_TRUE(session_.SetGlobal("$base=100, define(twice(v);2*v)", error)) << error.text;
    EXPECT_EQ(Run("$mine=3, $base=$base+1"), "101");
    EXPECT_EQ(Run("twice($mine)"), "6");
    EXPECT_EQ(Run("$base"), "100");
    EXPECT_FALSE(session_.SetGlobal("1+", error));
    EXPECT_EQ(error.outcome, TCalcSession::TOutcome::SyntaxError);
    EXPECT_EQ(error.source, "1+");
}

TEST_F(CalcSession, ClearForgetsVariablesAndFunctions) {
    EXPECT_EQ(Run("x=1, $y=2, define(f(v);v)"), "1");
    session_.Clear();
    EXPECT_EQ(Run("x").rfind("Error: ", 0), 0u);
    EXPECT_EQ(Run("$y").rfind("Error: ", 0), 0u);
    EXPECT_EQ(Run("f(1)").rfind("syntax: ", 0), 0u);
    EXPECT_EQ(Run("x=4, x"), "4");
}

TEST_F(CalcSession, OutputComesBeforeTheResultInTheRadix) {
    EXPECT_EQ(Run("print('half '), 255", TRadix::Hexadecimal), "FF");
    EXPECT_EQ(output_, "half ");
    EXPECT_TRUE(session_.TakeOutputLineOpen());
    EXPECT_FALSE(session_.TakeOutputLineOpen());
    EXPECT_EQ(Run("println('whole'), 5", TRadix::Binary), "101");
    EXPECT_FALSE(session_.TakeOutputLineOpen());
}

TEST_F(CalcSession, NamesHoldBuiltinsUserFunctionsAndVariables) {
    Run("define(myfunc(v);v), myvar=1, myarr[0]=1, $myglobal=1, unset=unset");
    const std::vector<std::string> names = session_.Names();
    const auto has = [&](const char* name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const char* name : {"sin", "plotxy", "myfunc", "myvar", "myarr", "$myglobal"})
        EXPECT_TRUE(has(name)) << name;
    EXPECT_FALSE(has("unset")) << "a variable without a value";
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

#if VARNEX_HAVE_LIBEDIT

TEST(Completion, InsertsWhatTheMatchesShareOrListsThem) {
    const std::vector<std::string> names{"print", "println", "sin", "sinh", "Square"};
    const struct {
        const char* prefix;
        const char* insert;
        std::vector<std::string> listed;
    } cases[] = {
        {"pri", "nt", {}},  {"print", "", {"print", "println"}},
        {"si", "n", {}},    {"sin", "", {"sin", "sinh"}},
        {"sq", "uare", {}}, // letter case aside, in the name's own spelling
        {"x", "", {}},
    };
    for (const auto& c : cases) {
        const NuvixCli::TCompletion done = NuvixCli::Complete(c.prefix, names);
        EXPECT_EQ(done.insert, c.insert) << c.prefix;
        EXPECT_EQ(done.listed, c.listed) << c.prefix;
    }
}

TEST(HistoryPath, StateHomeThenHome) {
    EXPECT_EQ(NuvixCli::HistoryPath("/st", "/home/u"), "/st/varnexcalc/history");
    EXPECT_EQ(NuvixCli::HistoryPath(nullptr, "/home/u"), "/home/u/.local/state/varnexcalc/history");
    EXPECT_EQ(NuvixCli::HistoryPath("relative", "/home/u"), "/home/u/.local/state/varnexcalc/history");
    EXPECT_EQ(NuvixCli::HistoryPath("", nullptr), "");
}

#endif

} // namespace
