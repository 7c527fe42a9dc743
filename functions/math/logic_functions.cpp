// Bit logic on 32-bit patterns.
#include "functions/math/logic_functions.h"

#include <cstdint>

namespace NuvixParser {
namespace {

// The integer reading of argument i as an unsigned 32-bit pattern, so shifts and masks
// are well defined for negative values.
std::uint32_t Bits(const TFunction& f, int i) {
    return static_cast<std::uint32_t>(f.Value(i).GetInt());
}

// The pattern read back as a signed 32-bit value (two's complement).
long double Signed(std::uint32_t bits) {
    return static_cast<std::int32_t>(bits);
}

} // namespace

long double TLogAnd::Compute(TCalcInfo&) {
    return Signed(Bits(*this, 0) & Bits(*this, 1));
}

long double TLogOr::Compute(TCalcInfo&) {
    return Signed(Bits(*this, 0) | Bits(*this, 1));
}

long double TLogXor::Compute(TCalcInfo&) {
    return Signed(Bits(*this, 0) ^ Bits(*this, 1));
}

long double TLogShl::Compute(TCalcInfo&) {
    return Signed(Bits(*this, 0) << (Bits(*this, 1) & 31u));
}

long double TLogShr::Compute(TCalcInfo&) {
    return Signed(Bits(*this, 0) >> (Bits(*this, 1) & 31u));
}

long double TNot::Compute(TCalcInfo&) {
    return Value(0).GetNumber() == 0 ? 1 : 0;
}

} // namespace NuvixParser
