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
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "cli/cli_app.h"
#include "cli/plot_pictures.h"
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

TRunOptions StandardInput(std::string text) {
    TRunOptions options;
    options.input = std::move(text);
    return options;
}

TRunOptions InterruptAfter(std::chrono::milliseconds delay) {
    TRunOptions options;
    options.interrupt = delay;
    return options;
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

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Tabs with curves are written, named by the tab number scripts use; a tab whose panel has
// no curve (made by a query) is not.
TEST_F(CliProcess, WritesThePlotTabsThatHoldCurves) {
    const TProcessResult r = RunCli({"--plots", dir_.string(), "--plot-size", "300x200", "-e",
                                     "plot(0;0;x;x;0;1;4), plotcurvecount(1), plot(2;3;x;x;0;1;2), "
                                     "plottitle(0;'A&B \xB5')"});
    ExpectResult(r, "1", 0);
    const std::string svg = ReadFile(dir_ / "plot-0.svg");
    EXPECT_NE(svg.find("width=\"300\" height=\"200\""), std::string::npos);
    EXPECT_NE(svg.find(">A&amp;B \xC2\xB5</text>"), std::string::npos); // the caption as title, in UTF-8
    EXPECT_NE(svg.find("stroke=\"rgb(0,0,255)\""), std::string::npos);   // curve 0 in blue
    EXPECT_FALSE(fs::exists(dir_ / "plot-1.svg"));
    EXPECT_NE(ReadFile(dir_ / "plot-2.svg").find("stroke=\"rgb(255,0,255)\""), std::string::npos); // curve 3
}

TEST_F(CliProcess, WritesPlotsAsTextFiles) {
    const TProcessResult r =
        RunCli({"--plots", dir_.string(), "--plot-format", "txt", "-e", "plot(0;0;x;x*x;0;1;4), plot(0;1;x;1;0;1;2)"});
    ExpectResult(r, "0.5", 0);
    EXPECT_EQ(ReadFile(dir_ / "plot-0.txt"), "0\t0\t0\t1\r\n0.25\t0.0625\t0.5\t1\r\n0.5\t0.25\t\t\r\n0.75\t0.5625\t\t\r\n");
}

// Comma-separated, with a header row that names the curves a script named.
TEST_F(CliProcess, WritesPlotsAsCsvFiles) {
    const TProcessResult r = RunCli({"--plots", dir_.string(), "--plot-format", "csv", "-e",
                                     "plot(0;0;x;x*x;0;1;2), plotappend(0;1;5;6), plotcurvename(0;1;'T, K')"});
    ExpectResult(r, "1", 0);
    EXPECT_EQ(ReadFile(dir_ / "plot-0.csv"), "x1,y1,x2,\"T, K\"\r\n0,0,5,6\r\n0.5,0.25,,\r\n");
}

TEST_F(CliProcess, PlotOptionsAreChecked) {
    ExpectUsageError(RunCli({"--plots", dir_.string(), "--plot-format", "gif", "-e", "1"}));
    ExpectUsageError(RunCli({"--plots", dir_.string(), "--plot-format", "PNG", "-e", "1"}));
    ExpectUsageError(RunCli({"--plots", dir_.string(), "--plot-size", "0x20", "-e", "1"}));
    ExpectUsageError(RunCli({"--plots", dir_.string(), "--plot-size", "20", "-e", "1"}));
    ExpectUsageError(RunCli({"--plots"}));
    const TProcessResult r = RunCli({"--plots", (dir_ / "missing").string(), "-e", "plot(0;0;x;x;0;1;1)"});
    EXPECT_EQ(r.exitCode, 3) << Describe(r);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << Describe(r);
}

// Pictures drawn with Qt are checked in tests/cli/pictures where the build has Qt; without
// it the runner refuses them up front.
TEST_F(CliProcess, PicturesWithoutQtAreRefused) {
    if (NuvixCli::TPlotPictures::Available()) GTEST_SKIP() << "this build draws pictures";
    for (const char* format : {"png", "pdf"}) {
        const TProcessResult r = RunCli({"--plots", dir_.string(), "--plot-format", format, "-e", "plot(0;0;x;x;0;1;4)"});
        ExpectUsageError(r);
        EXPECT_NE(r.err.find("needs Qt"), std::string::npos) << Describe(r);
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

TEST_F(CliProcess, EveryRunErrorSaysWhatWentWrong) {
    const struct {
        const char* script;
        const char* line;
    } cases[] = {
        {"s='abc', s[0]", "Error: Index: s is not an array"},
        {"x=1, length(x[])", "Error: Index: x is not an array"},
        {"x=1, foreach(i;x[];1)", "Error: ForEach: x is not an array"},
        {"x=1, x[0]=2", "Error: = operator: x is not an array"},
        {"a[268435456]=1", "Error: = operator: array index beyond the limit of 268435455"},
        {"a[-1]=1", "Error: = operator: error setting a value (maybe negative array index)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        ExpectResult(RunCli({"-e", c.script}), c.line, 1);
    }
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
    ExpectResult(RunCli({"-"}, StandardInput("1+2")), "3", 0);
    ExpectResult(RunCli({"-p", "Product", "-"},
                        StandardInput("/*$$panel:Global$$*/\n$b = 4\n/*$$panel:Sum$$*/\n$b+1\n"
                                      "/*$$panel:Product$$*/\n$b*2")),
                 "8", 0);
    ExpectResult(RunCli({"-r", "bin", "-"}, StandardInput("5")), "101", 0);

    const TProcessResult bad = RunCli({"-"}, StandardInput("a = 1,\r\nb # 2"));
    EXPECT_EQ(bad.exitCode, 2) << Describe(bad);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find(":2:3: error: Unknown operator '#'"), std::string::npos) << Describe(bad);
}

// ---- odd files and how runs end ---------------------------------------------------------------

TEST_F(CliProcess, AByteOrderMarkBeforeTheScriptIsSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    ExpectResult(RunCli({Write("bom.zma", bom + "6*7")}), "42", 0);
    ExpectResult(RunCli({"-"}, StandardInput(bom + "1+2")), "3", 0);
    ExpectResult(RunCli({"-p", "Sum", Write("sections.zma", bom + "/*$$panel:Global$$*/\n$b = 4\n"
                                                                   "/*$$panel:Sum$$*/\n$b+1\n")}),
                 "5", 0);
    // Columns count from the first character after the mark.
    const std::string broken = Write("broken-bom.zma", bom + "1 # 2");
    ExpectSyntaxError(RunCli({broken}), broken + ":1:3: error: Unknown operator '#'");
    // Only at the start of the file: further on the bytes are the script's own.
    const std::string inside = Write("inside.zma", "1 " + bom);
    EXPECT_EQ(RunCli({inside}).exitCode, 2);
}

TEST_F(CliProcess, ControlBytesInMessagesAreShownEscaped) {
    const std::string nul = Write("nul.zma", std::string("1 \0 2", 5));
    ExpectSyntaxError(RunCli({nul}), nul + ":1:3: error: Unknown operator '\\x00'");
    const std::string escape = Write("escape.zma", "1 \x1B 2");
    ExpectSyntaxError(RunCli({escape}), escape + ":1:3: error: Unknown operator '\\x1B'");
    // A run error quoting a text of the script.
    const std::string missing = (dir_ / "a").string();
    ExpectResult(RunCli({"-e", "fileread('" + missing + "' + chr(1))"}),
                 "Error: FileRead: Error opening file '" + missing + "\\x01'.", 1);
    // Output and text results are the script's own and stay as they are.
    ExpectResult(RunCli({"-e", "print(chr(1)), 'a' + chr(9) + 'b'"}), "\x01\na\tb", 0);
}

TEST_F(CliProcess, StackOverflowEndsWithStatusOne) {
    ExpectResult(RunCli({"-e", "define(f(n); f(n + 1)), f(0)"}), "Stack Overflow", 1);
    // The Global panel's overflow is followed by the panel's own run, which decides.
    ExpectResult(RunCli({"-g", "define(f(n); f(n + 1)), f(0)", "-e", "2"}), "2", 0);
    // The same text made by the script is a finished run.
    ExpectResult(RunCli({"-e", "'Stack Overflow'"}), "Stack Overflow", 0);
}

// ---- standard output ----------------------------------------------------------------------

TEST_F(CliProcess, FailedWritesToStandardOutputExitWithThree) {
    // /dev/full fails every write with ENOSPC, as a full disk does.
    const std::vector<std::vector<std::string>> commands = {
        {"-e", "42"},                                          // the result line alone
        {"-e", "println('hello'), 42"},                        // output of the run
        {"-e", "print('x'), 1/0"},                             // a run error after the output
        {"-e", "for(i = 0; i < 1e6; i += 1; println(i))"},    // the run breaks at the first failure
        {"-h"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.back());
        TRunOptions options;
        options.outputFile = "/dev/full";
        const TProcessResult r = RunCli(command, options);
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.signal, 0) << Describe(r);
        EXPECT_EQ(r.exitCode, 3) << Describe(r);
        EXPECT_EQ(r.err, "varnexcalc-cli: cannot write standard output: No space left on device\n") << Describe(r);
    }
}

TEST_F(CliProcess, AReaderThatQuitsEndsTheRunnerQuietly) {
    // `varnexcalc-cli f | head -1`: SIGPIPE ends the runner without a word...
    const std::string script = "for(i = 0; i < 100000; i += 1; println(i)), 1";
    TRunOptions quits;
    quits.closeOutput = true;
    const TProcessResult r = RunCli({"-e", script}, quits);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, SIGPIPE) << Describe(r);
    EXPECT_EQ(r.err, "") << Describe(r);

    // ...and where SIGPIPE is ignored, the failed write (EPIPE) ends it just as quietly, but
    // not as a finished run.
    quits.ignoreBrokenPipe = true;
    const TProcessResult ignored = RunCli({"-e", script}, quits);
    ASSERT_FALSE(ignored.timedOut);
    EXPECT_EQ(ignored.signal, 0) << Describe(ignored);
    EXPECT_EQ(ignored.exitCode, 3) << Describe(ignored);
    EXPECT_EQ(ignored.err, "") << Describe(ignored);
}

// ---- Ctrl+C --------------------------------------------------------------------------------------

TEST_F(CliProcess, InterruptBreaksTheRun) {
    // A tree recursion of 2^50 calls that never finishes on its own; every call passes a ','
    // that checks for a break, and calls reached after the break report it themselves.
    const TProcessResult r =
        RunCli({"-e", "define(f(n);if(n<50;(1, f(n+1)) + f(n+1);1)), f(0)"}, InterruptAfter(300ms));
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    EXPECT_EQ(r.out, "Error: Breaked\n") << Describe(r);
    EXPECT_EQ(r.err, "") << Describe(r);
}

TEST_F(CliProcess, InterruptBreaksALoop) {
    // Runs until broken; every iteration checks for a break.
    const TProcessResult r = RunCli({"-e", "i = 0, while(1; i += 1)"}, InterruptAfter(300ms));
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    EXPECT_EQ(r.out, "Error: Breaked\n") << Describe(r);
    EXPECT_EQ(r.err, "") << Describe(r);
}

// ---- control bytes in messages --------------------------------------------------------------

TEST(CliEscapeControlBytes, ControlBytesBecomeHexEscapes) {
    const struct {
        std::string message;
        std::string shown;
    } cases[] = {
        {"", ""},
        {"Variable q has no value", "Variable q has no value"},
        {std::string("'\0'", 3), "'\\x00'"},
        {"a\tb\nc\rd", "a\\x09b\\x0Ac\\x0Dd"},
        {"\x1B[2J\x1F\x7F", "\\x1B[2J\\x1F\\x7F"},
        {" ~", " ~"},                             // the printable ends stay
        {"caf\xE9 \xC3\xA9", "caf\xE9 \xC3\xA9"}, // 8-bit and UTF-8 bytes stay
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(NuvixCli::EscapeControlBytes(c.message), c.shown);
    }
}

// ---- programs started by execute -----------------------------------------------------------

// The ids of the processes whose command line is exactly `words`.
std::vector<pid_t> ProcessesRunning(const std::vector<std::string>& words) {
    std::string wanted;
    for (const auto& w : words) wanted += w + '\0';
    std::vector<pid_t> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        const std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (cmdline == wanted) found.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return found;
}

// Polls `done` until it holds or `limit` passed.
template <class F>
bool WaitUntil(F done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        usleep(10000);
    }
    return true;
}

