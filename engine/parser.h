// TParserBase and TParser: a script text, its compiled tree, a variable store, a function
// registry and the shared table of user functions.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/function_registry.h"
#include "engine/parser_atom.h"
#include "engine/return_value.h"
#include "engine/var_handler.h"

namespace NuvixParser {

class TCalcInfo;
class TFunction;
class TGlobalFuncHandler;
class TOpFunction;

// A syntax-colouring mark: where a token starts and what it is.
struct TCodePosInfo {
    enum Kind : int {
        kVariable = 0, // also array names and define parameters
        kBracket = 1,  // ( ) [ ] and ;
        kNumber = 2,   // also a leading sign
        kFunction = 3, // also define and the defined name
        kOperator = 4,
        kString = 5,
        kComment = 6,
    };
    // Four bytes a mark, as a script has about as many marks as tokens. Positions reach
    // kMaxPosition; the tokens of a text beyond it get no marks.
    static constexpr int kMaxPosition = (1 << 28) - 1;
    int position : 29; // -1 at the end of the text
    unsigned kind : 3;
    bool operator==(const TCodePosInfo&) const = default;
};

class TParserBase {
public:
    // `registry` holds the built-in functions the parser knows (shared; copied on write).
    TParserBase(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry);
    TParserBase(const TParserBase&) = delete;
    TParserBase& operator=(const TParserBase&) = delete;
    virtual ~TParserBase();

    virtual std::unique_ptr<TOpFunction> CreateOperator(char code);
    // User functions first (exact name), then the registry (any letter case); none if neither.
    virtual std::unique_ptr<TFunction> CreateFunction(std::string_view name);
    // The base evaluation: result 0, the error flag cleared, the tree evaluated.
    virtual TReturnValue Calculate(TCalcInfo& ci);
    // Reset for a run: every entry released, the tree bound to fresh ones.
    virtual void Rebind();
    virtual void Clear();
    // A parser of the same class over the same global list and registry, with its own
    // store and function handler.
    virtual std::unique_ptr<TParserBase> Clone() const;

    // Uses h without owning it; with none, makes (and owns) a handler again if needed.
    void ShareHandler(std::shared_ptr<TGlobalFuncHandler> h);
    const std::shared_ptr<TGlobalFuncHandler>& Handler() const { return handler_; }
    bool OwnsHandler() const { return ownsHandler_; }

    void Register(std::string_view name, TFunctionFactory factory);
    void Register(std::span<const TBuiltin> table);
    const TFunctionRegistry& Registry() const { return *registry_; }
    // The registry the parser was built with, without its own registrations: what a clone
    // is built with.
    const std::shared_ptr<const TFunctionRegistry>& BaseRegistry() const { return baseRegistry_; }

    bool HasError() const { return error_; }
    const std::string& ErrorMessage() const { return errorMessage_; }
    int ErrorStart() const { return tokenStart_; }
    int ErrorEnd() const { return errorEnd_; }

    TVarHandler& Store() { return store_; }
    TGlobalVarList& Globals() const { return globals_; }
    TParserAtom* Tree() const { return tree_.get(); }

protected:
    TReturnValue BaseCalculate(TCalcInfo& ci);

private:
    friend class TSyntaxReader;
    friend class TParser;
    TGlobalVarList& globals_;
    std::shared_ptr<TGlobalFuncHandler> handler_;
    bool ownsHandler_ = true;
    std::shared_ptr<const TFunctionRegistry> baseRegistry_;
    std::shared_ptr<const TFunctionRegistry> registry_;
    TVarHandler store_;
    std::vector<TCodePosInfo>* marks_ = nullptr;
    std::string errorMessage_;
    bool error_ = true;
    int errorEnd_ = 0;
    int tokenStart_ = 0;
    TNodePtr tree_; // last member: destroyed first, while store and handler still exist
};

class TParser : public TParserBase {
public:
    TParser(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry);

    // Clears, then keeps the text without its carriage returns: positions count bytes of
    // the text with LF line ends.
    void SetText(std::string_view text);
    const std::string& Text() const { return text_; }
    // Parses the text into the tree; true also for a text of only blanks and comments.
    // `marks`, when given, is emptied and receives the colouring marks. Memory running
    // out fails the compile as OutOfMemory does.
    bool Compile(std::vector<TCodePosInfo>* marks = nullptr);
    // Memory ran out while the text was taken or compiled: the tree and the text are
    // dropped and the error is kOutOfMemoryWhileCompiling (at position 0).
    void OutOfMemory();
    bool RanOutOfMemory() const { return outOfMemory_; }

    // One run: floating-point traps off, BeforeRun, the base evaluation, "Stack Overflow"
    // as the result text when recursion used up the stack, AfterRun.
    TReturnValue Calculate(TCalcInfo& ci) override;
    void Clear() override;
    std::unique_ptr<TParserBase> Clone() const override;

    virtual void BeforeRun() {}
    // With the run's record: what a run opened in its windows or devices is closed here.
    virtual void AfterRun(TCalcInfo&) {}

private:
    std::string text_;
    bool outOfMemory_ = false;
};

} // namespace NuvixParser
