// The index sort behind sort(a[];b[]): a table of (value, index) records sorted by value.
#include "functions/arrays/index_sort.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace NuvixParser {
namespace {

struct TSortRecord {
    double value;
    std::int32_t index;
};

} // namespace

// A comparison that puts NaN below everything is not a strict weak ordering (NaN would be
// below itself), and a sort given such a comparison may run past the ends of its range.
// So NaN records never reach the comparison: they are set apart at the back of the table,
// and the rest is sorted by (value, index), a strict total order that makes the result
// the one a stable sort would give.
void SortIndices(std::span<const double> x, std::span<double> order) {
    const std::size_t n = x.size();
    // Every record is written before it is read, so the table is not zeroed first.
    const auto table = std::make_unique_for_overwrite<TSortRecord[]>(n);
    std::size_t front = 0;
    std::size_t back = n;
    for (std::size_t i = 0; i < n; ++i) {
        const TSortRecord r{x[i], static_cast<std::int32_t>(i)};
        if (std::isnan(r.value))
            table[--back] = r;
        else
            table[front++] = r;
    }
    // The NaN records were filled from the back, so they stand in reverse index order.
    std::reverse(table.get() + back, table.get() + n);
    std::sort(table.get(), table.get() + front, [](const TSortRecord& a, const TSortRecord& b) {
        return a.value < b.value || (a.value == b.value && a.index < b.index);
    });
    for (std::size_t i = 0; i < n && i < order.size(); ++i) order[i] = table[i].index;
}

} // namespace NuvixParser
