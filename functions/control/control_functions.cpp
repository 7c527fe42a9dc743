// Control-flow functions: branches, loops and the help entry of define.
#include "functions/control/control_functions.h"

#include "engine/function.h"

namespace NuvixParser {
namespace {

// The help entry of the define form; the parser always takes the lower-case word define
// before '(' as the special form, so this is only reached as Define(...) and friends.
class TDefine final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    const char* ParamText() const override { return "func;expr"; }
    const char* Description() const override {
        return "Defines a user function <func> with the body <expr>. Always returns 1.";
    }
    const char* Example() const override { return "define(f(x);2*x),\nf(5)"; }
    const char* ExampleExplanation() const override { return "This returns the value 10."; }
};

constexpr TFunctionTableEntry kControlFunctions[] = {
    {"define", &MakeFunction<TDefine>},
};

} // namespace

std::span<const TFunctionTableEntry> ControlFunctionTable() {
    return kControlFunctions;
}

} // namespace NuvixParser