TEST_F(CliProcess, TheProgramOfExecuteEndsWithTheRunner) {
    // The program ignores SIGTERM, as a busy one may: a break then needs its grace period
    // and SIGKILL to end it, so a second Ctrl+C arrives while it still runs.
    const struct {
        const char* how;
        std::vector<int> signals;
        int exitCode;
        int signal;
    } cases[] = {
        {"second Ctrl+C", {SIGINT, SIGINT}, 130, 0},
        {"SIGTERM", {SIGTERM}, -1, SIGTERM},
        {"SIGHUP", {SIGHUP}, -1, SIGHUP},
        {"SIGQUIT", {SIGQUIT}, -1, SIGQUIT},
        {"SIGKILL", {SIGKILL}, -1, SIGKILL}, // no chance to end it: the program's own death signal
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        // An argument no other process has, to find this very sleep.
        const std::string seconds = "80." + std::to_string(getpid()) + std::to_string(++n);
        const std::vector<std::string> sleep{"sleep", seconds};
        bool started = false;
        TRunOptions options;
        options.whileRunning = [&](pid_t runner) {
            started = WaitUntil([&] { return !ProcessesRunning(sleep).empty(); }, 10000ms);
            for (int sig : c.signals) {
                kill(runner, sig);
                usleep(50000);
            }
        };
        const TProcessResult r = RunCli(
            {"-e", "execute('sh -c \"trap \\\"\\\" TERM; exec sleep " + seconds + "\"'; '')"}, options);
        const bool ended = WaitUntil([&] { return ProcessesRunning(sleep).empty(); }, 3000ms);
        for (pid_t left : ProcessesRunning(sleep)) kill(left, SIGKILL);
        EXPECT_TRUE(started) << Describe(r);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.exitCode) << Describe(r);
        EXPECT_EQ(r.signal, c.signal) << Describe(r);
        EXPECT_TRUE(ended) << "the program outlived the runner";
    }
}

