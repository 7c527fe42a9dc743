// Splitting command lines into words with sh quoting and no expansions.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "functions/files/command_line.h"

namespace {

using Words = std::vector<std::string>;

TEST(CommandLine, SplitsLikeTheShellWithoutExpanding) {
    const struct {
        std::string line;
        Words words;
    } cases[] = {
        {"sort", {"sort"}},
        {"  ls   -l\t/tmp \n", {"ls", "-l", "/tmp"}},
        {"", {}},
        {" \t\n ", {}},
        {"echo 'a b'  c", {"echo", "a b", "c"}},
        {"echo \"a  b\"", {"echo", "a  b"}},
        {"echo a\\ b", {"echo", "a b"}},
        {"echo pre'mid dle'\"post\"fix", {"echo", "premid dlepostfix"}},
        {"echo '' \"\" x", {"echo", "", "", "x"}},
        {"echo ''x", {"echo", "x"}},
        // Inside single quotes nothing is special, backslashes included.
        {"echo 'a\\b\"c$d'", {"echo", "a\\b\"c$d"}},
        // Inside double quotes a backslash escapes only $ ` \" \\ and a line feed.
        {"echo \"\\$HOME \\` \\\" \\\\ \\n \\a\"", {"echo", "$HOME ` \" \\ \\n \\a"}},
        {"echo \"a\\\nb\"", {"echo", "ab"}},
        {"echo \"it's\"", {"echo", "it's"}},
        {"echo 'say \"hi\"'", {"echo", "say \"hi\""}},
        // Outside quotes a backslash keeps any character, joins lines, or stays at the end.
        {"echo \\'x\\\" \\\\", {"echo", "'x\"", "\\"}},
        {"echo a\\\nb", {"echo", "ab"}},
        {"echo x\\", {"echo", "x\\"}},
        // No shell: no variables, globs, tilde, operators or comments.
        {"echo $HOME *.txt ~ a|b >out ; # c", {"echo", "$HOME", "*.txt", "~", "a|b", ">out", ";", "#", "c"}},
        {"sh -c 'echo $((1+2)); exit 3'", {"sh", "-c", "echo $((1+2)); exit 3"}},
        // A CR is an ordinary byte, as in sh.
        {"echo a\r", {"echo", "a\r"}},
    };
    for (const auto& c : cases) {
        Words words{"stale"};
        EXPECT_TRUE(NuvixParser::SplitCommandLine(c.line, words)) << c.line;
        EXPECT_EQ(words, c.words) << c.line;
    }
}

TEST(CommandLine, UnterminatedQuotesAreRefused) {
    for (const char* line : {"echo 'a", "echo \"a", "echo \"a\\\"", "'", "\"", "echo 'a'\"b"}) {
        Words words;
        EXPECT_FALSE(NuvixParser::SplitCommandLine(line, words)) << line;
    }
}

} // namespace
