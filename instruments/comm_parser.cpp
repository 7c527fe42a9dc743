// TCommParser: the shared registry of the full function set, Clone and the end-of-run cleanup.
#include "instruments/comm_parser.h"

#include "instruments/output_functions.h"

namespace NuvixParser {

std::shared_ptr<const TFunctionRegistry> CommRegistry() {
    static const std::shared_ptr<const TFunctionRegistry> registry = [] {
        auto r = std::make_shared<TFunctionRegistry>(*StandardRegistry());
        // The plot, serial-port and GPIB tables follow the output table here, in that order.
        r->Register(OutputFunctionTable());
        return r;
    }();
    return registry;
}

TCommParser::TCommParser(TGlobalVarList& globals) : TParser(globals, CommRegistry()) {}

TCommParser::TCommParser(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry)
    : TParser(globals, std::move(registry)) {}

std::unique_ptr<TParserBase> TCommParser::Clone() const {
    return std::make_unique<TCommParser>(Globals());
}

void TCommParser::AfterRun() {
    TParser::AfterRun();
    CloseSerialPorts();
}

// No port may outlive the run that opened it: every slot of the process-wide port table
// is closed here, one slot lock at a time. The table comes with the serial-port
// functions; until then no script can open a port, so there is nothing to close.
void TCommParser::CloseSerialPorts() {}

} // namespace NuvixParser
