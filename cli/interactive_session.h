// The runner's interactive session: a prompt on a terminal, each entry run in one
// calculator session, results and errors shown at once.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/result_text.h"

namespace NuvixParser {
class TPanelHost;
class TPlotModel;
} // namespace NuvixParser

namespace NuvixCli {

struct TSessionOptions {
    std::optional<std::string> globalText; // -g: the Global panel, run before every entry
    std::optional<std::string> loadFile;   // a FILE given with -i: loaded as :load does
    std::optional<std::string> firstEntry; // -e TEXT given with -i: the first entry
    NuvixParser::TRadix radix = NuvixParser::TRadix::Decimal;
    // With --plots: writes the plot files (false after saying why it could not).
    std::function<bool(const NuvixParser::TPlotModel&)> writePlots;
    NuvixParser::TPanelHost* panels = nullptr; // not owned
};

// Whether this build has the session: it needs libedit.
bool InteractiveSessionAvailable();

// Runs the session until :quit, Ctrl+D, or Ctrl+C twice at an empty prompt; the exit
// status of the runner.
int RunInteractiveSession(const TSessionOptions& options);

} // namespace NuvixCli
