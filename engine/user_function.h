// User-defined functions: the define node, the call node and the shared name table.
#pragma once

#include <functional>
#include <unordered_map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/builtin.h"
#include "engine/function.h"

namespace NuvixParser {

class TFunctionDef;
class TParserBase;
class TVarEntryBase;
class TVarEntry;

// Definitions visible to the parsers that share this handler (the Global panel's, the
// calculator panels' and every definition body's). Holds no definition alive.
class TGlobalFuncHandler {
public:
    TGlobalFuncHandler() = default;
    TGlobalFuncHandler(const TGlobalFuncHandler&) = delete;
    TGlobalFuncHandler& operator=(const TGlobalFuncHandler&) = delete;
    ~TGlobalFuncHandler();

    // Moves d here from another handler; the newest definition of a name is the one found.
    void Register(TFunctionDef* d);
    // Forgets d; the name's entry goes only when it still points to d, so another live
    // definition of the same name stays callable.
    void Unregister(TFunctionDef* d);
    // Exact, case-sensitive name.
    TFunctionDef* Find(std::string_view name) const;
    const std::vector<TFunctionDef*>& Definitions() const { return list_; }

private:
    // Looked up with a string_view without building a string.
    struct TNameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<TFunctionDef*> list_;
    std::unordered_map<std::string, TFunctionDef*, TNameHash, std::equal_to<>> map_;
};

// define(name(p1;p2[];...);body): registered while its script is parsed, alive as long as
// that parse tree. Evaluating the form only gives 1.
class TFunctionDef final : public TParserAtom {
public:
    // The body parser is a clone of `creator` sharing its function handler.
    TFunctionDef(std::string name, TParserBase& creator);
    ~TFunctionDef() override;

    void AddParameter(const std::string& name, bool isArray);
    // Rebinds the body: parameters stay the first locals of the body's store, the other
    // locals are made afresh, globals are shared.
    void Bind(TVarHandler& store) override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;

    const std::string& Name() const { return name_; }
    int ParameterCount() const { return static_cast<int>(params_.size()); }
    bool ParameterIsArray(int i) const;
    TVarEntryBase* Parameter(int i) const { return params_[i]; }
    TParserBase& Body() const { return *body_; }

    // The handler it is registered in, or none.
    TGlobalFuncHandler* handler = nullptr;
    // False once this definition is destroyed: calls in other parsers' trees hold this
    // instead of a pointer they would have to trust.
    std::shared_ptr<const bool> AliveToken() const { return alive_; }

private:
    std::string name_;
    std::unique_ptr<TParserBase> body_;
    std::vector<TVarEntryBase*> params_; // owned by the body store's local list
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A call of a user function: arguments by value (arrays copied in and copied back).
class TFunctionCall final : public TFunction {
public:
    TFunctionCall(TFunctionDef& def, std::shared_ptr<TGlobalFuncHandler> handler);

    int ArgumentCount() const override { return static_cast<int>(arrayParams_.size()); }
    // A parameter written name[] needs an argument written name[].
    bool CheckArguments() override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    // The body's value may be a text.
    bool TryNumber(TCalcInfo&, double&) override { return false; }
    double EvalNumber(TCalcInfo& ci) override;
    bool EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) override;
    const std::string& Name() const { return name_; }

private:
    // The definition was destroyed (its panel was re-parsed): use the live definition of
    // the same name and shape, or fail with a script error.
    bool Resolve(TCalcInfo& ci);
    enum TStart { kFailed, kGeneral, kScalar };
    TStart Start(TCalcInfo& ci);
    void SetParameters();
    [[gnu::noinline]] double EvalGeneral(TCalcInfo& ci);
    // The general call: array parameters copied in and out, fresh value slots when this
    // node is re-entered from one of its own arguments.
    void EvaluateWithArrays(TCalcInfo& ci, TReturnValue& result);
    // A text argument into its parameter (out of line, off the number path).
    [[gnu::noinline]] static void MoveText(TReturnValue& from, TVarEntry& to);
    TFunctionDef* def_;
    std::shared_ptr<const bool> alive_;
    std::string name_;
    std::vector<bool> arrayParams_; // the shape the call was checked against
    bool hasArrayParams_ = false;
    std::shared_ptr<TGlobalFuncHandler> handler_;
};

// The registry entry of define: the parser reads define(...) as a form of its own (see
// TFunctionDef), so this row serves the help; a call spelled otherwise, DEFINE(a;b),
// evaluates its two arguments and gives 0.
inline double DefineEntryValue(TBuiltinCall&, TCalcInfo&) {
    return 0;
}

inline constexpr TBuiltin kDefineRow = {
    .name = "define",
    .params = "vv",
    .paramText = "func;expr",
    .description = "Defines a user function <func> with the body <expr>. Always returns 1.",
    .example = "define(f(x);2*x),\nf(5)",
    .explanation = "This returns the value 10.",
    .number = DefineEntryValue,
};

} // namespace NuvixParser
