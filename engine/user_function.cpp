// User functions: registration, binding of bodies and the call with value-result arrays.
#include "engine/user_function.h"

#include <algorithm>

#include "engine/calc_info.h"
#include "engine/operands.h"
#include "engine/parser.h"
#include "engine/stack_guard.h"
#include "engine/var_handler.h"

namespace NuvixParser {

// ---- TGlobalFuncHandler -----------------------------------------------------------------

TGlobalFuncHandler::~TGlobalFuncHandler() {
    for (TFunctionDef* d : list_) d->handler = nullptr;
}

void TGlobalFuncHandler::Register(TFunctionDef* d) {
    if (d->handler && d->handler != this) d->handler->Unregister(d);
    if (d->handler != this) list_.push_back(d);
    d->handler = this;
    map_.insert_or_assign(d->Name(), d);
}

void TGlobalFuncHandler::Unregister(TFunctionDef* d) {
    // A tree is destroyed last definition first, so the search runs from the back.
    auto pos = std::find(list_.rbegin(), list_.rend(), d);
    if (pos != list_.rend()) list_.erase(std::next(pos).base());
    auto it = map_.find(d->Name());
    if (it != map_.end() && it->second == d) map_.erase(it);
    if (d->handler == this) d->handler = nullptr;
}

TFunctionDef* TGlobalFuncHandler::Find(std::string_view name) const {
    auto it = map_.find(name);
    return it == map_.end() ? nullptr : it->second;
}

// ---- TFunctionDef -----------------------------------------------------------------------

TFunctionDef::TFunctionDef(std::string name, TParserBase& creator)
    : name_(std::move(name)), body_(creator.Clone()) {
    body_->ShareHandler(creator.Handler());
}

TFunctionDef::~TFunctionDef() {
    *alive_ = false;
    if (handler) handler->Unregister(this);
    body_.reset(); // its store owns the parameter entries
}

void TFunctionDef::AddParameter(const std::string& name, bool isArray) {
    std::unique_ptr<TVarEntryBase> entry;
    if (isArray)
        entry = std::make_unique<TArrayEntry>(name);
    else
        entry = std::make_unique<TVarEntry>(name);
    params_.push_back(entry.get());
    body_->Store().AddLocal(std::move(entry));
}

bool TFunctionDef::ParameterIsArray(int i) const {
    return params_[i]->Kind() == TEntryKind::Array;
}

void TFunctionDef::Bind(TVarHandler&) {
    TVarHandler& store = body_->Store();
    std::vector<std::unique_ptr<TVarEntryBase>> kept;
    kept.reserve(params_.size());
    for (TVarEntryBase* p : params_) kept.push_back(store.RemoveLocal(p));
    store.ReleaseAll();
    for (auto& p : kept) store.AddLocal(std::move(p));
    if (TParserAtom* tree = body_->Tree()) tree->Bind(store);
}

void TFunctionDef::Evaluate(TCalcInfo&, TReturnValue& result) {
    result.SetNumber(1);
}

// ---- TFunctionCall ----------------------------------------------------------------------

TFunctionCall::TFunctionCall(TFunctionDef& def, std::shared_ptr<TGlobalFuncHandler> handler)
    : def_(&def), alive_(def.AliveToken()), name_(def.Name()), handler_(std::move(handler)) {
    for (int i = 0; i < def.ParameterCount(); ++i) {
        arrayParams_.push_back(def.ParameterIsArray(i));
        hasArrayParams_ = hasArrayParams_ || arrayParams_.back();
    }
}

bool TFunctionCall::CheckArguments() {
    for (int i = 0; i < argc_; ++i)
        if (arrayParams_[i] && !ArgIsArray(i)) return false;
    return true;
}

bool TFunctionCall::Resolve(TCalcInfo& ci) {
    TFunctionDef* d = handler_ ? handler_->Find(name_) : nullptr;
    bool sameShape = d && d->ParameterCount() == argc_;
    for (int i = 0; sameShape && i < argc_; ++i) sameShape = d->ParameterIsArray(i) == arrayParams_[i];
    if (!sameShape) {
        ci.SetError("Functioncall: Function " + name_ + " is no longer defined.");
        return false;
    }
    def_ = d;
    alive_ = d->AliveToken();
    return true;
}

namespace {

// Pops the body's frame however the call ends (also when a stack overflow unwinds it),
// so no store keeps an inner call's locals.
class TFrameGuard {
public:
    explicit TFrameGuard(TVarHandler& store) : store_(&store), quick_(store.PushQuickFrame(frame_)) {
        if (!quick_) store.PushFrame();
    }
    ~TFrameGuard() { Pop(); }
    void Pop() {
        if (!store_) return;
        if (quick_)
            store_->PopQuickFrame(frame_);
        else
            store_->PopFrame();
        store_ = nullptr;
    }
    TFrameGuard(const TFrameGuard&) = delete;
    TFrameGuard& operator=(const TFrameGuard&) = delete;

private:
    TVarHandler* store_;
    TVarHandler::TQuickFrame frame_;
    bool quick_;
};

} // namespace

// The checks every call makes, then, for a call with scalar parameters only whose node is
// not re-entered (the common call), its arguments into the value slots. kGeneral leaves
// the whole call to EvaluateWithArrays.
inline TFunctionCall::TStart TFunctionCall::Start(TCalcInfo& ci) {
    // A break makes calls return at once, and with the error: a break that arrives after
    // the last sequence check of a recursion would otherwise end the run as if finished,
    // with the value of calls that never ran.
    if (ci.BreakRequested()) {
        ci.SetBreaked();
        return kFailed;
    }
    if (StackExhausted(ci)) return kFailed;
    if (!*alive_ && !Resolve(ci)) return kFailed;
    if (hasArrayParams_ || filling_ > 0) return kGeneral;

    // Arguments, in order, before the body's locals are saved: an argument may read the
    // caller's own locals, which are the body's locals in a recursive call.
    const int n = argc_;
    TReturnValue* values = values_.get();
    TFillCount filling(filling_);
    for (int i = 0; i < n; ++i) {
        if (double v; TryNumberOf(args_[i].get(), ci, v))
            values[i].SetNumber(v);
        else
            args_[i]->Evaluate(ci, values[i]);
        if (ci.error) return kFailed;
    }
    return kScalar;
}

// The argument values into the parameters, once the caller's frame is saved.
inline void TFunctionCall::SetParameters() {
    TFunctionDef& d = *def_;
    TReturnValue* values = values_.get();
    for (int i = 0; i < argc_; ++i) {
        auto* p = static_cast<TVarEntry*>(d.Parameter(i));
        if (values[i].isString)
            MoveText(values[i], *p);
        else
            p->SetNumber(values[i].number);
    }
}

void TFunctionCall::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    switch (Start(ci)) {
    case kFailed: return;
    case kGeneral: EvaluateWithArrays(ci, result); return;
    case kScalar: break;
    }
    TParserBase& body = def_->Body();
    TFrameGuard frame(body.Store());
    SetParameters();
    result.SetNumber(0);
    if (TParserAtom* tree = body.Tree()) tree->Evaluate(ci, result);
}

