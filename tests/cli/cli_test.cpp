// varnexcalc-cli as a process: command line, texts given as options, standard input, syntax
// error locations, exit statuses and Ctrl+C; and the mapping of error positions to lines.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/cli_app.h"
#include "engine/function_help.h"
#include "instruments/calculator.h"
#include "tests/cli/process_runner.h"

namespace {

using NuvixTest::RunCli;
using NuvixTest::TProcessResult;
using NuvixTest::TRunOptions;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Prints what a failed expectation needs to be understood.
std::string Describe(const TProcessResult& r) {
    return "exit " + std::to_string(r.exitCode) + ", signal " + std::to_string(r.signal) + "\nstdout:\n" +
           r.out + "stderr:\n" + r.err;
}

void ExpectResult(const TProcessResult& r, const std::string& line, int exitCode) {
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, exitCode) << Describe(r);
    EXPECT_EQ(r.out, line + "\n") << Describe(r);
    EXPECT_EQ(r.err, "") << Describe(r);
}

void ExpectSyntaxError(const TProcessResult& r, const std::string& errorLine) {
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 2) << Describe(r);
    EXPECT_EQ(r.out, "") << Describe(r);
    EXPECT_EQ(r.err, errorLine + "\n") << Describe(r);
}

void ExpectUsageError(const TProcessResult& r) {
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 3) << Describe(r);
    EXPECT_EQ(r.out, "") << Describe(r);
    EXPECT_NE(r.err.find("usage"), std::string::npos) << Describe(r);
}

// A folder of scratch files, removed afterwards.
class CliProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "varnex-cli-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        return path.string();
    }
    // Global "$base = 2" and the panels Sum, Product and Power.
    std::string ThreePanels() {
        return Write("three.zma", "/*$$panel:Global$$*/\n$base = 2\n"
                                  "/*$$panel:Sum$$*/\n$base + 3\n"
                                  "/*$$panel:Product$$*/\n$base * 3\n"
                                  "/*$$panel:Power$$*/\n$base ^ 3\n");
    }
    fs::path dir_;
};

// ---- command line -------------------------------------------------------------------------

TEST_F(CliProcess, UsageErrorsExitWithThree) {
    const std::string file = Write("one.zma", "1");
    ExpectUsageError(RunCli({}));
    ExpectUsageError(RunCli({"-x", file}));
    ExpectUsageError(RunCli({"--radix", "hex", file}));
    ExpectUsageError(RunCli({"-r", "oct", file}));
    ExpectUsageError(RunCli({"-r", "HEX", file}));
    ExpectUsageError(RunCli({file, file}));
    for (const char* option : {"-e", "-g", "-p", "-r"}) {
        SCOPED_TRACE(option);
        ExpectUsageError(RunCli({file, option}));
    }
}

TEST_F(CliProcess, UnknownPanelIsAUsageError) {
    const std::string file = ThreePanels();
    for (const char* panel : {"Nope", "0", "4", "-1", "", "product", "1x", "Global"}) {
        SCOPED_TRACE(panel);
        const TProcessResult r = RunCli({"-p", panel, file});
        EXPECT_EQ(r.exitCode, 3) << Describe(r);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err, "");
    }
    ExpectResult(RunCli({"-p", "3", file}), "8", 0);
    ExpectResult(RunCli({"-p", "Sum", file}), "5", 0);
}

TEST_F(CliProcess, UnreadableFileExitsWithThree) {
    const std::string missing = (dir_ / "missing.zma").string();
    TProcessResult r = RunCli({missing});
    EXPECT_EQ(r.exitCode, 3) << Describe(r);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(missing), std::string::npos) << Describe(r);

    // A folder opens like a file but cannot be read.
    r = RunCli({dir_.string()});
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exitCode, 3) << Describe(r);
    EXPECT_EQ(r.out, "") << Describe(r);
    EXPECT_NE(r.err.find(dir_.string()), std::string::npos) << Describe(r);
}

TEST_F(CliProcess, EmptyFileRunsAnEmptyPanel) {
    ExpectResult(RunCli({Write("empty.zma", "")}), "0", 0);
}

TEST_F(CliProcess, RunErrorsPrintTheErrorLineInEveryRadix) {
    ExpectResult(RunCli({"-e", "q + 1"}), "Error: Variable q has no value", 1);
    ExpectResult(RunCli({"-r", "hex", "-e", "q + 1"}), "Error: Variable q has no value", 1);
    ExpectResult(RunCli({"-r", "bin", "-e", "1, q"}), "Error: Variable q has no value", 1);
    ExpectResult(RunCli({"-r", "hex", "-e", "-2"}), "FFFFFFFE", 0);
}