// ---- memory running out before the run ---------------------------------------------------------

#if !defined(__SANITIZE_ADDRESS__) // the sanitizer's shadow memory needs more than the limits here
TEST_F(CliProcess, MemoryRunningOutBeforeTheRunEndsWithAMessage) {
    // Reading a file that never ends, under a limit of 300 MB.
    TRunOptions limited;
    limited.addressSpaceLimit = 300ull << 20;
    const TProcessResult endless = RunCli({"/dev/zero"}, limited);
    EXPECT_EQ(endless.signal, 0) << Describe(endless);
    EXPECT_EQ(endless.exitCode, 3) << Describe(endless);
    EXPECT_EQ(endless.out, "") << Describe(endless);
    EXPECT_EQ(endless.err, "varnexcalc-cli: script file too large: /dev/zero\n") << Describe(endless);

    // A valid script of a million statements (22 MB), compiled under a limit of 700 MB
    // (the variable w keeps the arithmetic from being computed while compiling).
    std::string script;
    for (int i = 0; i < 1000000; ++i) script += "v" + std::to_string(i % 1000) + " = " + std::to_string(i) + " * w + 1,\n";
    script += "0";
    const std::string big = Write("big.zma", script);
    limited.addressSpaceLimit = 700ull << 20;
    const TProcessResult compiled = RunCli({"-c", big}, limited);
    EXPECT_EQ(compiled.signal, 0) << Describe(compiled);
    EXPECT_EQ(compiled.exitCode, 3) << Describe(compiled);
    EXPECT_EQ(compiled.err, "varnexcalc-cli: out of memory while compiling\n") << Describe(compiled);
}
#endif