// As a number, the body is read as a number all the way down: no value record.
double TFunctionCall::EvalNumber(TCalcInfo& ci) {
    switch (Start(ci)) {
    case kFailed: return 0;
    case kGeneral: return EvalGeneral(ci);
    case kScalar: break;
    }
    TParserBase& body = def_->Body();
    TFrameGuard frame(body.Store());
    SetParameters();
    TParserAtom* tree = body.Tree();
    return tree ? tree->EvalNumber(ci) : 0;
}

bool TFunctionCall::EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) {
    out = 0;
    switch (Start(ci)) {
    case kFailed: return true;
    case kGeneral:
        EvaluateWithArrays(ci, text);
        if (text.isString && !ci.error) return false;
        out = ci.error ? 0 : text.number;
        return true;
    case kScalar: break;
    }
    TParserBase& body = def_->Body();
    TFrameGuard frame(body.Store());
    SetParameters();
    TParserAtom* tree = body.Tree();
    return tree ? NumberOrTextOf(tree, ci, out, text) : true;
}

double TFunctionCall::EvalGeneral(TCalcInfo& ci) {
    TReturnValue v;
    EvaluateWithArrays(ci, v);
    return ci.error ? 0 : v.GetNumber();
}

void TFunctionCall::MoveText(TReturnValue& from, TVarEntry& to) {
    to.SetString(std::move(from.text));
    from.text.clear();
}

void TFunctionCall::EvaluateWithArrays(TCalcInfo& ci, TReturnValue& result) {
    TFunctionDef& d = *def_;
    const int n = argc_;

    // Arguments, in order, before the body's locals are saved: an argument may read the
    // caller's own locals, which are the body's locals in a recursive call. Scalars go to
    // the value slots (fresh ones if this node is re-entered from its own argument);
    // arrays are copied.
    std::unique_ptr<TReturnValue[]> ownValues;
    TReturnValue* values = values_.get();
    if (filling_ > 0 && n > 0) {
        ownValues = std::make_unique<TReturnValue[]>(static_cast<std::size_t>(n));
        values = ownValues.get();
    }
    std::vector<std::unique_ptr<TArrayEntry>> arrays;
    {
        TFillCount filling(filling_);
        for (int i = 0; i < n && !ci.error; ++i) {
            if (arrayParams_[i]) {
                TOperandBase* op = ArgOperand(i);
                if (!op)
                    ci.SetError("Functioncall: Parameter mismatch.");
                else if (!op->IsArray())
                    ci.SetError("Functioncall: Parameter should be an array");
                else if (!ArgArray(i))
                    ci.SetError("Functioncall: Array not found.");
                else {
                    arrays.push_back(std::make_unique<TArrayEntry>(std::string()));
                    arrays.back()->CopyFrom(*ArgArray(i));
                }
            } else {
                args_[i]->Evaluate(ci, values[i]);
            }
        }
    }
    if (ci.error) return;

    TVarHandler& store = d.Body().Store();
    TFrameGuard frame(store);
    std::size_t nextArray = 0;
    for (int i = 0; i < n; ++i) {
        TVarEntryBase* p = d.Parameter(i);
        if (arrayParams_[i]) {
            static_cast<TArrayEntry*>(p)->MoveFrom(*arrays[nextArray++]);
        } else if (values[i].isString) {
            static_cast<TVarEntry*>(p)->SetString(std::move(values[i].text));
            values[i].text.clear();
        } else {
            static_cast<TVarEntry*>(p)->SetNumber(values[i].number);
        }
    }

    result.SetNumber(0);
    ci.error = false;
    if (TParserAtom* body = d.Body().Tree()) body->Evaluate(ci, result);

    // Value-result arrays: take the parameters' final contents, restore the caller's
    // frame, then hand the contents to the caller's arrays.
    if (arrays.empty()) return; // the frame guard pops
    nextArray = 0;
    for (int i = 0; i < n; ++i)
        if (arrayParams_[i]) arrays[nextArray++]->MoveFrom(*static_cast<TArrayEntry*>(d.Parameter(i)));
    frame.Pop();
    nextArray = 0;
    for (int i = 0; i < n; ++i)
        if (arrayParams_[i])
            if (TArrayEntry* target = ArgArray(i)) target->MoveFrom(*arrays[nextArray++]);
}

} // namespace NuvixParser
