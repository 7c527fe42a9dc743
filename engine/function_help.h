// TFunctionHelp: the help texts of a registered function, as the help browser, the manual
// and the runner's --describe show them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/function_registry.h"

namespace NuvixParser {

struct TFunctionHelp {
    std::string name;
    std::string syntax; // "(" parameters ")"
    std::string description;
    std::optional<std::string> example, explanation, seeAlso;

    // name + syntax: how a call is written, as the function list shows it.
    std::string CallForm() const { return name + syntax; }
};

// The help of a registered name (in any letter case), read from its row; none when the name
// is not registered or its row's node factory makes nothing.
std::optional<TFunctionHelp> HelpOf(const TFunctionRegistry& registry, std::string_view name);
// The help of every registered function, in the registry's order (names without regard to
// case); names whose node factory makes nothing are left out.
std::vector<TFunctionHelp> AllHelp(const TFunctionRegistry& registry);
// Plain text: the call form, the description, then where present "Example:" and its lines,
// "Explanation:" and its text, and "See also: " with the references; lines end in LF.
std::string HelpAsText(const TFunctionHelp& help);
// The function names a see-also text refers to, in order: "print(s),clear()" names print
// and clear; commas inside a call's parentheses belong to that call.
std::vector<std::string> SeeAlsoNames(std::string_view seeAlso);

} // namespace NuvixParser
