// The index sort behind sort(a[];b[]): positions of a block of doubles in ascending order.
#pragma once

#include <span>

namespace NuvixParser {

// Writes to `order` the indices of x in ascending order of value, as numbers (the form an
// array of the script holds them in); `order` may be x itself, which is read in full first.
// The order is total and deterministic: equal values (0 and -0 included) keep their index
// order, and NaN values come last, also in index order. Builds one temporary table of
// 16-byte records; throws std::bad_alloc when that cannot be allocated.
void SortIndices(std::span<const double> x, std::span<double> order);

} // namespace NuvixParser