// ---- files that block --------------------------------------------------------------------------

TEST_F(CliProcess, AFunctionWaitingOnAFifoEndsOnTheFirstBreak) {
    // Each waits for the other end of a FIFO that nobody opens: a reader waits for a
    // writer, a writer for a reader.
    const struct {
        const char* call; // with F for the FIFO's path
        bool reads;
    } cases[] = {
        {"fileread(F)", true},
        {"readmatrix(m[]; F)", true},
        {"filewrite(F; 'x')", false},
        {"fileappend(F; 'x')", false},
        {"m[0] = 1, writematrix(F; m[]; 1)", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        const std::string fifo = (dir_ / ("fifo" + std::to_string(++n))).string();
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
        std::string script = c.call;
        script.replace(script.find('F'), 1, "'" + fifo + "'");
        bool endedSoon = false;
        TRunOptions options;
        options.whileRunning = [&](pid_t runner) {
            usleep(300000);
            kill(runner, SIGINT);
            // Whether the runner exited, without reaping it (RunCli does that).
            endedSoon = WaitUntil(
                [&] {
                    siginfo_t info{};
                    return waitid(P_PID, static_cast<id_t>(runner), &info, WEXITED | WNOWAIT | WNOHANG) == 0 &&
                           info.si_pid == runner;
                },
                1500ms);
            // A runner that missed the break is released by opening the other end for a
            // moment, so the test goes on.
            if (!endedSoon) {
                const int other = open(fifo.c_str(), (c.reads ? O_WRONLY : O_RDONLY) | O_NONBLOCK);
                if (other >= 0) close(other);
            }
        };
        const TProcessResult r = RunCli({"-e", script}, options);
        EXPECT_TRUE(endedSoon) << "the break did not end the wait";
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 1) << Describe(r);
        EXPECT_EQ(r.out, "Error: Breaked\n") << Describe(r);
    }
}

