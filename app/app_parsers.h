// The parser class of the desktop calculator's panels.
#pragma once

#include <memory>

#include "engine/parser.h"

namespace NuvixApp {

// A parser carrying every function set the desktop program offers.
std::unique_ptr<NuvixParser::TParser> CreatePanelParser(NuvixParser::TGlobalVarList& globals);

} // namespace NuvixApp
