// TParserAtom: the generic numeric evaluation of a node.
#include "engine/parser_atom.h"

#include "engine/return_value.h"

namespace NuvixParser {

double TParserAtom::EvalNumber(TCalcInfo& ci) {
    TReturnValue v;
    Evaluate(ci, v);
    return v.GetNumber();
}

} // namespace NuvixParser
