// The case-insensitive function registry.
#include "engine/function_registry.h"

#include "engine/function.h"

namespace NuvixParser {
namespace {

unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

} // namespace

bool TCaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = Lower(static_cast<unsigned char>(a[i]));
        const unsigned char y = Lower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

void TFunctionRegistry::Register(std::string_view name, const TBuiltin& row) {
    auto it = map_.find(name);
    if (it != map_.end())
        it->second = &row;
    else
        map_.emplace(std::string(name), &row);
}

void TFunctionRegistry::Register(std::string_view name, TFunctionFactory factory) {
    auto row = std::make_shared<TBuiltin>();
    row->node = factory;
    ownRows_.push_back(row);
    Register(name, *ownRows_.back());
}

void TFunctionRegistry::Register(std::span<const TBuiltin> table) {
    for (const auto& row : table) Register(row.name, row);
}

std::shared_ptr<const TFunctionRegistry> MakeRegistry(std::initializer_list<std::span<const TBuiltin>> tables) {
    auto registry = std::make_shared<TFunctionRegistry>();
    for (auto table : tables) registry->Register(table);
    return registry;
}

const TBuiltin* TFunctionRegistry::Lookup(std::string_view name) const {
    auto it = map_.find(name);
    return it == map_.end() ? nullptr : it->second;
}

std::unique_ptr<TFunction> TFunctionRegistry::Create(std::string_view name) const {
    const TBuiltin* row = Lookup(name);
    return row ? MakeCall(*row) : nullptr;
}

} // namespace NuvixParser
