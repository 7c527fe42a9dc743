// The scripts shown in the README and the user manual: each compiles, and where a line
// says in its comment what it gives or prints, the runner agrees.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/process_runner.h"

namespace {

using NuvixTest::RunCli;

struct TBlock {
    std::string info; // the word after the opening fence
    std::vector<std::string> lines;
    int firstLine = 0;
};

std::vector<TBlock> FencedBlocks(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::vector<TBlock> blocks;
    std::string line;
    bool inside = false;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.rfind("```", 0) == 0) {
            inside = !inside;
            if (inside) blocks.push_back({line.substr(3), {}, number + 1});
        } else if (inside) {
            blocks.back().lines.push_back(line);
        }
    }
    EXPECT_FALSE(inside) << path << " ends inside a code block";
    return blocks;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

// A line "script /* what it gives */": the comment's last part after a colon, if it is a
// number or a quoted text, is the result; "prints a b c" gives the output lines.
struct TLineExample {
    std::string script;
    std::string result; // empty: not stated
    std::string printed;
};

std::optional<TLineExample> LineExample(const std::string& line) {
    static const std::regex form(R"(^(.*\S)\s+/\*\s*(.*?)\s*\*/\s*$)");
    std::smatch m;
    if (!std::regex_match(line, m, form)) return std::nullopt;
    TLineExample example{m[1], "", ""};
    std::string said = m[2];
    if (const auto colon = said.rfind(": "); colon != std::string::npos) said = said.substr(colon + 2);
    static const std::regex number(R"(^-?[0-9.]+$)"), text(R"(^'(.*)'$)"), prints(R"(^prints ((\S+ ?)+)$)");
    if (std::regex_match(said, m, number)) {
        example.result = said;
    } else if (std::regex_match(said, m, text)) {
        example.result = m[1];
    } else if (std::regex_match(said, m, prints)) {
        example.printed = std::regex_replace(std::string(m[1]), std::regex(" "), "\n") + "\n";
    }
    return example;
}

const char* const kDocuments[] = {"README.md", "doc/manual.md"};

// Blocks marked `script` are whole scripts: they compile against every built-in function.
TEST(DocumentExamples, ScriptBlocksCompile) {
    int scripts = 0;
    for (const char* document : kDocuments) {
        const std::string path = std::string(VARNEX_SOURCE_DIR) + "/" + document;
        for (const TBlock& block : FencedBlocks(path)) {
            if (block.info != "script") continue;
            ++scripts;
            const auto r = RunCli({"-c", "-e", Joined(block.lines)});
            EXPECT_EQ(r.exitCode, 0) << path << ":" << block.firstLine << ": " << r.err;
        }
    }
    EXPECT_GE(scripts, 3);
}

// Unmarked blocks whose every line is a script with a comment are lists of one-line
// examples: each runs, and gives what its comment says.
TEST(DocumentExamples, OneLineExamplesGiveWhatTheirCommentsSay) {
    for (const char* document : kDocuments) {
        const std::string path = std::string(VARNEX_SOURCE_DIR) + "/" + document;
        int checked = 0;
        for (const TBlock& block : FencedBlocks(path)) {
            if (!block.info.empty() || block.lines.empty()) continue;
            std::vector<TLineExample> examples;
            for (const auto& line : block.lines)
                if (auto e = LineExample(line)) examples.push_back(*e);
            if (examples.size() != block.lines.size()) continue;
            for (size_t i = 0; i < examples.size(); ++i) {
                const std::string where = path + ":" + std::to_string(block.firstLine + static_cast<int>(i));
                const auto r = RunCli({"-e", examples[i].script});
                EXPECT_EQ(r.exitCode, 0) << where << ": " << r.err;
                if (!examples[i].result.empty()) {
                    const auto lastLine = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
                    EXPECT_EQ(lastLine, examples[i].result + "\n") << where;
                    ++checked;
                }
                if (!examples[i].printed.empty()) {
                    EXPECT_EQ(r.out.substr(0, examples[i].printed.size()), examples[i].printed) << where;
                    ++checked;
                }
            }
        }
        EXPECT_GT(checked, 3) << path << " states no results";
    }
}

} // namespace