// ---- texts given as options ----------------------------------------------------------------

TEST_F(CliProcess, OptionTextsAreScriptsOfTheirOwn) {
    ExpectResult(RunCli({"-e", "6*7"}), "42", 0);
    ExpectResult(RunCli({"-g", "$g = 4, define(inc(x);x+1)", "-e", "inc($g)"}), "5", 0);
    // -g alone: the calculator panel is empty.
    ExpectResult(RunCli({"-g", "$g = 4"}), "0", 0);
}

TEST_F(CliProcess, OptionTextsReplaceTheFilesPanels) {
    const std::string file = ThreePanels();
    ExpectResult(RunCli({"-e", "$base * 100", file}), "200", 0);
    ExpectResult(RunCli({"-g", "$base = 10", file}), "13", 0);
    ExpectResult(RunCli({"-g", "$base = 10", "-p", "Power", file}), "1000", 0);
    ExpectResult(RunCli({"-g", "$base = 10", "-e", "$base - 1", file}), "9", 0);
}

TEST_F(CliProcess, CheckOnlyCompilesWithoutRunning) {
    // No result line, and nothing the script would print or write happens.
    const std::string marker = (dir_ / "ran.txt").string();
    const TProcessResult ok = RunCli({"-c", "-e", "println('hi'), filewrite('" + marker + "'; 'x'), 1/0"});
    EXPECT_EQ(ok.exitCode, 0) << Describe(ok);
    EXPECT_EQ(ok.out, "") << Describe(ok);
    EXPECT_EQ(ok.err, "") << Describe(ok);
    EXPECT_FALSE(fs::exists(marker));
    // The Global panel is checked too.
    ExpectSyntaxError(RunCli({"-c", "-g", "x = 1 @ 2", "-e", "1"}), "<global>:1:7: error: Unknown operator '@'");
    ExpectSyntaxError(RunCli({"-c", "-e", "1 +* 2"}), "<panel>:1:4: error: Expression or identifier expected");
}

TEST_F(CliProcess, TimesGoToStandardError) {
    const TProcessResult r = RunCli({"-t", "-e", "s=0, for(i=0; i<1000; i+=1; s+=i), s"});
    EXPECT_EQ(r.exitCode, 0) << Describe(r);
    EXPECT_EQ(r.out, "499500\n") << Describe(r);
    // "varnexcalc-cli: compile 0.123 ms", then the run's line of the same form.
    const std::string number = "[0-9]+\\.[0-9]{3}";
    EXPECT_TRUE(std::regex_match(r.err, std::regex("varnexcalc-cli: compile " + number + " ms\n"
                                                   "varnexcalc-cli: run " + number + " ms\n")))
        << Describe(r);
    // With -c only the compile time.
    const TProcessResult c = RunCli({"-c", "-t", "-e", "1"});
    EXPECT_EQ(c.exitCode, 0) << Describe(c);
    EXPECT_TRUE(std::regex_match(c.err, std::regex("varnexcalc-cli: compile " + number + " ms\n"))) << Describe(c);
}

TEST_F(CliProcess, SyntaxErrorsInOptionTextsNameTheirPanel) {
    ExpectSyntaxError(RunCli({"-e", "1 # 2"}), "<panel>:1:3: error: Unknown operator '#'");
    ExpectSyntaxError(RunCli({"-g", "x = 1 @ 2", "-e", "1"}), "<global>:1:7: error: Unknown operator '@'");
    ExpectSyntaxError(RunCli({"-e", "1 +\n  2 # 3"}), "<panel>:2:5: error: Unknown operator '#'");
    ExpectSyntaxError(RunCli({"-e", "1,\r\n2 # 3"}), "<panel>:2:3: error: Unknown operator '#'");
    ExpectSyntaxError(RunCli({"-e", "define(f(x);x), F(1)"}), "<panel>:1:19: error: Unknown function");
    // The Global panel is compiled first: only its error is reported.
    ExpectSyntaxError(RunCli({"-g", "1 # 2", "-e", "3 @ 4"}), "<global>:1:3: error: Unknown operator '#'");
}

