// TCommParser: the parser of every calculation, the standard functions plus output and instrument functions.
#pragma once

#include <memory>

#include "engine/parser.h"

namespace NuvixParser {

class TCommParser : public TParser {
public:
    // Registers the standard functions and the output functions. The registry is built
    // once per process and shared, so constructing a parser copies no function map.
    explicit TCommParser(TGlobalVarList& globals);

    // A TCommParser over the same global variable list, with the full function set.
    std::unique_ptr<TParserBase> Clone() const override;
    // After every run: closes the serial ports the run left open.
    void AfterRun() override;

protected:
    // For parsers that extend the set further: `registry` is built on CommRegistry().
    TCommParser(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry);

private:
    static void CloseSerialPorts();
};

// The standard functions plus the function tables of the instruments, in registration
// order; a later table's name replaces an earlier one in any letter case.
std::shared_ptr<const TFunctionRegistry> CommRegistry();

} // namespace NuvixParser
