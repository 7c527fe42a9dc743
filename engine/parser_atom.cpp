// TParserAtom: the generic numeric evaluation of a node.
#include "engine/parser_atom.h"

#include "engine/calc_info.h"
#include "engine/return_value.h"

namespace NuvixParser {

double TParserAtom::EvalNumber(TCalcInfo& ci) {
    TReturnValue v;
    Evaluate(ci, v);
    return v.GetNumber();
}

bool TParserAtom::EvalNumberOrText(TCalcInfo& ci, double& out, TReturnValue& text) {
    if (TryNumber(ci, out)) return true;
    Evaluate(ci, text);
    if (text.isString && !ci.error) return false;
    out = ci.error ? 0 : text.number;
    return true;
}

} // namespace NuvixParser
