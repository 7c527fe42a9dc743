// Runs a program with a text on its standard input and collects its output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "functions/files/file_io.h"

namespace NuvixParser {

class TCalcInfo;

enum class TProcessStatus {
    Finished,       // the output ended and the program was reaped; output holds it all
    StartFailed,    // no program could be started from the words (unknown, not executable)
    Breaked,        // a break request ended the program
    OutputTooLarge, // the output passed the limit; the program was ended
    SystemError,    // no pipes or no polling: the system refused resources
};

struct TProcessOutcome {
    TProcessStatus status = TProcessStatus::Finished;
    std::string output; // standard output and standard error, interleaved as written
};

// Starts words[0] (searched on PATH unless it holds a '/') with the arguments words,
// without a shell, in a process group of its own and with default signal handling.
// Its standard input is fed from `input` while its output is read, so commands that
// answer as they read (cat, sort with large data) work at any size; the input pipe is
// closed when all of it is written or the program stops reading. The output is read
// until every writer has closed it; then the program is reaped.
//
// A break request ends the program's group (SIGTERM, then SIGKILL after a short grace)
// and gives Breaked; the program is reaped on every path, so no zombie is left.
// A program that exits without reading all input does not raise SIGPIPE in the caller.
TProcessOutcome RunProcess(const std::vector<std::string>& words, std::string_view input, TCalcInfo& ci,
                           std::uint64_t maxOutput = kMaxTextBytes);

} // namespace NuvixParser
