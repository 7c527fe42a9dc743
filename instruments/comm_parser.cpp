// TCommParser: Clone and the end-of-run cleanup.
#include "instruments/comm_parser.h"

#include "instruments/panel_host.h"
#include "instruments/run_context.h"

namespace NuvixParser {

TCommParser::TCommParser(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry)
    : TParser(globals, std::move(registry)) {}

std::unique_ptr<TParserBase> TCommParser::Clone() const {
    return std::make_unique<TCommParser>(Globals(), BaseRegistry());
}

void TCommParser::AfterRun(TCalcInfo& ci) {
    TParser::AfterRun(ci);
    CloseSerialPorts();
    if (TPanelHost* panels = PanelHostOf(ci)) panels->CloseAll();
}

// No port may outlive the run that opened it: every slot of the port table is closed
// here, one slot lock at a time. The table comes with the serial-port functions; until
// then no script can open a port, so there is nothing to close.
void TCommParser::CloseSerialPorts() {}

} // namespace NuvixParser
