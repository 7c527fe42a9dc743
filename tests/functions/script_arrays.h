// A script run whose arrays can be filled before and read after the run, for functions
// whose results are whole arrays.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "engine/var_entry.h"
#include "tests/engine/test_support.h"

namespace NuvixTest {

class TScriptRun {
public:
    // Compiles and binds; a failed compile makes Run() report "Syntax: ...".
    explicit TScriptRun(std::string_view text) : script_(std::make_unique<TScript>(text)) {
        compiled_ = script_->Compile();
        if (compiled_) script_->parser.Rebind();
    }

    // Gives the array `name` of the script these elements before the run.
    void SetArray(std::string_view name, std::span<const double> values) {
        NuvixParser::TArrayEntry* a = ArrayEntry(name);
        ASSERT_NE(a, nullptr) << name << " is no array of the script";
        ASSERT_TRUE(a->SetLength(static_cast<std::int64_t>(values.size())));
        for (std::size_t i = 0; i < values.size(); ++i) a->Data()[i] = values[i];
    }

    // Runs on the current variables: the result text, "Error: ..." or "Syntax: ...".
    std::string Run() {
        if (!compiled_) return "Syntax: " + script_->parser.ErrorMessage();
        script_->ci.Reset();
        NuvixParser::TReturnValue v = script_->parser.Calculate(script_->ci);
        return script_->ci.error ? "Error: " + script_->ci.errorMessage : v.ToString();
    }

    // The elements of array `name` after the run; nullopt when there is no such array.
    std::optional<std::vector<double>> Array(std::string_view name) {
        const NuvixParser::TArrayEntry* a = ArrayEntry(name);
        if (!a) return std::nullopt;
        return std::vector<double>(a->Data(), a->Data() + a->Length());
    }

    // The number in scalar `name`; nullopt when it has no value.
    std::optional<double> Scalar(std::string_view name) {
        NuvixParser::TVarEntryBase* e = script_->parser.Store().Find(name);
        if (!e || e->Kind() != NuvixParser::TEntryKind::Scalar) return std::nullopt;
        const auto* v = static_cast<NuvixParser::TVarEntry*>(e);
        if (!v->hasValue) return std::nullopt;
        return v->number;
    }

    TScript& Script() { return *script_; }

private:
    NuvixParser::TArrayEntry* ArrayEntry(std::string_view name) {
        NuvixParser::TVarEntryBase* e = script_->parser.Store().Find(name);
        return e && e->Kind() == NuvixParser::TEntryKind::Array ? static_cast<NuvixParser::TArrayEntry*>(e)
                                                                : nullptr;
    }

    std::unique_ptr<TScript> script_;
    bool compiled_ = false;
};

} // namespace NuvixTest