TEST_F(CliProcess, AFifoWithAWriterIsReadToItsEnd) {
    // The nonblocking open still waits for the writer's text, and reads until it leaves.
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    TRunOptions options;
    options.whileRunning = [&](pid_t) {
        usleep(200000);
        const int writer = open(fifo.c_str(), O_WRONLY);
        if (writer < 0) return;
        (void)!write(writer, "12", 2);
        usleep(200000);
        (void)!write(writer, "34", 2);
        close(writer);
    };
    ExpectResult(RunCli({"-e", "fileread('" + fifo + "')"}, options), "1234", 0);
}

TEST_F(CliProcess, InterruptEndsAPanelWaitThatNoEventCanEnd) {
    // No panel can be shown here: the first endless wait says so once, and Ctrl+C ends it.
    const TProcessResult r = RunCli({"-e", "waitguievent(0.5), waitguievent(0), waitguievent(0)"}, InterruptAfter(300ms));
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    EXPECT_EQ(r.out, "Error: Breaked\n") << Describe(r);
    const std::string notice = "waitguievent(0) waits for ever";
    const std::size_t at = r.err.find(notice);
    EXPECT_NE(at, std::string::npos) << Describe(r);
    EXPECT_EQ(r.err.find(notice, at + 1), std::string::npos) << Describe(r);
}

// ---- error positions to file lines ------------------------------------------------------------

using NuvixCli::TSourcePos;

// The runner's two steps: where the panel starts in the file, then where the position
// stands in the panel's text as the parser keeps it (without CR).
TSourcePos LocateInFile(std::string_view file, std::size_t offset, std::string_view rawText, int position) {
    std::string text(rawText);
    std::erase(text, '\r');
    return NuvixCli::LocateInText(NuvixCli::LocateInFile(file, offset), text, position);
}

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
