// TParserAtom and TOperandBase: the root classes of every parse-tree node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "engine/node_pool.h"
#include <string_view>

namespace NuvixParser {

class TCalcInfo;
class TReturnValue;
class TVarHandler;
class TOpFunction;

// What a node is, for callers that read leaves inline instead of through a virtual call
// (see NumberOf in operands.h).
enum TLeafKind : unsigned char {
    kNotLeaf = 0,
    kNumberLeaf = 1, // a TConstOperand holding a number
    kScalarLeaf = 2, // a TOperand
    // An arithmetic or comparison operator of a variable and a number constant or a second
    // variable (n - 1, i < n): a TOpFunction that callers compute inline (see ReadVarOp in
    // operands.h).
    kVarOperator = 3,
};

// Nodes that callers may run inline instead of through Execute or Evaluate.
enum TRunKind : unsigned char {
    kRunNode = 0,
    kRunUpdate = 1,   // x op= number or x op= y (see RunUpdate in operands.h)
    kRunSequence = 2, // a ',' chain whose steps are listed (see TSepHead)
};

// Extra bytes behind a node, for a text of its own: new (TExtraBytes{n}) T(...).
struct TExtraBytes {
    std::size_t count;
};

class TParserAtom {
public:
    TParserAtom() = default;
    TParserAtom(const TParserAtom&) = delete;

    // Nodes live in the chunks of the node pool: a compile lays its tree out in order.
    static void* operator new(std::size_t size) { return detail::AllocateNode(size); }
    static void operator delete(void* p) noexcept { detail::FreeNode(p); }
    static void* operator new(std::size_t size, TExtraBytes extra) {
        return detail::AllocateNode(size + extra.count);
    }
    static void operator delete(void* p, TExtraBytes) noexcept { detail::FreeNode(p); }
    // No node needs more than 8-byte alignment; the pool gives no more.
    static void* operator new(std::size_t, std::align_val_t) = delete;
    static void* operator new[](std::size_t) = delete;
    TParserAtom& operator=(const TParserAtom&) = delete;

    // Connects operands to entries of the store (find-or-create).
    virtual void Bind(TVarHandler& store) = 0;
    // Computes into result; script errors go to ci (never exceptions).
    virtual void Evaluate(TCalcInfo& ci, TReturnValue& result) = 0;
    // Evaluates for the side effects only, where the caller drops the value (the left side
    // of ',', the init and increment of for): the same evaluation, errors and breaks as
    // Evaluate, but `scratch` is left holding anything. Assignments use this to skip
    // copying a long text into a value nobody reads.
    virtual void Execute(TCalcInfo& ci, TReturnValue& scratch) { Evaluate(ci, scratch); }
    virtual bool IsVariable() const { return false; }
    virtual bool IsString() const { return false; }
    virtual ~TParserAtom() = default;

    // The numeric reading of the node's value, computed without a TReturnValue where the
    // node can: the fast path of arithmetic, comparisons, assignments and conditions. The
    // same evaluation and errors as Evaluate followed by the numeric reading (0 after an
    // error).
    virtual double EvalNumber(TCalcInfo& ci);
    // True when Evaluate always gives a number, never a text: callers may then take
    // EvalNumber instead of Evaluate without losing anything.
    virtual bool ResultIsNumber() const { return false; }
    // Either evaluates the node to a number (true, `out` set, errors reported as usual) or,
    // when its value may be a text, evaluates nothing and returns false so the caller can
    // Evaluate it. A variable holding a number takes the fast way.
    virtual bool TryNumber(TCalcInfo& ci, double& out) {
        if (!ResultIsNumber()) return false;
        out = EvalNumber(ci);
        return true;
    }
    // Evaluates once, as Evaluate does, for callers that treat numbers and texts apart
    // ('+', a call's value): a number comes back in `out` (true); a text is left in `text`
    // (false; `text` may hold anything on the way in, as Evaluate's result may). After an
    // error the answer is true with `out` 0. Calls, if, ',' and '+' pass numbers through it
    // without a value record.
    virtual bool EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text);

    // Binary operators are chained into left-deep spines by long flat scripts; the tree
    // walks those spines in loops instead of recursion (see TOpFunction).
    virtual TOpFunction* AsOperator() { return nullptr; }

    TLeafKind LeafKind() const { return leafKind_; }
    TRunKind RunKind() const { return runKind_; }

protected:
    TLeafKind leafKind_ = kNotLeaf;
    TRunKind runKind_ = kRunNode;
};

using TNodePtr = std::unique_ptr<TParserAtom>;

// A variable's name or a text literal kept right behind its node, in the node's own block
// (made with TExtraBytes): a script of a million statements then holds no string objects
// of 32 bytes each, nor their heap copies of longer names. The node keeps the length.
template <class TNode> std::uint32_t CopyTrailingText(TNode* node, std::string_view text) {
    if (text.size() > UINT32_MAX) throw std::length_error("text too long for a node");
    std::memcpy(reinterpret_cast<char*>(node + 1), text.data(), text.size());
    return static_cast<std::uint32_t>(text.size());
}
template <class TNode> std::string_view TrailingText(const TNode* node, std::uint32_t length) {
    return {reinterpret_cast<const char*>(node + 1), length};
}

class TOperandBase : public TParserAtom {
public:
    // `ci` is the run's record: an array element evaluates its index with a private record
    // that keeps errors away from the run but shares its break flag.
    virtual bool HasValue(TCalcInfo& ci) = 0;
    virtual bool IsArray() const { return false; }
    virtual bool AssignNumber(TCalcInfo&, double) { return false; }
    virtual bool AssignString(TCalcInfo&, std::string_view) { return false; }
    // Why the last AssignNumber or AssignString of this node returned false, as the tail
    // of a message ("b is not an array"). Asked only after a refused store.
    virtual std::string RefusedStoreText() const { return "the value cannot be stored"; }
};

// Raises the error of a store `target` refused, for the operation `where` ("= operator"):
// a stack that ran out or a break while the index was evaluated is reported as itself;
// otherwise "<where>: " and the target's reason.
void ReportRefusedStore(TCalcInfo& ci, const TOperandBase& target, std::string_view where);

} // namespace NuvixParser
