// TCommParser: the parser of every calculation: its runs end by closing what they opened.
#pragma once

#include <memory>

#include "engine/parser.h"

namespace NuvixParser {

class TCommParser : public TParser {
public:
    // `registry` is the calculator's function set (CalculatorRegistry() for the full one).
    TCommParser(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry);

    // A TCommParser over the same global variable list and function set.
    std::unique_ptr<TParserBase> Clone() const override;
    // After every run: closes the serial ports the run left open, then every runtime
    // control panel (panels live only while the script that loaded them runs).
    void AfterRun(TCalcInfo& ci) override;

private:
    static void CloseSerialPorts();
};

} // namespace NuvixParser
