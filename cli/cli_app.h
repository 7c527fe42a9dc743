// varnexcalc-cli: runs the scripts of a macro file headless, like the main window's Start.
#pragma once

#include <string>
#include <string_view>

namespace NuvixCli {

// Exit statuses of the runner.
enum TExitCode : int {
    kExitFinished = 0,
    kExitRunError = 1, // the run ended with an error (a break included) or in "Stack Overflow"
    kExitSyntaxError = 2,
    kExitUsage = 3, // bad command line, unreadable file or lost output
};

// Line and column, both 1-based, in a script file; columns count no CR bytes.
struct TSourcePos {
    int line = 1;
    int column = 1;
};
// Where byte `offset` of `file` stands: the start of a panel's text.
TSourcePos LocateInFile(std::string_view file, std::size_t offset);
// Where byte `position` of a panel's CR-free text (as the parser keeps it) stands, the
// panel starting at `start`. Needs nothing of the file: the runner lets the file's bytes
// go before it compiles.
TSourcePos LocateInText(TSourcePos start, std::string_view text, int position);

// A message as the runner shows it: control bytes (below 0x20, and 0x7F) written as
// '\xNN', so a message stays on its one line and a NUL or escape byte from a script's
// text cannot reach the terminal raw.
std::string EscapeControlBytes(std::string_view message);

int RunCli(int argc, char** argv);

} // namespace NuvixCli
