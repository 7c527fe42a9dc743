// SortIndices: against a stable reference sort on data full of ties, zeros of both signs,
// infinities and NaN.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "functions/arrays/index_sort.h"

namespace {

using NuvixParser::SortIndices;

// The order the sort must produce: stable by value, NaN last.
std::vector<double> ReferenceOrder(const std::vector<double>& x) {
    std::vector<int> idx(x.size());
    std::iota(idx.begin(), idx.end(), 0);
    std::stable_sort(idx.begin(), idx.end(), [&](int a, int b) {
        const double va = x[static_cast<std::size_t>(a)], vb = x[static_cast<std::size_t>(b)];
        if (std::isnan(vb)) return !std::isnan(va);
        return va < vb;
    });
    return {idx.begin(), idx.end()};
}

std::vector<double> Sorted(const std::vector<double>& x) {
    std::vector<double> order(x.size(), -1);
    SortIndices(x, order);
    return order;
}

TEST(IndexSort, SmallCases) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct TCase {
        std::vector<double> x;
        std::vector<double> order;
    };
    const TCase cases[] = {
        {{}, {}},
        {{4}, {0}},
        {{nan}, {0}},
        {{3, 1, 2}, {1, 2, 0}},
        {{1, 1, 1}, {0, 1, 2}},
        {{0.0, -0.0, 0.0}, {0, 1, 2}},
        {{nan, 2, nan, 1}, {3, 1, 0, 2}},
        {{inf, nan, -inf, -nan}, {2, 0, 1, 3}},
    };
    for (const TCase& c : cases) EXPECT_EQ(Sorted(c.x), c.order);
}

TEST(IndexSort, MatchesAStableSortOnRandomDataWithManyTies) {
    const double awkward[] = {std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              0.0,
                              -0.0};
    std::mt19937 gen(12345);
    for (std::size_t n : {2u, 17u, 100u, 1000u, 50000u}) {
        std::vector<double> x(n);
        for (double& v : x) {
            const unsigned r = gen() % 16;
            v = r < 6 ? awkward[r] : static_cast<double>(gen() % 8) - 4; // few distinct values
        }
        SCOPED_TRACE(n);
        EXPECT_EQ(Sorted(x), ReferenceOrder(x));
    }
}

TEST(IndexSort, MayWriteOverItsInput) {
    std::vector<double> x{5, 3, 4, 3};
    SortIndices(x, x);
    EXPECT_EQ(x, (std::vector<double>{1, 3, 2, 0}));
}

} // namespace
