// The matrix text file: numbers in TAB-separated columns, CR LF line ends, column-major.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace NuvixParser {

// Written form
// ------------
//   1<TAB>4<CR><LF>          a = (1, 2, 3, 4, 5) in 2 columns: the first `rows` elements
//   2<TAB>5<CR><LF>          form column 0, the next ones column 1, and so on; a position
//   3<TAB><CR><LF>           without an element stays empty. Every row ends with CR LF.
//
// Reading rules
// -------------
// Number characters are 0-9 + - . E e. A maximal run of them is one number (its longest
// valid prefix, 0 when there is none, so a lone 'e' or '-' reads as 0). Anything else
// separates: a separator run without a line end moves to the next column, one with line
// ends (LF, CR LF or a lone CR, one or many) to the next line, so blank lines are ignored.
// The k-th number found in column c becomes element c * lines + k, whichever line it
// stands on.

constexpr bool IsMatrixNumberByte(unsigned char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
}

// 10 significant digits, trailing zeros and point dropped, exponent form below 1e-4 and
// from 1e10 on (printf's %.10g in the C locale); "+INF", "-INF", "+NAN", "-NAN".
void AppendMatrixNumber(std::string& out, double v);

// Rows needed for n elements in c columns (c >= 1): the ceiling of n / c, in integers.
constexpr std::int64_t MatrixRowCount(std::int64_t n, std::int64_t c) {
    return n <= 0 ? 0 : (n + c - 1) / c;
}

// Appends the cells [first, last) of the table of `rows` rows and `columns` columns, in
// file order (cell r * columns + k is row r, column k), with their TABs and line ends.
// Lets a writer produce a large table in pieces of bounded size.
void AppendMatrixCells(std::string& out, const double* data, std::int64_t n, std::int64_t columns,
                       std::int64_t rows, std::int64_t first, std::int64_t last);

struct TMatrixShape {
    std::int64_t lines = 1;   // 1 also for a text without numbers
    std::int64_t columns = 0; // 0 when there is no number at all
    // Cannot overflow: every line and every column takes at least two bytes of a file
    // below 4 GiB, so the product stays below 2^62.
    std::int64_t Elements() const { return lines * columns; }
};

// The first pass over a text: how many lines and columns its numbers take.
TMatrixShape MeasureMatrix(std::string_view text);

// The second pass: stores the text's numbers into `out`, which must hold shape.Elements()
// elements set to 0 (positions that no number reaches stay 0), `shape` being the text's
// MeasureMatrix result.
void FillMatrix(std::string_view text, const TMatrixShape& shape, double* out);

} // namespace NuvixParser
