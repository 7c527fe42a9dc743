// varnexcalc-cli's interactive session on a pseudo-terminal: the test types lines and keys
// and reads what the session shows, as a user at a terminal would.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/interactive_session.h"
#include "engine/function_help.h"
#include "engine/macro_file.h"
#include "instruments/calculator.h"
#include "tests/cli/process_runner.h"
#include "tests/cli/pty_terminal.h"

namespace {

using NuvixTest::TPtyTerminal;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

class InteractiveSession : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NuvixCli::InteractiveSessionAvailable()) GTEST_SKIP() << "built without libedit";
        std::string pattern = (fs::temp_directory_path() / "varnex-session-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }

    // The runner with `args` on a terminal, in a home of the test's own; returns once the
    // first prompt is shown.
    std::unique_ptr<TPtyTerminal> Start(std::vector<std::string> args = {}) {
        args.insert(args.begin(), VARNEX_CLI_PATH);
        auto t = std::make_unique<TPtyTerminal>(
            args,
            std::vector<std::string>{"HOME=" + dir_.string(), "XDG_STATE_HOME=" + (dir_ / "state").string(),
                                     "EDITRC=" + (dir_ / "no-editrc").string()});
        EXPECT_TRUE(t->WaitFor("> ")) << t->Screen();
        return t;
    }

    // Types `line` and Enter; what the session showed between the line and its next prompt.
    static std::string Enter(TPtyTerminal& t, const std::string& line, std::string_view prompt = "> ") {
        t.TypeAtPrompt(line + "\r");
        if (!t.WaitFor(line + "\n")) return "<no echo of the line>\n" + t.Unread();
        const auto shown = t.ReadUntil(prompt);
        return shown ? *shown : "<no prompt>\n" + t.Unread();
    }

    fs::path dir_;
};

TEST_F(InteractiveSession, EntriesKeepVariablesArraysAndFunctions) {
    auto t = Start();
    EXPECT_EQ(Enter(*t, "x=3"), "3\n");
    EXPECT_EQ(Enter(*t, "a[2]=x*2"), "6\n");
    EXPECT_EQ(Enter(*t, "define(twice(v);2*v)"), "1\n");
    EXPECT_EQ(Enter(*t, "twice(x)+a[2]"), "12\n");
    EXPECT_EQ(Enter(*t, "$g=x+1"), "4\n");
    EXPECT_EQ(Enter(*t, "$g*twice(1)"), "8\n");
    // Output of the entry comes first; the result stands on a line of its own.
    EXPECT_EQ(Enter(*t, "print('x is '), println(x), print('open'), x+1"), "x is 3\nopen\n4\n");
}

TEST_F(InteractiveSession, SyntaxErrorShowsCaretAndSessionGoesOn) {
    auto t = Start();
    const std::string shown = Enter(*t, "12+*4");
    std::istringstream lines(shown);
    std::string source, caret;
    std::getline(lines, source);
    std::getline(lines, caret);
    EXPECT_EQ(source, "  12+*4") << shown;
    ASSERT_NE(caret.find('^'), std::string::npos) << shown;
    EXPECT_EQ(caret.find('^'), source.find('*')) << shown;
    EXPECT_GT(caret.size(), caret.find('^') + 2) << "no message after the caret: " << shown;

    EXPECT_EQ(Enter(*t, "y+1").rfind("Error: ", 0), 0u) << "a run error";
    EXPECT_EQ(Enter(*t, "2+2"), "4\n");
}

TEST_F(InteractiveSession, CtrlCBreaksTheRunAndReturnsToThePrompt) {
    auto t = Start();
    // The run shows it has begun before the break comes: one asked for before a run
    // starts is forgotten when it starts, as in the calculator.
    t->TypeAtPrompt("n=0, print('go'), while(1;n=n+1)\r");
    ASSERT_TRUE(t->WaitFor("while(1;n=n+1)\ngo"));
    std::this_thread::sleep_for(100ms);
    t->Type("\x03");
    const auto shown = t->ReadUntil("> ");
    ASSERT_TRUE(shown) << t->Screen();
    EXPECT_NE(shown->find("Error: Breaked"), std::string::npos) << *shown;
    // The loop counted before it was broken, and the session goes on.
    EXPECT_EQ(Enter(*t, "n>0"), "1\n");
}

TEST_F(InteractiveSession, CtrlCEndsARunningExecuteChild) {
    auto t = Start();
    t->TypeAtPrompt("print('go'), execute('sleep 30';'')\r");
    ASSERT_TRUE(t->WaitFor("'')\ngo"));
    std::this_thread::sleep_for(300ms);
    const auto start = std::chrono::steady_clock::now();
    t->Type("\x03");
    const auto shown = t->ReadUntil("> ");
    ASSERT_TRUE(shown) << t->Screen();
    EXPECT_NE(shown->find("Error: Breaked"), std::string::npos) << *shown;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "the child did not end with the break";
}

