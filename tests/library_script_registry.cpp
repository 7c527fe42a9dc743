// Test programs whose scripts call the standard library (if, while, sin, str...).
#include "functions/standard_table.h"
#include "tests/engine/test_support.h"

namespace NuvixTest {

std::shared_ptr<const NuvixParser::TFunctionRegistry> ScriptRegistry() {
    return NuvixParser::StandardRegistry();
}

} // namespace NuvixTest
