// The leaves of a parse tree: variables, constants and array elements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/calc_info.h"
#include "engine/operators.h"
#include "engine/parser_atom.h"
#include "engine/return_value.h"
#include "engine/var_entry.h"

namespace NuvixParser {

// A scalar variable: an identifier or a double-quoted name, kept behind the node.
class TOperand final : public TOperandBase {
public:
    static std::unique_ptr<TOperand> Make(std::string_view name);

    void Bind(TVarHandler& store) override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    bool IsVariable() const override { return true; }
    bool IsString() const override;
    bool HasValue(TCalcInfo& ci) override;
    bool AssignNumber(TCalcInfo& ci, double v) override;
    bool AssignString(TCalcInfo& ci, std::string_view s) override;
    double EvalNumber(TCalcInfo& ci) override;
    bool TryNumber(TCalcInfo& ci, double& out) override;
    bool EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) override;

    std::string_view Name() const { return TrailingText(this, nameLength_); }
    TVarEntry* Entry() const { return entry_; }

private:
    explicit TOperand(std::string_view name) : nameLength_(CopyTrailingText(this, name)) {
        leafKind_ = kScalarLeaf;
    }
    [[gnu::noinline, gnu::cold]] void ReportNoValue(TCalcInfo& ci) const;
    std::uint32_t nameLength_;
    TVarEntry* entry_ = nullptr; // none when unbound or when the name is an array
};

// A number literal or a single-quoted text literal; a text is kept behind the node.
class TConstOperand final : public TOperandBase {
public:
    explicit TConstOperand(double v) : number_(v) { leafKind_ = kNumberLeaf; }
    static std::unique_ptr<TConstOperand> MakeText(std::string_view text);

    void Bind(TVarHandler&) override {}
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    bool IsString() const override { return isString_; }
    bool HasValue(TCalcInfo&) override { return true; }
    // A text constant's number is its numeric reading, read once.
    double EvalNumber(TCalcInfo&) override { return number_; }
    bool ResultIsNumber() const override { return !isString_; }
    bool TryNumber(TCalcInfo&, double& out) override {
        out = number_;
        return !isString_;
    }

    double Number() const { return number_; }
    // Empty for a number.
    std::string_view Text() const { return isString_ ? TrailingText(this, textLength_) : std::string_view(); }

private:
    explicit TConstOperand(std::string_view text)
        : isString_(true), textLength_(CopyTrailingText(this, text)), number_(TextToNumber(text)) {}
    bool isString_ = false;
    std::uint32_t textLength_ = 0;
    double number_ = 0;
};

// name[index], and name[] (index the constant 0) for a whole array passed to a function;
// the name is kept behind the node.
class TOpArray final : public TOperandBase {
public:
    static std::unique_ptr<TOpArray> Make(std::string_view name, TNodePtr index);

    void Bind(TVarHandler& store) override;
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    bool IsVariable() const override { return true; }
    bool HasValue(TCalcInfo& ci) override;
    bool IsArray() const override { return true; }
    bool AssignNumber(TCalcInfo& ci, double v) override;
    bool AssignString(TCalcInfo& ci, std::string_view s) override;
    double EvalNumber(TCalcInfo& ci) override;
    bool ResultIsNumber() const override { return true; }

    std::string_view Name() const { return TrailingText(this, nameLength_); }
    TArrayEntry* Entry() const { return entry_; }
    TParserAtom* Index() const { return index_.get(); }
    std::string RefusedStoreText() const override;
    // "<where>: name is not an array", the error of using this name, bound to a scalar,
    // as an array.
    void ReportNotAnArray(TCalcInfo& ci, std::string_view where) const;

private:
    TOpArray(std::string_view name, TNodePtr index)
        : nameLength_(CopyTrailingText(this, name)), index_(std::move(index)) {}
    // Keeps why a store failed, for RefusedStoreText; cold, off the path of a good store.
    [[gnu::cold, gnu::noinline]] bool Refuse(std::string why);
    // The index evaluated with a private record; false when that evaluation failed.
    bool PrivateIndex(TCalcInfo& ci, std::int32_t& i);
    [[gnu::noinline]] bool PrivateIndexSlow(TCalcInfo& ci, std::int32_t& i);
    std::uint32_t nameLength_;
    TArrayEntry* entry_ = nullptr; // none when unbound or when the name is a scalar
    TNodePtr index_;
};

