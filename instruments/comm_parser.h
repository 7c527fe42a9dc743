// TCommParser: the parser of every calculation: its runs end by closing what they opened.
#pragma once

#include <memory>

#include "engine/parser.h"

namespace NuvixParser {

class TSerialPorts;

class TCommParser : public TParser {
public:
    // `registry` is the calculator's function set (CalculatorRegistry() for the full one);
    // `ports` the calculator's serial port table (not owned; none: nothing to close).
    TCommParser(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry,
                TSerialPorts* ports = nullptr);

    // A TCommParser over the same global variable list, function set and port table.
    std::unique_ptr<TParserBase> Clone() const override;
    // After every run, also one that ended with an error or a break: closes the serial
    // ports the run left open, then every runtime control panel (panels live only while
    // the script that loaded them runs).
    void AfterRun(TCalcInfo& ci) override;

private:
    TSerialPorts* ports_;
};

} // namespace NuvixParser
