// Replays the saved inputs of every fuzz target (the crashes found and fixed, and the
// seed corpus) through the targets' own entry functions, built with the normal compiler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_targets.h"

namespace {

namespace fs = std::filesystem;

using TEntry = void (*)(const std::uint8_t*, std::size_t);

struct TTarget {
    const char* name;
    TEntry entry;
};

const TTarget kTargets[] = {
    {"parser", &NuvixFuzz::FuzzParser},
    {"macro_file", &NuvixFuzz::FuzzMacroFile},
    {"matrix_file", &NuvixFuzz::FuzzMatrixFile},
    {"regexp", &NuvixFuzz::FuzzRegexp},
    {"regexp_automaton", &NuvixFuzz::FuzzRegexpAutomaton},
    {"conversions", &NuvixFuzz::FuzzConversions},
    {"plot_drawing", &NuvixFuzz::FuzzPlotDrawing},
    {"comm_settings", &NuvixFuzz::FuzzCommSettings},
    {"port_address", &NuvixFuzz::FuzzPortAddress},
    {"gui_file", &NuvixFuzz::FuzzGuiFile},
    {"gpib_driver", &NuvixFuzz::FuzzGpibDriver},
};

std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    if (!fs::is_directory(dir)) return files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs every file of one folder of one target; a broken invariant aborts the program, a
// sanitizer finding (in the sanitizer build) ends it with a report.
std::size_t Replay(const TTarget& target, const char* folder) {
    const std::vector<fs::path> files = FilesIn(fs::path(VARNEX_FUZZ_DIR) / folder / target.name);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<std::uint8_t> bytes = ReadBytes(file);
        target.entry(bytes.data(), bytes.size());
    }
    return files.size();
}

TEST(FuzzRegressions, SavedCrashesRunClean) {
    for (const TTarget& target : kTargets) Replay(target, "regressions");
}

TEST(FuzzRegressions, SeedCorpusRunsClean) {
    for (const TTarget& target : kTargets) {
        SCOPED_TRACE(target.name);
        // Every target ships seeds: a missing folder means the corpus was moved or lost.
        EXPECT_GE(Replay(target, "corpus"), 3u);
    }
}

} // namespace
