// The registry of built-in functions: names (any letter case) to factories.
#pragma once

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

// The standard functions every parser registers, from one program-wide table made of the
// tables of the function areas (defined by the function library).
std::span<const TFunctionTableEntry> StandardFunctionTable();

} // namespace NuvixParser
