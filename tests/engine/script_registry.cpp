// The engine's own tests run scripts without a function library: their registry holds only
// the entry of the engine's own define form.
#include "engine/user_function.h"
#include "tests/engine/test_support.h"

namespace NuvixTest {

std::shared_ptr<const NuvixParser::TFunctionRegistry> ScriptRegistry() {
    static constexpr NuvixParser::TBuiltin kDefineOnly[] = {NuvixParser::kDefineRow};
    static const auto registry = NuvixParser::MakeRegistry({kDefineOnly});
    return registry;
}

} // namespace NuvixTest
