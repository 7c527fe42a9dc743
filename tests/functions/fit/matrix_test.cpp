// Matrix: LU decomposition and solving, pivot choice, singular rows, NaN, assignment.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "functions/fit/matrix.h"

namespace {

using NuvixParser::Matrix;

Matrix Make(const std::vector<std::vector<double>>& rows) {
    Matrix m(static_cast<std::int32_t>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows.size(); ++j) m[static_cast<std::int32_t>(i)][j] = rows[i][j];
    return m;
}

TEST(Matrix, SolvesSystemsThatNeedPivoting) {
    struct {
        const char* name;
        std::vector<std::vector<double>> a;
        std::vector<double> x;
    } const cases[] = {
        {"zero on the first diagonal", {{0, 2, 1}, {1, 1, 1}, {2, 1, 0}}, {1, -2, 3}},
        {"rows of very different scale", {{1e-12, 1e-12}, {1, 3}}, {4, -1}},
        {"one by one", {{4}}, {2.5}},
        {"leading zeros in the right-hand side", {{2, 0, 0}, {0, 3, 0}, {1, 0, 4}}, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Matrix a = Make(c.a);
        const auto n = static_cast<std::int32_t>(c.x.size());
        std::vector<double> b(c.x.size(), 0.0);
        for (std::int32_t i = 0; i < n; ++i)
            for (std::int32_t j = 0; j < n; ++j) b[i] += c.a[i][j] * c.x[j];
        std::vector<std::int32_t> index(c.x.size());
        std::vector<double> scale(c.x.size());
        ASSERT_TRUE(a.Decompose(index.data(), scale.data()));
        a.Solve(index.data(), b.data());
        for (std::int32_t i = 0; i < n; ++i) EXPECT_NEAR(b[i], c.x[i], 1e-12) << "x" << i;
    }
}

TEST(Matrix, ARowOfZerosIsSingular) {
    Matrix a = Make({{1, 2, 3}, {0, 0, 0}, {4, 5, 6}});
    std::int32_t index[3];
    double scale[3];
    EXPECT_FALSE(a.Decompose(index, scale));
}

// Dependent rows without a zero row: the zero pivot becomes 1e-30 and the decomposition
// goes on, so the fitter sees huge steps rather than a failure.
TEST(Matrix, AZeroPivotIsReplacedByATinyOne) {
    Matrix a = Make({{1, 2}, {2, 4}});
    std::int32_t index[2];
    double scale[2];
    ASSERT_TRUE(a.Decompose(index, scale));
    EXPECT_EQ(a[1][1], 1e-30);
}

TEST(Matrix, TheFirstOfEqualPivotCandidatesWins) {
    // Scaled candidates of column 0 are 2 * 1/2 and 2 * 1/2.
    Matrix a = Make({{2, 1}, {2, 1.5}});
    std::int32_t index[2] = {-7, -7};
    double scale[2];
    ASSERT_TRUE(a.Decompose(index, scale));
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(index[1], 1);
}

// With NaN in a column no candidate compares larger than another; the pivot must still be
// a row of the matrix, and solving must not read outside the right-hand side.
TEST(Matrix, NaNInAColumnStillGivesValidPivots) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Matrix a = Make({{nan, 1}, {nan, 1}});
    std::int32_t index[2] = {-7, -7};
    double scale[2];
    ASSERT_TRUE(a.Decompose(index, scale));
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(index[1], 1);
    double b[2] = {1, 2};
    a.Solve(index, b);
    EXPECT_TRUE(std::isnan(b[0]));
}

TEST(Matrix, ARowOfNaNIsSingular) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Matrix a = Make({{1, 0}, {nan, nan}});
    std::int32_t index[2];
    double scale[2];
    EXPECT_FALSE(a.Decompose(index, scale));
}

TEST(Matrix, AssignmentTakesSizeAndContents) {
    Matrix big = Make({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    Matrix small(1);
    EXPECT_EQ(small[0][0], 0); // a new matrix is zero
    small = big;
    ASSERT_EQ(small.Size(), 3);
    EXPECT_EQ(small[2][1], 8);
    big[2][1] = -1;
    EXPECT_EQ(small[2][1], 8); // a copy, not shared storage
    Matrix same(3);
    same = big;
    EXPECT_EQ(same[2][1], -1);
    same.SetZero();
    EXPECT_EQ(same[0][0], 0);
    EXPECT_EQ(same[2][2], 0);
}

} // namespace
