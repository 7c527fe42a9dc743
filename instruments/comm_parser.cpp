// TCommParser: Clone and the end-of-run cleanup.
#include "instruments/comm_parser.h"

#include "instruments/serial_ports.h"
#include "instruments/panel_host.h"
#include "instruments/run_context.h"

namespace NuvixParser {

TCommParser::TCommParser(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry,
                         TSerialPorts* ports)
    : TParser(globals, std::move(registry)), ports_(ports) {}

std::unique_ptr<TParserBase> TCommParser::Clone() const {
    return std::make_unique<TCommParser>(Globals(), BaseRegistry(), ports_);
}

// No port may outlive the run that opened it, and runtime panels live only while the
// script that loaded them runs.
void TCommParser::AfterRun(TCalcInfo& ci) {
    TParser::AfterRun(ci);
    if (ports_) ports_->CloseAll();
    if (TPanelHost* panels = PanelHostOf(ci)) panels->CloseAll();
}

} // namespace NuvixParser
