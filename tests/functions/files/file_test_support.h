// A private temporary folder per test and helpers to run scripts on files inside it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "tests/engine/test_support.h"

namespace NuvixTest {

// Creates a fresh folder under the test framework's temporary directory and removes it
// with everything in it when the test ends.
class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::path(::testing::TempDir()) / "varnex_files_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << "mkdtemp failed for " << pattern;
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }

    // The path of a file in the folder, as a script would write it.
    std::string Path(std::string_view name) const { return (dir_ / name).string(); }

    static void WriteBytes(const std::string& path, std::string_view bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good()) << path;
    }
    static std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::filesystem::path dir_;
};

// The value a script ends with, or the run's error as "Error: message", without going
// through the text reading (texts with NUL bytes and exact number values stay intact).
struct TRunValue {
    NuvixParser::TReturnValue value;
    std::string error; // empty when the run finished
};

inline TRunValue RunValue(std::string_view text) {
    TScript s(text);
    TRunValue r;
    if (!s.Compile()) {
        r.error = "Syntax: " + s.parser.ErrorMessage();
        return r;
    }
    r.value = s.Run();
    if (s.ci.error) r.error = "Error: " + s.ci.errorMessage;
    return r;
}

// Like ExpectResults, for scripts built at run time (they name files in the folder).
struct TBuiltCase {
    std::string script;
    std::string expected;
};

inline void ExpectEach(std::initializer_list<TBuiltCase> cases) {
    for (const TBuiltCase& c : cases) EXPECT_EQ(Eval(c.script), c.expected) << "script: " << c.script;
}

// A script literal for a text (the language doubles a quote inside single quotes).
inline std::string Quoted(std::string_view text) {
    std::string q = "'";
    for (char c : text) {
        if (c == '\'') q += '\'';
        q += c;
    }
    return q + "'";
}

} // namespace NuvixTest