// The node as a plain variable, or none (what dynamic_cast<TOperand*> gives, without the
// type search: only TOperand nodes are scalar leaves).
inline TOperand* AsScalarOperand(TParserAtom* node) {
    return node && node->LeafKind() == kScalarLeaf ? static_cast<TOperand*>(node) : nullptr;
}

// The numeric reading of a number constant or of a variable that has a value (a text
// entry keeps its reading as its number): true with `out` set; false for anything else,
// which has to be evaluated (and may fail).
inline bool ReadLeaf(const TParserAtom* node, double& out) {
    if (node->LeafKind() == kNumberLeaf) {
        out = static_cast<const TConstOperand*>(node)->Number();
        return true;
    }
    if (node->LeafKind() == kScalarLeaf) {
        if (const TVarEntry* e = static_cast<const TOperand*>(node)->Entry(); e && e->hasValue) [[likely]] {
            out = e->number;
            return true;
        }
    }
    return false;
}

// The right operand of a kVarOperator or kRunUpdate node: the constant, or the second
// variable when it holds a number.
inline bool InlineRightNumber(const TInlineOperator* op, double& b) {
    if (!op->InlineRightIsVariable()) {
        b = op->InlineNumber();
        return true;
    }
    const TVarEntry* r = op->InlineRight();
    if (!r || !r->hasValue || r->isString) return false;
    b = r->number;
    return true;
}

// A kVarOperator node computed here, as its EvalNumber would: true with `out` set when the
// variable holds a number; false (nothing evaluated) otherwise. Comparisons give exactly
// 0 or 1.
inline bool ReadVarOp(const TParserAtom* node, double& out) {
    const auto* op = static_cast<const TInlineOperator*>(node);
    const TVarEntry* e = op->InlineEntry();
    if (!e || !e->hasValue || e->isString) [[unlikely]]
        return false;
    const double a = e->number;
    double b;
    if (!InlineRightNumber(op, b)) [[unlikely]]
        return false;
    out = ComputeInline(op->InlineOp(), a, b);
    return true;
}

// x op= y or x op= number run here as the node's Execute would, when no error is pending
// and both hold numbers (a text target counts by its reading and becomes a number): true
// with the stored value in `v`; false, nothing done, otherwise.
inline bool RunUpdate(TParserAtom* node, const TCalcInfo& ci, double& v) {
    auto* op = static_cast<TInlineOperator*>(node);
    TVarEntry* e = op->InlineEntry();
    double b;
    if (ci.error || !e || !e->hasValue || !InlineRightNumber(op, b)) [[unlikely]]
        return false;
    // Only the compound assignments (-=, +=, *=, /=) make update nodes, and += (the
    // counter of a loop) is the common one. Said here, the switch of ComputeInline becomes
    // a few compares with += first, not a jump table.
    const TOpFunction::TInlineOp code = op->InlineOp();
    if (code < TOpFunction::kInlineSub || code > TOpFunction::kInlineDiv) __builtin_unreachable();
    if (code == TOpFunction::kInlineAdd) [[likely]]
        v = ComputeInline(TOpFunction::kInlineAdd, e->number, b);
    else
        v = ComputeInline(code, e->number, b);
    e->SetNumber(v);
    return true;
}

