// TFunctionHelp: reading help texts from the rows of the registry, and the plain-text form.
#include "engine/function_help.h"

#include <cstring>
#include <memory>

#include "engine/function.h"

namespace NuvixParser {
namespace {

std::optional<std::string> Optional(const char* text) {
    return text ? std::optional<std::string>(text) : std::nullopt;
}

// "(" + the parameter text + ")", or one letter per argument: (a;b).
std::string SyntaxOf(const TBuiltin& row, int argumentCount) {
    if (row.paramText) return std::string("(") + row.paramText + ")";
    std::string s = "(";
    for (int i = 0; i < argumentCount; ++i) {
        if (i > 0) s += ';';
        s += static_cast<char>('a' + i % 26);
    }
    return s + ")";
}

std::optional<TFunctionHelp> Read(const std::string& name, const TBuiltin* row) {
    if (!row) return std::nullopt;
    // A node of a class of its own tells its argument count itself.
    int argumentCount = static_cast<int>(std::strlen(row->params));
    if (row->node) {
        const std::unique_ptr<TFunction> f = row->node();
        if (!f) return std::nullopt;
        argumentCount = f->ArgumentCount();
    }
    TFunctionHelp help;
    help.name = name;
    help.syntax = SyntaxOf(*row, argumentCount);
    help.description = row->description ? row->description : "";
    help.example = Optional(row->example);
    help.explanation = Optional(row->explanation);
    help.seeAlso = Optional(row->seeAlso);
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
    for (const auto& [name, row] : registry.Entries())
        if (auto help = Read(name, row)) all.push_back(std::move(*help));
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
