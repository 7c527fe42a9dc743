// The matrix text format on its own: number form, row count, cell layout and scanning.
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "functions/files/matrix_format.h"

namespace {

using NuvixParser::AppendMatrixCells;
using NuvixParser::AppendMatrixNumber;
using NuvixParser::FillMatrix;
using NuvixParser::MatrixRowCount;
using NuvixParser::MeasureMatrix;
using NuvixParser::TMatrixShape;

std::string Number(double v) {
    std::string s;
    AppendMatrixNumber(s, v);
    return s;
}

TEST(MatrixNumber, TenSignificantDigitsInShortestForm) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.1, "0.1"},
        {1.0 / 3, "0.3333333333"},
        {1e20, "1e+20"},
        {123456789012.0, "1.23456789e+11"},
        {9999999999.0, "9999999999"}, // exponent 9: still fixed
        {12345678901.0, "1.23456789e+10"},
        {0.0001, "0.0001"},        // exponent -4: still fixed
        {0.00001234, "1.234e-05"}, // below -4: exponent form, two digits at least
        {1e-300, "1e-300"},
        {2.5, "2.5"},
        {100, "100"},
        {-7, "-7"},
        {0, "0"},
        {-0.0, "-0"},
        {0.99999999999, "1"}, // rounds to ten digits
        {inf, "+INF"},
        {-inf, "-INF"},
        {nan, "+NAN"},
        {-nan, "-NAN"},
    };
    for (const auto& c : cases) EXPECT_EQ(Number(c.value), c.text) << c.value;
}

// printf's %.10g in the C locale is the reference the format is defined by.
TEST(MatrixNumber, AgreesWithPrintfOnRandomValues) {
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-320, 308);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(random) * std::pow(10.0, exponent(random));
        if (!std::isfinite(v)) continue;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.10g", v);
        ASSERT_EQ(Number(v), expected) << "value bits differ at " << i;
    }
}

TEST(MatrixRows, CountIsTheIntegerCeiling) {
    const struct {
        std::int64_t n, c, rows;
    } cases[] = {
        {0, 1, 0},
        {5, 2, 3},
        {4, 2, 2},
        {1, 3, 1},
        {7, 7, 1},
        {-3, 2, 0},
        // Beyond 2^24 a single-precision quotient loses the last row.
        {16777217, 1, 16777217},
        {16777217, 2, 8388609},
        {268435456, 3, 89478486},
    };
    for (const auto& c : cases) EXPECT_EQ(MatrixRowCount(c.n, c.c), c.rows) << c.n << "/" << c.c;
}

std::string Cells(const std::vector<double>& data, std::int64_t columns) {
    const auto n = static_cast<std::int64_t>(data.size());
    const std::int64_t rows = MatrixRowCount(n, columns);
    std::string out;
    AppendMatrixCells(out, data.data(), n, columns, rows, 0, rows * columns);
    return out;
}

TEST(MatrixCells, ColumnMajorWithTabsAndCrLf) {
    EXPECT_EQ(Cells({1, 2, 3, 4, 5}, 2), "1\t4\r\n2\t5\r\n3\t\r\n");
    EXPECT_EQ(Cells({1, 2, 3, 4, 5}, 1), "1\r\n2\r\n3\r\n4\r\n5\r\n");
    EXPECT_EQ(Cells({1, 2}, 4), "1\t2\t\t\r\n");
    EXPECT_EQ(Cells({1, 2, 3, 4, 5, 6}, 3), "1\t3\t5\r\n2\t4\t6\r\n");
    EXPECT_EQ(Cells({}, 3), "");
}

struct TScan {
    std::int64_t lines;
    std::int64_t columns;
    std::vector<double> elements;
};

TScan Scan(std::string_view text) {
    const TMatrixShape shape = MeasureMatrix(text);
    TScan s{shape.lines, shape.columns, std::vector<double>(static_cast<std::size_t>(shape.Elements()), 0.0)};
    FillMatrix(text, shape, s.elements.data());
    return s;
}

TEST(MatrixScan, FollowsTheReadingRules) {
    const struct {
        const char* name;
        std::string text;
        TScan expected;
    } cases[] = {
        {"written table", "1\t4\r\n2\t5\r\n3\t\r\n", {3, 2, {1, 2, 3, 4, 5, 0}}},
        {"blanks and CR LF", "1 2 3\r\n4 5 6\r\n", {2, 3, {1, 4, 2, 5, 3, 6}}},
        {"LF ends a line, as numpy and gnuplot write", "1 2 3\n4 5 6\n", {2, 3, {1, 4, 2, 5, 3, 6}}},
        {"CR alone ends a line", "1 2\r3 4", {2, 2, {1, 3, 2, 4}}},
        {"mixed line ends", "1 2\n3 4\r\n5 6\r7 8", {4, 2, {1, 3, 5, 7, 2, 4, 6, 8}}},
        {"blank lines count once", "1\r\n\r\n\r\n2", {2, 1, {1, 2}}},
        {"blank LF lines count once", "1\t2\n\n\n3\t4\n", {2, 2, {1, 3, 2, 4}}},
        {"blank lines of mixed ends count once", "1\n\r\n\r\n\r2", {2, 1, {1, 2}}},
        {"last line without a line end", "1 2\n3 4", {2, 2, {1, 3, 2, 4}}},
        {"separators before and after", "\r\n\t 7 \r\n\t", {1, 1, {7}}},
        {"header letters e read as zeros", "Time\tValue\r\n1\t2\r\n", {2, 2, {0, 1, 0, 2}}},
        {"a lone sign or point is zero", "- . + e E", {1, 5, {0, 0, 0, 0, 0}}},
        {"longest valid prefix", "1.5e3x2e-2 1-2 3e+ --4", {1, 5, {1500, 0.02, 1, 3, 0}}},
        {"short lines leave zeros at their column's end",
         "1 2 3\r\n4\r\n5 6\r\n",
         {3, 3, {1, 4, 5, 2, 6, 0, 3, 0, 0}}},
        {"no numbers at all", "abc\r\nxyz", {1, 0, {}}},
        {"empty text", "", {1, 0, {}}},
        {"written special values read as zeros", "+INF\t-NAN\r\n", {1, 2, {0, 0}}},
        {"exponent form", "1e+20\r\n-1.234e-05\r\n", {2, 1, {1e20, -1.234e-05}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TScan s = Scan(c.text);
        EXPECT_EQ(s.lines, c.expected.lines);
        EXPECT_EQ(s.columns, c.expected.columns);
        EXPECT_EQ(s.elements, c.expected.elements);
    }
}

} // namespace