TEST_F(CliProcess, SyntaxErrorInTheFileIsReportedAgainstTheFile) {
    const std::string file = Write("broken.zma", "/*$$panel:Global$$*/\n$a = 1,\n$b = $a ! 2\n"
                                                 "/*$$panel:Calculator 1$$*/\n$b\n");
    ExpectSyntaxError(RunCli({file}), file + ":3:9: error: Unknown operator '!'");
    // Replacing the panel's text leaves the file's Global panel, and its error, in place.
    ExpectSyntaxError(RunCli({"-e", "1", file}), file + ":3:9: error: Unknown operator '!'");
    ExpectResult(RunCli({"-g", "$b = 3", file}), "3", 0);
}

TEST_F(CliProcess, SyntaxErrorLocationsCountTheWholeFileWithCrLf) {
    // Header lines end with LF, panel texts with CR LF; the faulty panel is the third one.
    const std::string file = Write("crlf.zma", "/*$$panel:Global$$*/\n"
                                               "define(sq(x);x*x),\r\n"
                                               "$n = 3\r\n"
                                               "/*$$panel:Calculator 1$$*/\n"
                                               "sq($n)\r\n"
                                               "/*$$panel:Broken$$*/\n"
                                               "a = 1,\r\n"
                                               "\r\n"
                                               "\tb = sq(a) # 2\r\n");
    ExpectResult(RunCli({file}), "9", 0);
    ExpectSyntaxError(RunCli({"-p", "Broken", file}), file + ":9:12: error: Unknown operator '#'");
    ExpectSyntaxError(RunCli({"-p", "2", file}), file + ":9:12: error: Unknown operator '#'");
}

// ---- standard input ----------------------------------------------------------------------------

TEST_F(CliProcess, DashReadsTheMacroFileFromStandardInput) {
    ExpectResult(RunCli({"-"}, {"1+2", std::nullopt}), "3", 0);
    ExpectResult(RunCli({"-p", "Product", "-"},
                        {"/*$$panel:Global$$*/\n$b = 4\n/*$$panel:Sum$$*/\n$b+1\n/*$$panel:Product$$*/\n$b*2",
                         std::nullopt}),
                 "8", 0);
    ExpectResult(RunCli({"-r", "bin", "-"}, {"5", std::nullopt}), "101", 0);

    const TProcessResult bad = RunCli({"-"}, {"a = 1,\r\nb # 2", std::nullopt});
    EXPECT_EQ(bad.exitCode, 2) << Describe(bad);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find(":2:3: error: Unknown operator '#'"), std::string::npos) << Describe(bad);
}

// ---- Ctrl+C --------------------------------------------------------------------------------------

TEST_F(CliProcess, InterruptBreaksTheRun) {
    // A tree recursion of 2^50 calls that never finishes on its own; every call passes a ','
    // that checks for a break, and calls reached after the break report it themselves.
    const TProcessResult r =
        RunCli({"-e", "define(f(n);if(n<50;(1, f(n+1)) + f(n+1);1)), f(0)"}, {"", 300ms});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    EXPECT_EQ(r.out, "Error: Breaked\n") << Describe(r);
    EXPECT_EQ(r.err, "") << Describe(r);
}

TEST_F(CliProcess, InterruptBreaksALoop) {
    // Runs until broken; every iteration checks for a break.
    const TProcessResult r = RunCli({"-e", "i = 0, while(1; i += 1)"}, {"", 300ms});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    EXPECT_EQ(r.out, "Error: Breaked\n") << Describe(r);
    EXPECT_EQ(r.err, "") << Describe(r);
}

TEST_F(CliProcess, InterruptEndsAPanelWaitThatNoEventCanEnd) {
    // No panel can be shown here: the first endless wait says so once, and Ctrl+C ends it.
    const TProcessResult r = RunCli({"-e", "waitguievent(0.5), waitguievent(0), waitguievent(0)"}, {"", 300ms});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    EXPECT_EQ(r.out, "Error: Breaked\n") << Describe(r);
    const std::string notice = "waitguievent(0) waits for ever";
    const std::size_t at = r.err.find(notice);
    EXPECT_NE(at, std::string::npos) << Describe(r);
    EXPECT_EQ(r.err.find(notice, at + 1), std::string::npos) << Describe(r);
}

// ---- error positions to file lines ------------------------------------------------------------

using NuvixCli::LocateInFile;
using NuvixCli::TSourcePos;

void ExpectAt(const TSourcePos& p, int line, int column) {
    EXPECT_EQ(p.line, line);
    EXPECT_EQ(p.column, column);
}

