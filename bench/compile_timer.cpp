// compile_timer FILE [RUNS]: what the editor pays on a keystroke for the script in FILE,
// the best of RUNS compiles (default 5) on one parser, in milliseconds. Each compile
// replaces the previous tree (SetText) and parses with syntax-colouring marks, as the
// editor does while the user types; names are bound only when a run starts, which
// varnexcalc-cli -t counts in its own compile time. bench/compare runs this beside Lua's
// load and Python's compile, timed the same way.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/parser.h"
#include "instruments/comm_parser.h"
#include "instruments/calculator.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: compile_timer FILE [RUNS]\n");
        return 3;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "compile_timer: cannot read %s\n", argv[1]);
        return 3;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;

    NuvixParser::TGlobalVarList globals;
    NuvixParser::TCommParser parser(globals, NuvixParser::CalculatorRegistry());
    std::vector<NuvixParser::TCodePosInfo> marks;
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        parser.SetText(text);
        const bool ok = parser.Compile(&marks);
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        if (!ok) {
            std::fprintf(stderr, "compile_timer: %s\n", parser.ErrorMessage().c_str());
            return 2;
        }
        best = std::min(best, elapsed.count());
    }
    std::printf("%.3f\n", best);
    return 0;
}
