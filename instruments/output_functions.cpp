// print, println and cleartext: each call waits until the run's text output window placed it.
#include "instruments/output_functions.h"

#include "engine/builtin_call.h"
#include "instruments/run_context.h"
#include "instruments/text_output.h"

namespace NuvixParser {
namespace {

double Print(TBuiltinCall& f, TCalcInfo& ci) {
    if (TTextOutput* output = TextOutputOf(ci)) output->Print(f.Value(0).ToString());
    return 1;
}

double Println(TBuiltinCall& f, TCalcInfo& ci) {
    if (TTextOutput* output = TextOutputOf(ci)) output->PrintLine(f.Value(0).ToString());
    return 1;
}

double ClearText(TBuiltinCall&, TCalcInfo& ci) {
    if (TTextOutput* output = TextOutputOf(ci)) output->Clear();
    return 1;
}

constexpr TBuiltin kOutputFunctions[] = {
    {.name = "print",
     .params = "v",
     .paramText = "s",
     .description = "This writes the string <s> to the text output window.",
     .example = "a=5,print('Number '),println(a)",
     .explanation = "This writes the string 'Number 5' to the output window.",
     .seeAlso = "println(s),cleartext()",
     .number = Print},
    {.name = "println",
     .params = "v",
     .paramText = "s",
     .description = "This writes the string <s> to the text output window and appends a newline.",
     .example = "for(i=0;i<10;i+=1;println(i^2))",
     .explanation = "This prints the squares of 0..9 in the output window.",
     .seeAlso = "print(s),cleartext()",
     .number = Println},
    {.name = "cleartext",
     .params = "",
     .paramText = "",
     .description = "This erases the text output window.",
     .example = "cleartext(),\nprintln('hello')",
     .explanation = "This clears the text output window and prints 'hello'.",
     .seeAlso = "println(),print()",
     .number = ClearText},
};

} // namespace

std::span<const TBuiltin> OutputFunctionTable() {
    return kOutputFunctions;
}

} // namespace NuvixParser