TEST(CliLocateInFile, SingleLine) {
    ExpectAt(LocateInFile("abc", 0, "abc", 0), 1, 1);
    ExpectAt(LocateInFile("abc", 0, "abc", 2), 1, 3);
    ExpectAt(LocateInFile("abc", 0, "abc", 3), 1, 4); // the end of the text
    ExpectAt(LocateInFile("", 0, "", 0), 1, 1);
}

TEST(CliLocateInFile, LineBreaksStartNewLines) {
    ExpectAt(LocateInFile("a\nbc", 0, "a\nbc", 1), 1, 2); // the line feed itself
    ExpectAt(LocateInFile("a\nbc", 0, "a\nbc", 2), 2, 1);
    ExpectAt(LocateInFile("a\nbc", 0, "a\nbc", 3), 2, 2);
    ExpectAt(LocateInFile("\n\n\nx", 0, "\n\n\nx", 3), 4, 1);
}

TEST(CliLocateInFile, CarriageReturnsAreNotCounted) {
    // Positions count the text without CR; columns count characters without CR.
    const std::string text = "a\r\nbc\r\nd";
    ExpectAt(LocateInFile(text, 0, text, 2), 2, 1);
    ExpectAt(LocateInFile(text, 0, text, 3), 2, 2);
    ExpectAt(LocateInFile(text, 0, text, 5), 3, 1);
    ExpectAt(LocateInFile("a\rb", 0, "a\rb", 1), 1, 2);
}

TEST(CliLocateInFile, PanelsFurtherDownTheFile) {
    const std::string file = "/*$$panel:G$$*/\nx=1\r\n/*$$panel:C$$*/\nab\r\ncd #";
    const std::size_t offset = file.find("ab");
    const std::string_view raw = std::string_view(file).substr(offset);
    ExpectAt(LocateInFile(file, offset, raw, 0), 4, 1);
    ExpectAt(LocateInFile(file, offset, raw, 3), 5, 1);
    ExpectAt(LocateInFile(file, offset, raw, 6), 5, 4);
    // The first panel of the same file.
    const std::size_t first = file.find("x=1");
    ExpectAt(LocateInFile(file, first, std::string_view(file).substr(first, 5), 2), 2, 3);
}

TEST(CliLocateInFile, PositionsBeyondTheTextStopAtItsEnd) {
    ExpectAt(LocateInFile("ab", 0, "ab", 10), 1, 3);
    const std::string file = "x\nab\ncd";
    ExpectAt(LocateInFile(file, 2, std::string_view(file).substr(2, 2), 7), 2, 3);
}

} // namespace

namespace {

// The help of the desktop calculator's functions, at hand in a terminal.
TEST(CliHelp, ListsAndDescribesTheBuiltInFunctions) {
    const TProcessResult list = RunCli({"--functions"});
    EXPECT_EQ(list.exitCode, 0) << Describe(list);
    EXPECT_NE(list.out.find("\nsin(a)\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\nprintln(s)\n"), std::string::npos);
    EXPECT_EQ(list.out.find("[General Info]"), std::string::npos);

    // The layout, lines in this order: call form, description, example, explanation, see also.
    const auto help = NuvixParser::HelpOf(*NuvixParser::CalculatorRegistry(), "print");
    ASSERT_TRUE(help && help->example && help->explanation && help->seeAlso);
    const TProcessResult print = RunCli({"--describe", "PRINT"});
    EXPECT_EQ(print.exitCode, 0) << Describe(print);
    EXPECT_EQ(print.out, "print(s)\n" + help->description + "\nExample:\n" + *help->example + "\nExplanation:\n" +
                             *help->explanation + "\nSee also: " + *help->seeAlso + "\n");
    // Parts a function does not have are left out.
    const TProcessResult abs = RunCli({"--describe", "abs"});
    const auto absHelp = NuvixParser::HelpOf(*NuvixParser::CalculatorRegistry(), "abs");
    ASSERT_TRUE(absHelp);
    EXPECT_EQ(abs.out.find("Example:") != std::string::npos, absHelp->example.has_value());
    EXPECT_EQ(abs.out.find("See also:") != std::string::npos, absHelp->seeAlso.has_value());

    const TProcessResult missing = RunCli({"--describe", "nosuch"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.err.find("no built-in function 'nosuch'"), std::string::npos) << missing.err;
    EXPECT_EQ(RunCli({"--describe"}).exitCode, 3);
}

} // namespace
