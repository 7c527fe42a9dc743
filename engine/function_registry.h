// The registry of built-in functions: names (any letter case) to factories.
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace NuvixParser {

class TFunction;

// Makes a new function object of one class: one object per call site.
using TFunctionFactory = std::unique_ptr<TFunction> (*)();

template <class T> std::unique_ptr<TFunction> MakeFunction() {
    return std::make_unique<T>();
}

struct TFunctionTableEntry {
    const char* name;
    TFunctionFactory factory;
};

// Orders names as stricmp does: bytes compared after mapping A-Z to a-z.
struct TCaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

class TFunctionRegistry {
public:
    using Map = std::map<std::string, TFunctionFactory, TCaseInsensitiveLess>;

    // Inserts, or replaces the factory of a name present in any letter case.
    void Register(std::string_view name, TFunctionFactory factory);
    void Register(std::span<const TFunctionTableEntry> table);
    TFunctionFactory Lookup(std::string_view name) const;
    const Map& Entries() const { return map_; }

private:
    Map map_;
};

// A registry of the tables' functions, in order: a later table's name replaces an earlier
// one in any letter case. Whoever assembles a calculator picks the tables; parsers share
// the result until one registers something of its own.
std::shared_ptr<const TFunctionRegistry> MakeRegistry(
    std::initializer_list<std::span<const TFunctionTableEntry>> tables);

} // namespace NuvixParser