// node->Execute(ci, scratch), with x op= leaf run inline.
inline void ExecuteOf(TParserAtom* node, TCalcInfo& ci, TReturnValue& scratch) {
    if (double v; node->RunKind() == kRunUpdate && RunUpdate(node, ci, v)) return;
    node->Execute(ci, scratch);
}

// node->Evaluate(ci, result), with x op= leaf run inline.
inline void EvaluateOf(TParserAtom* node, TCalcInfo& ci, TReturnValue& result) {
    if (double v; node->RunKind() == kRunUpdate && RunUpdate(node, ci, v)) {
        result.SetNumber(v);
        return;
    }
    node->Evaluate(ci, result);
}

// All but the last step of a ',' chain, each value dropped, as the nested ',' nodes run
// them: an error ends the chain, a break is checked between steps. True when the last step
// is to run.
inline bool RunLeadingSteps(const TSepHead& seq, TCalcInfo& ci, TReturnValue& scratch) {
    for (TParserAtom* const* step = seq.FirstStep(); step != seq.LastStep(); ++step) {
        ExecuteOf(*step, ci, scratch);
        if (ci.error) return false;
        scratch.SetNumber(0);
        if (ci.BreakRequested()) [[unlikely]] {
            ci.SetBreaked();
            return false;
        }
    }
    return true;
}

// node->Evaluate(ci, result) for a loop's body: a ',' chain runs here step by step.
inline void EvaluateBody(TParserAtom* node, TCalcInfo& ci, TReturnValue& result) {
    if (node->RunKind() == kRunSequence) {
        const auto& seq = static_cast<const TSepHead&>(*node);
        if (RunLeadingSteps(seq, ci, result)) EvaluateOf(*seq.LastStep(), ci, result);
        return;
    }
    EvaluateOf(node, ci, result);
}

// The numeric reading of a node, as node->EvalNumber(ci) gives it; number constants,
// variables that hold a value and `var op number` / `var op var` are read here without a
// call.
inline double NumberOf(TParserAtom* node, TCalcInfo& ci) {
    if (double v; ReadLeaf(node, v)) return v;
    if (double v; node->LeafKind() == kVarOperator && ReadVarOp(node, v)) return v;
    return node->EvalNumber(ci);
}

// NumberOf for a loop condition, which is mostly a comparison of a variable: asked first.
inline double ConditionOf(TParserAtom* node, TCalcInfo& ci) {
    if (double v; node->LeafKind() == kVarOperator && ReadVarOp(node, v)) return v;
    return NumberOf(node, ci);
}

// node->TryNumber(ci, out), with the same leaves read inline.
inline bool TryNumberOf(TParserAtom* node, TCalcInfo& ci, double& out) {
    if (node->LeafKind() == kNumberLeaf) {
        out = static_cast<TConstOperand*>(node)->Number();
        return true;
    }
    if (node->LeafKind() == kScalarLeaf) {
        const TVarEntry* e = static_cast<TOperand*>(node)->Entry();
        if (e && e->hasValue) [[likely]] {
            if (e->isString) return false;
            out = e->number;
            return true;
        }
    }
    if (node->LeafKind() == kVarOperator && ReadVarOp(node, out)) return true;
    return node->TryNumber(ci, out);
}

// node->EvalNumberOrText(ci, out, text), with the same leaves read inline.
inline bool NumberOrTextOf(TParserAtom* node, TCalcInfo& ci, double& out, TReturnValue& text) {
    if (node->LeafKind() == kNumberLeaf) {
        out = static_cast<TConstOperand*>(node)->Number();
        return true;
    }
    if (node->LeafKind() == kScalarLeaf) {
        const TVarEntry* e = static_cast<TOperand*>(node)->Entry();
        if (e && e->hasValue && !e->isString) [[likely]] {
            out = e->number;
            return true;
        }
    }
    if (node->LeafKind() == kVarOperator && ReadVarOp(node, out)) return true;
    return node->EvalNumberOrText(ci, out, text);
}

} // namespace NuvixParser
