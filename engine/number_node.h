// TNumberNode: the common part of nodes whose value is always a number.
#pragma once

#include "engine/calc_info.h"
#include "engine/return_value.h"

namespace NuvixParser {

// A node that computes its value in EvalNumber: Evaluate, TryNumber and ResultIsNumber all
// follow from it, so such nodes never need a value record inside arithmetic.
template <class TBase> class TNumberNode : public TBase {
public:
    void Evaluate(TCalcInfo& ci, TReturnValue& result) final {
        const double v = this->EvalNumber(ci);
        if (!ci.error) result.SetNumber(v);
    }
    bool ResultIsNumber() const final { return true; }
    bool TryNumber(TCalcInfo& ci, double& out) final {
        out = this->EvalNumber(ci);
        return true;
    }
};

} // namespace NuvixParser
