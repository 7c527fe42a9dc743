// Runs every script of tests/cli/scripts with varnexcalc-cli and compares the outcome with
// the expectations written in the script itself (format: tests/cli/scripts/README.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/cli/process_runner.h"

namespace {

using NuvixTest::RunCli;
using NuvixTest::TProcessResult;
namespace fs = std::filesystem;

// ---- expectations in the script ---------------------------------------------------------------

struct TExpectations {
    std::vector<std::string> output; // lines written before the result line
    std::optional<std::string> result;
    int exitCode = 0;
    std::optional<std::string> stderrPart;
    std::vector<std::string> args;
    std::vector<std::string> problems; // malformed or repeated keys
};

std::string Trim(std::string s) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

// Words separated by blanks; "..." keeps blanks inside one word.
std::vector<std::string> SplitArgs(const std::string& text, std::vector<std::string>& problems) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) problems.push_back("unbalanced quote in args: " + text);
    if (inWord) words.push_back(word);
    return words;
}

TExpectations ReadExpectations(const std::string& file) {
    TExpectations e;
    std::vector<std::string> seen;
    std::size_t start = 0;
    while (start <= file.size()) {
        std::size_t end = file.find('\n', start);
        if (end == std::string::npos) end = file.size();
        std::string line = Trim(file.substr(start, end - start));
        start = end + 1;
        if (line.rfind("/*", 0) == 0) line = Trim(line.substr(2));
        const bool isKey = line.rfind("expect-", 0) == 0 || line.rfind("args:", 0) == 0;
        if (!isKey) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            e.problems.push_back("no ':' after the key in: " + line);
            continue;
        }
        const std::string key = line.substr(0, colon);
        std::string value = line.substr(colon + 1);
        const std::size_t close = value.find("*/");
        if (close != std::string::npos) value.resize(close);
        value = Trim(value);
        if (key == "expect-output") { // one line each, so the only key that repeats
            e.output.push_back(value);
            continue;
        }
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
            e.problems.push_back("key given twice: " + key);
            continue;
        }
        seen.push_back(key);
        if (key == "expect-result") {
            e.result = value;
        } else if (key == "expect-exit") {
            char* stop = nullptr;
            e.exitCode = static_cast<int>(std::strtol(value.c_str(), &stop, 10));
            if (value.empty() || *stop != '\0') e.problems.push_back("expect-exit is not a number: " + value);
        } else if (key == "expect-stderr") {
            if (value.empty()) e.problems.push_back("expect-stderr is empty");
            e.stderrPart = value;
        } else if (key == "args") {
            e.args = SplitArgs(value, e.problems);
        } else {
            e.problems.push_back("unknown key: " + key);
        }
    }
    return e;
}

std::vector<std::string> ScriptNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(VARNEX_GOLDEN_DIR, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".zma")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The whole standard output the expectations allow: the output lines, then the result line,
// each ended by a line break.
std::string ExpectedStdout(const TExpectations& e) {
    std::string out;
    for (const std::string& line : e.output) out += line + "\n";
    if (e.result) out += *e.result + "\n";
    return out;
}

class GoldenScript : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenScript, RunsAsExpected) {
    const fs::path path = fs::path(VARNEX_GOLDEN_DIR) / GetParam();
    const std::string text = ReadFile(path);
    ASSERT_FALSE(text.empty()) << path;
    const TExpectations e = ReadExpectations(text);
    for (const auto& p : e.problems) ADD_FAILURE() << GetParam() << ": " << p;
    ASSERT_TRUE(e.problems.empty());
    ASSERT_TRUE(e.result || e.stderrPart || e.exitCode != 0)
        << GetParam() << " states no expectation (see tests/cli/scripts/README.md)";
    if (GetParam().find("crlf") != std::string::npos) {
        // These scripts are about CR LF line ends; a checkout that converted them tests nothing.
        ASSERT_NE(text.find("\r\n"), std::string::npos) << GetParam() << " lost its CR LF line ends";
    }

    std::vector<std::string> args = e.args;
    args.push_back(path.string());
    const TProcessResult r = RunCli(args);

    ASSERT_FALSE(r.timedOut) << "the runner did not finish";
    ASSERT_EQ(r.signal, 0) << "the runner died of signal " << r.signal << "\nstderr:\n" << r.err;
    EXPECT_EQ(r.exitCode, e.exitCode) << "stdout:\n" << r.out << "stderr:\n" << r.err;
    EXPECT_EQ(r.out, ExpectedStdout(e)) << "standard error:\n" << r.err;
    if (e.stderrPart)
        EXPECT_NE(r.err.find(*e.stderrPart), std::string::npos)
            << "standard error lacks: " << *e.stderrPart << "\nstandard error:\n"
            << r.err;
    else
        EXPECT_EQ(r.err, "") << "nothing expected on standard error";
}

std::string TestNameOf(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = fs::path(info.param).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Scripts, GoldenScript, ::testing::ValuesIn(ScriptNames()), TestNameOf);

TEST(GoldenScriptFolder, HoldsScripts) {
    EXPECT_FALSE(ScriptNames().empty()) << "no *.zma scripts in " << VARNEX_GOLDEN_DIR;
}

// The expectation reader itself: a typo in a key must not silently drop a check.
TEST(GoldenScriptFormat, ReadsKeysAndRejectsUnknownOnes) {
    const TExpectations e = ReadExpectations("/* expect-result: a b  \n"
                                             "   expect-exit: 1\n"
                                             "   expect-stderr: x.zma:2:3: error: Unknown function\n"
                                             "   args: -p \"Calculator 2\" -r hex */\n"
                                             "1");
    EXPECT_TRUE(e.problems.empty());
    EXPECT_EQ(e.result, "a b");
    EXPECT_EQ(e.exitCode, 1);
    EXPECT_EQ(e.stderrPart, "x.zma:2:3: error: Unknown function");
    EXPECT_EQ(e.args, (std::vector<std::string>{"-p", "Calculator 2", "-r", "hex"}));

    EXPECT_EQ(ReadExpectations("/* expect-result: 3 */ 1+2").result, "3");
    EXPECT_TRUE(ReadExpectations("1").output.empty());
    const TExpectations printing = ReadExpectations("/* expect-output: ab c\n"
                                                    "   expect-output:\n"
                                                    "   expect-output: d */ 1");
    EXPECT_TRUE(printing.problems.empty());
    EXPECT_EQ(printing.output, (std::vector<std::string>{"ab c", "", "d"}));
    EXPECT_EQ(ExpectedStdout(printing), "ab c\n\nd\n");
    EXPECT_EQ(ExpectedStdout(ReadExpectations("/* expect-output: x\n expect-result: 1 */")), "x\n1\n");
    EXPECT_EQ(ReadExpectations("/* expect-result: */ ''").result, "");
    EXPECT_FALSE(ReadExpectations("/* expect-reslt: 3 */").problems.empty());
    EXPECT_FALSE(ReadExpectations("/* expect-exit: one */").problems.empty());
    EXPECT_FALSE(ReadExpectations("/* expect-exit: 1\nexpect-exit: 2 */").problems.empty());
    EXPECT_FALSE(ReadExpectations("/* args: -p \"open */").problems.empty());
}

} // namespace
