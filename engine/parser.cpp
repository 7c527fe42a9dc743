// TParserBase and TParser: compile, rebind and run a script.
#include "engine/parser.h"

#include <algorithm>
#include <cfenv>
#include <fenv.h>
#include <new>
#include <stdexcept>

#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/operators.h"
#include "engine/out_of_memory.h"
#include "engine/stack_guard.h"
#include "engine/syntax_reader.h"
#include "engine/user_function.h"

namespace NuvixParser {

// ---- TParserBase ------------------------------------------------------------------------

TParserBase::TParserBase(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry)
    : globals_(globals), handler_(std::make_shared<TGlobalFuncHandler>()), baseRegistry_(registry ? std::move(registry) : std::make_shared<const TFunctionRegistry>()),
      registry_(baseRegistry_),
      store_(globals) {}

TParserBase::~TParserBase() {
    tree_.reset(); // definitions unregister from the handler while it exists
    store_.ReleaseAll();
}

std::unique_ptr<TOpFunction> TParserBase::CreateOperator(char code) {
    return CreateOperatorNode(code);
}

std::unique_ptr<TFunction> TParserBase::CreateFunction(std::string_view name) {
    if (TFunctionDef* d = handler_->Find(name)) return std::make_unique<TFunctionCall>(*d, handler_);
    return registry_->Create(name);
}

TReturnValue TParserBase::BaseCalculate(TCalcInfo& ci) {
    TReturnValue result;
    result.SetNumber(0);
    ci.error = false;
    if (tree_) tree_->Evaluate(ci, result);
    return result;
}

TReturnValue TParserBase::Calculate(TCalcInfo& ci) {
    return BaseCalculate(ci);
}

void TParserBase::Rebind() {
    store_.ReleaseAll();
    if (tree_) tree_->Bind(store_);
}

void TParserBase::Clear() {
    tree_.reset();
    errorMessage_.clear();
    errorEnd_ = 0;
    tokenStart_ = 0;
    error_ = false;
    store_.ReleaseAll();
}

std::unique_ptr<TParserBase> TParserBase::Clone() const {
    return std::make_unique<TParserBase>(globals_, baseRegistry_);
}

void TParserBase::ShareHandler(std::shared_ptr<TGlobalFuncHandler> h) {
    if (h) {
        handler_ = std::move(h);
        ownsHandler_ = false;
    } else if (!ownsHandler_) {
        handler_ = std::make_shared<TGlobalFuncHandler>();
        ownsHandler_ = true;
    }
}

void TParserBase::Register(std::string_view name, TFunctionFactory factory) {
    auto own = std::make_shared<TFunctionRegistry>(*registry_); // copy on write
    own->Register(name, factory);
    registry_ = std::move(own);
}

void TParserBase::Register(std::span<const TBuiltin> table) {
    auto own = std::make_shared<TFunctionRegistry>(*registry_);
    own->Register(table);
    registry_ = std::move(own);
}

// ---- TParser ----------------------------------------------------------------------------

TParser::TParser(TGlobalVarList& globals, std::shared_ptr<const TFunctionRegistry> registry)
    : TParserBase(globals, std::move(registry)) {}

void TParser::SetText(std::string_view text) {
    Clear();
    text_.reserve(text.size());
    // Copies the stretches between carriage returns whole.
    while (!text.empty()) {
        const std::size_t cr = text.find('\r');
        text_.append(text.data(), std::min(cr, text.size()));
        if (cr == std::string_view::npos) break;
        text.remove_prefix(cr + 1);
    }
}

bool TParser::Compile(std::vector<TCodePosInfo>* marks) {
    if (marks) {
        marks->clear();
        // Room for a mark every other byte, more than scripts have (a table of
        // `vN = N * 2 + 1` has one every three bytes): growing by doubling would hold the
        // old and the new array at once, and pages never written cost no memory.
        marks->reserve(text_.size() / 2 + 64);
    }
    marks_ = marks;
    outOfMemory_ = false;
    // Operators of constants are computed while compiling (see FoldedValue): with traps
    // off, as in a run, so 1/0 gives +INF here too; the caller's environment, flags
    // included, comes back afterwards.
    std::fenv_t callers;
    std::feholdexcept(&callers);
    struct TRestore {
        std::fenv_t& env;
        ~TRestore() { std::fesetenv(&env); }
    } restore{callers};
    try {
        TSyntaxReader reader(text_, *this, marks);
        return reader.CompileInto();
    } catch (const std::bad_alloc&) {
        // The nodes built so far went with the reader's frames; their memory is back.
        if (marks) std::vector<TCodePosInfo>().swap(*marks);
        OutOfMemory();
        return false;
    }
}

void TParser::OutOfMemory() {
    Clear();
    std::string().swap(text_); // its memory too
    errorMessage_ = kOutOfMemoryWhileCompiling;
    error_ = true;
    outOfMemory_ = true;
}

TReturnValue TParser::Calculate(TCalcInfo& ci) {
    // Masks floating-point traps, so 1/0 gives +INF and 0/0 NaN instead of a signal.
    fedisableexcept(FE_ALL_EXCEPT);
    std::feclearexcept(FE_ALL_EXCEPT);
    BeforeRun();
    ci.endedInStackOverflow = false;
    TReturnValue result;
    try {
        result = BaseCalculate(ci);
        if (ci.StackOverflowed()) {
            // Not an error: the run finishes and its value is this text.
            ci.ClearStackOverflow();
            ci.error = false;
            ci.errorMessage.clear();
            result = TReturnValue();
            result.SetString("Stack Overflow");
            ci.endedInStackOverflow = true;
        }
    } catch (const std::bad_alloc&) {
        ci.SetError("Out of memory");
    } catch (const std::length_error&) {
        ci.SetError("Out of memory");
    }
    AfterRun(ci);
    return result;
}

void TParser::Clear() {
    text_.clear();
    outOfMemory_ = false;
    TParserBase::Clear();
}

std::unique_ptr<TParserBase> TParser::Clone() const {
    return std::make_unique<TParser>(Globals(), BaseRegistry());
}

} // namespace NuvixParser
