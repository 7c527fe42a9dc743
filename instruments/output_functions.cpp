// print, println and cleartext: each call waits until the run's text output window placed it.
#include "instruments/output_functions.h"

#include "instruments/run_context.h"
#include "instruments/text_output.h"

namespace NuvixParser {
long double TPrint::Compute(TCalcInfo& ci) {
    if (TTextOutput* output = TextOutputOf(ci)) output->Print(Value(0).ToString());
    return 1;
}

long double TPrintln::Compute(TCalcInfo& ci) {
    if (TTextOutput* output = TextOutputOf(ci)) output->PrintLine(Value(0).ToString());
    return 1;
}

long double TClearText::Compute(TCalcInfo& ci) {
    if (TTextOutput* output = TextOutputOf(ci)) output->Clear();
    return 1;
}

namespace {

constexpr TFunctionTableEntry kOutputFunctions[] = {
    {"print", &MakeFunction<TPrint>},
    {"println", &MakeFunction<TPrintln>},
    {"cleartext", &MakeFunction<TClearText>},
};

} // namespace

std::span<const TFunctionTableEntry> OutputFunctionTable() {
    return kOutputFunctions;
}

} // namespace NuvixParser
