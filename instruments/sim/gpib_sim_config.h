// Which simulated instrument sits at which GPIB address: the list of VARNEX_GPIB_SIM and
// the lines of a configuration file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace NuvixParser {

// One device of the simulated bus: a primary address (0 to 30) and its instrument file.
struct TGpibSimEntry {
    int address = 0;
    std::string file;
};

// "5:dmm.instrument,7:/usr/share/varnexcalc/instruments/stepper.instrument": entries
// separated by commas, each ADDRESS:FILE. False with `error` naming the wrong entry.
bool ParseGpibSimList(std::string_view list, std::vector<TGpibSimEntry>& out, std::string& error);

// One entry "ADDRESS: FILE" a line, '#' starts a comment line; a relative file is found in
// `folder` (the configuration file's). False with `error` naming the wrong line.
bool ParseGpibSimConfig(std::string_view text, const std::string& folder, std::vector<TGpibSimEntry>& out,
                        std::string& error);

} // namespace NuvixParser
