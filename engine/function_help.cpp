// TFunctionHelp: reading help texts from function objects, and the plain-text form.
#include "engine/function_help.h"

#include <memory>

#include "engine/function.h"

namespace NuvixParser {
namespace {

std::optional<std::string> Optional(const char* text) {
    return text ? std::optional<std::string>(text) : std::nullopt;
}

std::optional<TFunctionHelp> Read(const std::string& name, TFunctionFactory factory) {
    if (!factory) return std::nullopt;
    const std::unique_ptr<TFunction> f = factory();
    if (!f) return std::nullopt;
    TFunctionHelp help;
    help.name = name;
    help.syntax = f->Syntax();
    help.description = f->Description() ? f->Description() : "";
    help.example = Optional(f->Example());
    help.explanation = Optional(f->ExampleExplanation());
    help.seeAlso = Optional(f->SeeAlso());
    return help;
}

} // namespace

std::optional<TFunctionHelp> HelpOf(const TFunctionRegistry& registry, std::string_view name) {
    const auto it = registry.Entries().find(name);
    if (it == registry.Entries().end()) return std::nullopt;
    return Read(it->first, it->second);
}

std::vector<TFunctionHelp> AllHelp(const TFunctionRegistry& registry) {
    std::vector<TFunctionHelp> all;
    for (const auto& [name, factory] : registry.Entries())
        if (auto help = Read(name, factory)) all.push_back(std::move(*help));
    return all;
}

std::string HelpAsText(const TFunctionHelp& help) {
    std::string text = help.CallForm() + "\n" + help.description + "\n";
    if (help.example) text += "Example:\n" + *help.example + "\n";
    if (help.explanation) text += "Explanation:\n" + *help.explanation + "\n";
    if (help.seeAlso) text += "See also: " + *help.seeAlso + "\n";
    return text;
}

std::vector<std::string> SeeAlsoNames(std::string_view text) {
    std::vector<std::string> names;
    std::string name;
    int depth = 0;
    for (char c : text) {
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (depth == 0 && c == ',') {
            if (!name.empty()) names.push_back(name);
            name.clear();
        } else if (depth == 0 && c != ' ' && c != '\n') {
            name += c;
        }
    }
    if (!name.empty()) names.push_back(name);
    return names;
}

} // namespace NuvixParser
