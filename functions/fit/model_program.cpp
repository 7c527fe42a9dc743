// TModelProgram: flattening a plain arithmetic model and running it column by column.
#include "functions/fit/model_program.h"

#include <algorithm>
#include <cmath>

#include "engine/builtin_call.h"
#include "engine/function.h"
#include "engine/operands.h"
#include "engine/operators.h"
#include "engine/var_entry.h"

namespace NuvixParser {
namespace {

// Larger models keep the tree.
constexpr std::size_t kMaxSteps = 256;

// out[i] = op(a[i], b[i]) by the operator's rule, the arithmetic the operator nodes use;
// an operand with stride 0 is one value for every point.
template <class TRule, int kStrideA, int kStrideB>
void ApplyColumns(double* __restrict out, const double* __restrict a, const double* __restrict b, std::int32_t n) {
    for (std::int32_t i = 0; i < n; ++i) out[i] = TRule::Compute(a[i * kStrideA], b[i * kStrideB]);
}

template <class TRule>
void ApplyColumns(double* out, const double* a, bool aUniform, const double* b, bool bUniform, std::int32_t n) {
    if (aUniform && bUniform)
        ApplyColumns<TRule, 0, 0>(out, a, b, 1);
    else if (aUniform)
        ApplyColumns<TRule, 0, 1>(out, a, b, n);
    else if (bUniform)
        ApplyColumns<TRule, 1, 0>(out, a, b, n);
    else
        ApplyColumns<TRule, 1, 1>(out, a, b, n);
}

} // namespace

std::unique_ptr<TModelProgram> TModelProgram::Compile(TParserAtom* model, const TVarEntry* x, const TArrayEntry* p,
                                                      std::int32_t np) {
    auto program = std::unique_ptr<TModelProgram>(new TModelProgram);
    program->np_ = np;
    if (!model || program->Add(model, x, p, np) < 0) return nullptr;
    program->full_.resize(program->steps_.size());
    program->probe_.resize(program->steps_.size());
    return program;
}

int TModelProgram::Append(TStep step) {
    if (step.op == TOp::X) step.uniform = false;
    if (step.left >= 0 && !steps_[step.left].uniform) step.uniform = false;
    if (step.right >= 0 && !steps_[step.right].uniform) step.uniform = false;
    if (step.left >= 0) step.reads = steps_[step.left].reads;
    if (step.right >= 0) {
        const auto& r = steps_[step.right].reads;
        std::vector<std::int32_t> both;
        std::set_union(step.reads.begin(), step.reads.end(), r.begin(), r.end(), std::back_inserter(both));
        step.reads = std::move(both);
    }
    steps_.push_back(std::move(step));
    return static_cast<int>(steps_.size()) - 1;
}

int TModelProgram::Add(TParserAtom* node, const TVarEntry* x, const TArrayEntry* p, std::int32_t np) {
    if (steps_.size() >= kMaxSteps) return -1;
    if (node->LeafKind() == kNumberLeaf) return Append(TStep(TOp::Number, static_cast<const TConstOperand*>(node)->Number()));
    if (node->LeafKind() == kScalarLeaf) {
        const TVarEntry* e = static_cast<const TOperand*>(node)->Entry();
        if (e == x) return Append(TStep(TOp::X));
        // A variable the model cannot change: its number now is its number for the fit.
        if (!e || !e->hasValue || e->isString) return -1;
        return Append(TStep(TOp::Number, e->number));
    }
    if (auto* element = dynamic_cast<TOpArray*>(node)) {
        const TParserAtom* index = element->Index();
        if (element->Entry() != p || !index || index->LeafKind() != kNumberLeaf) return -1;
        const double k = static_cast<const TConstOperand*>(index)->Number();
        if (!(k >= 0 && k < np) || k != std::floor(k)) return -1;
        TStep step(TOp::Param);
        step.param = static_cast<std::int32_t>(k);
        step.reads = {step.param};
        return Append(std::move(step));
    }
    if (TOpFunction* op = node->AsOperator()) {
        TStep step(TOp::Add);
        if (dynamic_cast<TAdd*>(op))
            step.op = TOp::Add;
        else if (dynamic_cast<TSub*>(op))
            step.op = TOp::Sub;
        else if (dynamic_cast<TMult*>(op))
            step.op = TOp::Mult;
        else if (dynamic_cast<TDiv*>(op))
            step.op = TOp::Div;
        else if (dynamic_cast<TExp*>(op))
            step.op = TOp::Power;
        else
            return -1;
        if (!op->Left() || !op->Right()) return -1;
        step.left = Add(op->Left(), x, p, np);
        if (step.left < 0) return -1;
        step.right = Add(op->Right(), x, p, np);
        if (step.right < 0) return -1;
        return Append(std::move(step));
    }
    if (auto* neg = dynamic_cast<TNeg*>(node); neg && neg->Arg(0)) {
        TStep step(TOp::Negate);
        step.left = Add(neg->Arg(0), x, p, np);
        return step.left < 0 ? -1 : Append(std::move(step));
    }
    if (auto* f = dynamic_cast<TBuiltinCall*>(node); f && f->Row().unary && f->Arg(0)) {
        TStep step(TOp::Unary);
        step.unary = f->Row().unary;
        step.left = Add(f->Arg(0), x, p, np);
        return step.left < 0 ? -1 : Append(std::move(step));
    }
    return -1;
}

void TModelProgram::Compute(const TStep& s, double* out, const double* a, const double* b, const double* x,
                            std::int32_t n, const double* params) const {
    const std::int32_t count = s.uniform ? 1 : n;
    const bool aUniform = s.left >= 0 && steps_[s.left].uniform;
    const bool bUniform = s.right >= 0 && steps_[s.right].uniform;
    switch (s.op) {
    case TOp::Number: out[0] = s.number; break;
    case TOp::X: std::copy_n(x, n, out); break;
    case TOp::Param: out[0] = params[s.param]; break;
    case TOp::Negate:
        for (std::int32_t i = 0; i < count; ++i) out[i] = -a[i];
        break;
    case TOp::Unary:
        for (std::int32_t i = 0; i < count; ++i) out[i] = s.unary(a[i]);
        break;
    case TOp::Add: ApplyColumns<TAddRule>(out, a, aUniform, b, bUniform, count); break;
    case TOp::Sub: ApplyColumns<TSubRule>(out, a, aUniform, b, bUniform, count); break;
    case TOp::Mult: ApplyColumns<TMultRule>(out, a, aUniform, b, bUniform, count); break;
    case TOp::Div: ApplyColumns<TDivRule>(out, a, aUniform, b, bUniform, count); break;
    case TOp::Power: ApplyColumns<TExpRule>(out, a, aUniform, b, bUniform, count); break;
    }
}

void TModelProgram::Output(const double* values, std::int32_t n, double* out) const {
    if (steps_.back().uniform)
        std::fill_n(out, n, values[0]);
    else
        std::copy_n(values, n, out);
}

bool TModelProgram::Reads(int step, std::int32_t param) const {
    const auto& reads = steps_[step].reads;
    return std::binary_search(reads.begin(), reads.end(), param);
}

void TModelProgram::Run(const double* x, std::int32_t n, const double* params, double* out) {
    const int last = static_cast<int>(steps_.size()) - 1;
    // The one parameter that differs from the last full run over these points, if so.
    std::int32_t changed = -1;
    if (x == lastX_ && n == lastCount_) {
        for (std::int32_t j = 0; j < np_; ++j) {
            if (params[j] == lastParams_[j] || (std::isnan(params[j]) && std::isnan(lastParams_[j]))) continue;
            if (changed >= 0) { // a second one
                changed = -2;
                break;
            }
            changed = j;
        }
        if (changed == -1) { // the same parameters
            Output(full_[last].data(), n, out);
            return;
        }
    }
    if (changed >= 0) {
        for (int i = 0; i <= last; ++i) {
            if (!Reads(i, changed)) continue;
            const TStep& s = steps_[i];
            auto column = [&](int step) {
                return step < 0 ? nullptr : (Reads(step, changed) ? probe_[step] : full_[step]).data();
            };
            probe_[i].resize(static_cast<std::size_t>(n));
            Compute(s, probe_[i].data(), column(s.left), column(s.right), x, n, params);
        }
        Output((Reads(last, changed) ? probe_[last] : full_[last]).data(), n, out);
        return;
    }
    for (int i = 0; i <= last; ++i) {
        const TStep& s = steps_[i];
        full_[i].resize(static_cast<std::size_t>(n));
        Compute(s, full_[i].data(), s.left < 0 ? nullptr : full_[s.left].data(),
                s.right < 0 ? nullptr : full_[s.right].data(), x, n, params);
    }
    lastX_ = x;
    lastCount_ = n;
    lastParams_.assign(params, params + np_);
    Output(full_[last].data(), n, out);
}

} // namespace NuvixParser
