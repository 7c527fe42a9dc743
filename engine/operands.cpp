// Evaluation and assignment of variables, constants and array elements.
#include "engine/operands.h"

#include "engine/calc_info.h"
#include "engine/var_handler.h"

namespace NuvixParser {

// ---- TOperand ---------------------------------------------------------------------------

std::unique_ptr<TOperand> TOperand::Make(std::string_view name) {
    return std::unique_ptr<TOperand>(new (TExtraBytes{name.size()}) TOperand(name));
}

void TOperand::Bind(TVarHandler& store) {
    entry_ = store.GetScalar(Name());
}

void TOperand::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (entry_ && entry_->hasValue) {
        if (entry_->isString)
            result.SetString(entry_->text); // out of line
        else
            result.SetNumber(entry_->number);
        return;
    }
    ReportNoValue(ci);
}

double TOperand::EvalNumber(TCalcInfo& ci) {
    // A text entry keeps its numeric reading as its number.
    if (entry_ && entry_->hasValue) [[likely]]
        return entry_->number;
    ReportNoValue(ci);
    return 0;
}

void TOperand::ReportNoValue(TCalcInfo& ci) const {
    ci.SetError("Variable " + std::string(Name()) + " has no value");
}

bool TOperand::TryNumber(TCalcInfo& ci, double& out) {
    if (entry_ && entry_->hasValue && entry_->isString) return false;
    out = EvalNumber(ci);
    return true;
}

bool TOperand::EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) {
    out = 0;
    if (entry_ && entry_->hasValue) [[likely]] {
        if (!entry_->isString) {
            out = entry_->number;
            return true;
        }
        text.SetString(entry_->text);
        return false;
    }
    ReportNoValue(ci);
    return true;
}

bool TOperand::IsString() const {
    return entry_ && entry_->isString;
}

bool TOperand::HasValue(TCalcInfo&) {
    return entry_ && entry_->hasValue;
}

bool TOperand::AssignNumber(TCalcInfo&, double v) {
    if (!entry_) return false;
    entry_->SetNumber(v);
    return true;
}

bool TOperand::AssignString(TCalcInfo&, std::string_view s) {
    if (!entry_) return false;
    entry_->SetString(s);
    return true;
}

// ---- TConstOperand ----------------------------------------------------------------------

std::unique_ptr<TConstOperand> TConstOperand::MakeText(std::string_view text) {
    return std::unique_ptr<TConstOperand>(new (TExtraBytes{text.size()}) TConstOperand(text));
}

void TConstOperand::Evaluate(TCalcInfo&, TReturnValue& result) {
    if (isString_)
        result.SetString(Text());
    else
        result.SetNumber(number_);
}

// ---- TOpArray ---------------------------------------------------------------------------

std::unique_ptr<TOpArray> TOpArray::Make(std::string_view name, TNodePtr index) {
    return std::unique_ptr<TOpArray>(new (TExtraBytes{name.size()}) TOpArray(name, std::move(index)));
}

void TOpArray::Bind(TVarHandler& store) {
    index_->Bind(store);
    entry_ = store.GetArray(Name());
}

void TOpArray::ReportNotAnArray(TCalcInfo& ci, std::string_view where) const {
    ci.SetError(std::string(where) + ": " + std::string(Name()) + " is not an array");
}

void TOpArray::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (!entry_) {
        ReportNotAnArray(ci, "Index");
        return;
    }
    const double x = EvalNumber(ci);
    if (!ci.error) result.SetNumber(x);
}

double TOpArray::EvalNumber(TCalcInfo& ci) {
    if (!entry_) {
        ReportNotAnArray(ci, "Index");
        return 0;
    }
    const std::int32_t i = DoubleToInt32(NumberOf(index_.get(), ci));
    if (ci.error) return 0;
    const double x = entry_->GetElement(i);
    // A 0 read is also what lies outside the array, so only then is the index checked.
    if (x == 0 && !(i == 0 || (i > 0 && i < entry_->Length())))
        ci.SetError("Illegal array element access in array " + std::string(Name()));
    return x;
}

bool TOpArray::PrivateIndex(TCalcInfo& ci, std::int32_t& i) {
    // A constant or a variable with a value cannot fail: no private record is needed.
    if (double v; ReadLeaf(index_.get(), v)) {
        i = DoubleToInt32(v);
        return true;
    }
    return PrivateIndexSlow(ci, i);
}

bool TOpArray::PrivateIndexSlow(TCalcInfo& ci, std::int32_t& i) {
    TCalcInfo own(ci, TCalcInfo::PrivateTag{});
    const double v = index_->EvalNumber(own);
    if (own.error) return Refuse("index of " + std::string(Name()) + ": " + own.errorMessage);
    i = DoubleToInt32(v);
    return true;
}

bool TOpArray::HasValue(TCalcInfo& ci) {
    std::int32_t i = 0;
    if (!entry_ || !PrivateIndex(ci, i)) return false;
    return i == 0 || (i > 0 && i < entry_->Length());
}

namespace {
// Why the last refused store of an array element on this thread failed, and the element:
// asked right after the refusal (ReportRefusedStore), it needs no field in every element
// node of a long data table.
struct TRefusal {
    const TOpArray* element = nullptr;
    std::string why;
};
thread_local TRefusal tlsRefusal;
} // namespace

bool TOpArray::Refuse(std::string why) {
    tlsRefusal.element = this;
    tlsRefusal.why = std::move(why);
    return false;
}

std::string TOpArray::RefusedStoreText() const {
    return tlsRefusal.element == this ? tlsRefusal.why : std::string();
}

bool TOpArray::AssignNumber(TCalcInfo& ci, double v) {
    std::int32_t i = 0;
    if (!entry_) return Refuse(std::string(Name()) + " is not an array");
    if (!PrivateIndex(ci, i)) return false;
    if (entry_->SetElement(i, v)) [[likely]]
        return true;
    if (i < 0) return Refuse("error setting a value (maybe negative array index)");
    if (i >= TArrayEntry::kMaxElements)
        return Refuse("array index beyond the limit of " + std::to_string(TArrayEntry::kMaxElements - 1));
    return Refuse("array " + std::string(Name()) + " cannot grow to index " + std::to_string(i));
}

void ReportRefusedStore(TCalcInfo& ci, const TOperandBase& target, std::string_view where) {
    if (ci.StackOverflowed())
        ci.error = true;
    else if (ci.BreakRequested())
        ci.SetBreaked();
    else
        ci.SetError(std::string(where) + ": " + target.RefusedStoreText());
}

bool TOpArray::AssignString(TCalcInfo& ci, std::string_view s) {
    return AssignNumber(ci, TextToNumber(s));
}

} // namespace NuvixParser
