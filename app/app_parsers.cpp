// The parser class of the desktop calculator's panels.
#include "app/app_parsers.h"

namespace NuvixApp {

std::unique_ptr<NuvixParser::TParser> CreatePanelParser(NuvixParser::TGlobalVarList& globals) {
    return std::make_unique<NuvixParser::TParser>(globals);
}

} // namespace NuvixApp