TEST_F(InteractiveSession, OpenBracketOrCommentContinuesTheEntry) {
    auto t = Start();
    EXPECT_EQ(Enter(*t, "(1+", "... "), "");
    EXPECT_EQ(Enter(*t, "2)*3"), "9\n");
    EXPECT_EQ(Enter(*t, "/* a comment", "... "), "");
    EXPECT_EQ(Enter(*t, "over two lines */ 5"), "5\n");
    // A syntax error in a later line of the entry shows that line.
    EXPECT_EQ(Enter(*t, "(1+", "... "), "");
    EXPECT_EQ(Enter(*t, "2+*3)").substr(0, 8), "  2+*3)\n");
    // Ctrl+C at the continuation prompt drops the whole entry.
    EXPECT_EQ(Enter(*t, "(100+", "... "), "");
    t->TypeAtPrompt("\x03");
    ASSERT_TRUE(t->WaitFor("> ")) << t->Screen();
    EXPECT_EQ(Enter(*t, "7"), "7\n");
}

TEST_F(InteractiveSession, HelpAndRadixCommands) {
    auto t = Start();
    EXPECT_EQ(Enter(*t, "?sin"),
              NuvixParser::HelpAsText(*NuvixParser::HelpOf(*NuvixParser::CalculatorRegistry(), "sin")));
    EXPECT_NE(Enter(*t, "?nosuchfunction").find("no built-in function 'nosuchfunction'"), std::string::npos);
    EXPECT_EQ(Enter(*t, "define(mine(a;b[]);a)"), "1\n");
    EXPECT_EQ(Enter(*t, "?mine").rfind("mine(a;b[])\n", 0), 0u);
    const std::string commands = Enter(*t, "?");
    for (const char* command : {"?NAME", ":dec", ":hex", ":bin", ":clear", ":load FILE", ":quit"})
        EXPECT_NE(commands.find(command), std::string::npos) << command << " not listed:\n" << commands;
    EXPECT_EQ(Enter(*t, ":hex"), "");
    EXPECT_EQ(Enter(*t, "255"), "FF\n");
    EXPECT_EQ(Enter(*t, ":bin"), "");
    EXPECT_EQ(Enter(*t, "5"), "101\n");
    EXPECT_EQ(Enter(*t, "'a text'"), "a text\n");
    EXPECT_EQ(Enter(*t, ":dec"), "");
    EXPECT_EQ(Enter(*t, "255"), "255\n");
    EXPECT_NE(Enter(*t, ":frobnicate").find("unknown command"), std::string::npos);
}

TEST_F(InteractiveSession, ClearForgetsAndLoadRunsAMacroFile) {
    const fs::path file = dir_ / "lib.zma";
    std::ofstream(file) << NuvixParser::JoinMacroText(
        {{"Global", "$k=2, define(h(v);v+$k)", 0}, {"Calculator 1", "r=h(1)", 0}});
    auto t = Start();
    EXPECT_EQ(Enter(*t, "x=1, $y=2"), "2\n");
    EXPECT_EQ(Enter(*t, ":clear"), "");
    EXPECT_EQ(Enter(*t, "x").rfind("Error: ", 0), 0u);
    EXPECT_EQ(Enter(*t, "$y").rfind("Error: ", 0), 0u);
    EXPECT_EQ(Enter(*t, ":load " + file.string()), "3\n");
    EXPECT_EQ(Enter(*t, "h(5)+r"), "10\n");
    EXPECT_NE(Enter(*t, ":load " + (dir_ / "missing.zma").string()).find("cannot read"), std::string::npos);
}

TEST_F(InteractiveSession, GlobalPanelAndFirstEntryFromTheCommandLine) {
    auto t = Start({"-i", "-g", "$k=10, define(k2(v);v*$k)", "-e", "y=2", "-r", "hex"});
    // -e's entry ran before the first prompt was shown.
    EXPECT_NE(t->Screen().find("2\n"), std::string::npos) << t->Screen();
    EXPECT_EQ(Enter(*t, "k2(y)+$k"), "1E\n");
}

TEST_F(InteractiveSession, HistoryIsKeptForTheNextSession) {
    {
        auto t = Start();
        EXPECT_EQ(Enter(*t, "6*7"), "42\n");
        t->TypeAtPrompt("\x04"); // Ctrl+D
        EXPECT_EQ(t->WaitForExit(), 0);
    }
    EXPECT_TRUE(fs::exists(dir_ / "state" / "varnexcalc" / "history"));
    auto t = Start();
    t->TypeAtPrompt("\x1b[A"); // Up
    ASSERT_TRUE(t->WaitFor("6*7")) << t->Screen();
    t->Type("\r");
    EXPECT_TRUE(t->WaitFor("42\n> ")) << t->Screen();
}

