// The registry of built-in functions: names (any letter case) to their rows.
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/builtin.h"

namespace NuvixParser {

class TFunction;

template <class T> std::unique_ptr<TFunction> MakeFunction() {
    return std::make_unique<T>();
}

// Orders names as stricmp does: bytes compared after mapping A-Z to a-z.
struct TCaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

class TFunctionRegistry {
public:
    // Rows are not owned: tables are static data that outlive every registry.
    using Map = std::map<std::string, const TBuiltin*, TCaseInsensitiveLess>;

    // Inserts, or replaces the row of a name present in any letter case.
    void Register(std::string_view name, const TBuiltin& row);
    // A row of its own for a node class of its own (test doubles).
    void Register(std::string_view name, TFunctionFactory factory);
    void Register(std::span<const TBuiltin> table);
    const TBuiltin* Lookup(std::string_view name) const;
    // A new call node of a registered name, or none.
    std::unique_ptr<TFunction> Create(std::string_view name) const;
    const Map& Entries() const { return map_; }

private:
    Map map_;
    // Rows made by Register(name, factory); copies of the registry share them.
    std::vector<std::shared_ptr<const TBuiltin>> ownRows_;
};

// A registry of the tables' functions, in order: a later table's name replaces an earlier
// one in any letter case. Whoever assembles a calculator picks the tables; parsers share
// the result until one registers something of its own.
std::shared_ptr<const TFunctionRegistry> MakeRegistry(std::initializer_list<std::span<const TBuiltin>> tables);

} // namespace NuvixParser
