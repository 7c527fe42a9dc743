// The parser class of the desktop calculator's panels.
#include "app/app_parsers.h"

#include "instruments/comm_parser.h"

namespace NuvixApp {

std::unique_ptr<NuvixParser::TParser> CreatePanelParser(NuvixParser::TGlobalVarList& globals) {
    return std::make_unique<NuvixParser::TCommParser>(globals);
}

} // namespace NuvixApp