TEST_F(InteractiveSession, TabCompletesNamesAndCommands) {
    auto t = Start();
    EXPECT_EQ(Enter(*t, "define(squarearea(x);x*x)"), "1\n");
    EXPECT_EQ(Enter(*t, "sidelength=4"), "4\n");
    t->TypeAtPrompt("squ\t(sid\t)\r");
    ASSERT_TRUE(t->WaitFor("squarearea(sidelength)\n")) << t->Screen();
    EXPECT_TRUE(t->WaitFor("16\n> ")) << t->Screen();
    t->TypeAtPrompt(":he\t\r");
    ASSERT_TRUE(t->WaitFor(":hex\n")) << t->Screen();
    EXPECT_EQ(Enter(*t, "255"), "FF\n");
}

TEST_F(InteractiveSession, CtrlCDropsTheLineAndTwiceAtAnEmptyPromptEnds) {
    auto t = Start();
    t->TypeAtPrompt("12345\x03");
    ASSERT_TRUE(t->WaitFor("> ")) << t->Screen();
    EXPECT_EQ(Enter(*t, "1"), "1\n");
    t->TypeAtPrompt("\x03");
    ASSERT_TRUE(t->WaitFor("Ctrl+C again")) << t->Screen();
    t->TypeAtPrompt("\x03");
    EXPECT_EQ(t->WaitForExit(), 0) << t->Screen();
}

TEST_F(InteractiveSession, QuitEndsTheSession) {
    auto t = Start();
    t->TypeAtPrompt(":quit\r");
    EXPECT_EQ(t->WaitForExit(), 0) << t->Screen();
}

TEST_F(InteractiveSession, EndSignalAtThePromptGivesTheTerminalBack) {
    auto t = Start();
    t->TypeAtPrompt("");
    ASSERT_FALSE(t->Canonical()) << "the line editor has the terminal";
    ::kill(t->Pid(), SIGTERM);
    t->WaitForExit();
    EXPECT_TRUE(t->Canonical()) << "the terminal was left in the line editor's mode";
}

TEST_F(InteractiveSession, PipedEntriesWithDashIAnswerLineByLine) {
    NuvixTest::TRunOptions options;
    options.input = "x=2\n(x+\n1)*2\n:hex\n255\n1+*\n";
    options.environment = {"HOME=" + dir_.string()};
    const NuvixTest::TProcessResult r = NuvixTest::RunCli({"-i"}, options);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "2\n6\nFF\n");
    EXPECT_EQ(r.err.rfind("  1+*\n", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / ".local")) << "piped entries went into the history";
}

// The README's session, typed line by line: each shows what the README says it shows.
TEST_F(InteractiveSession, TheReadmeSessionIsWhatTheSessionShows) {
    std::ifstream readme(std::string(VARNEX_SOURCE_DIR) + "/README.md");
    std::vector<std::string> lines;
    bool inside = false;
    for (std::string line; std::getline(readme, line);) {
        if (line == "$ varnexcalc-cli" && lines.empty())
            inside = true;
        else if (inside && line.rfind("```", 0) == 0)
            break;
        else if (inside)
            lines.push_back(line);
    }
    ASSERT_FALSE(lines.empty()) << "no session in the README";
    const auto isEntry = [](const std::string& line) {
        return line.rfind("> ", 0) == 0 || line.rfind("... ", 0) == 0;
    };
    auto t = Start();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(isEntry(lines[i])) << lines[i];
        const std::string typed = lines[i].substr(lines[i][0] == '>' ? 2 : 4);
        if (typed == ":quit") {
            t->TypeAtPrompt(typed + "\r");
            EXPECT_EQ(t->WaitForExit(), 0);
            break;
        }
        std::string shown;
        while (i + 1 < lines.size() && !isEntry(lines[i + 1])) shown += lines[++i] + "\n";
        const bool continued = i + 1 < lines.size() && lines[i + 1].rfind("... ", 0) == 0;
        EXPECT_EQ(Enter(*t, typed, continued ? "... " : "> "), shown) << typed;
    }
}

TEST_F(InteractiveSession, PlotFilesAreRewrittenAfterEveryEntry) {
    const fs::path plots = dir_ / "plots";
    fs::create_directory(plots);
    auto t = Start({"--plots", plots.string(), "--plot-format", "txt"});
    Enter(*t, "plot(0;0;x;x;0;1;2)");
    const fs::path file = plots / "plot-0.txt";
    ASSERT_TRUE(fs::exists(file));
    const auto first = fs::file_size(file);
    Enter(*t, "plot(0;1;x;x*x;0;1;20)");
    EXPECT_GT(fs::file_size(file), first) << "the second curve is not in the file";
}

} // namespace
