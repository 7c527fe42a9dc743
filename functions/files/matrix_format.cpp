// Formatting and scanning of the matrix text file.
#include "functions/files/matrix_format.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "engine/conversions.h"
#include "engine/line_ends.h"

namespace NuvixParser {
namespace {

constexpr int kMatrixDigits = 10;

// Walks the numbers of a text in file order, calling visit(run, column) for each; the
// line counter moves before the first number of every further line. Both passes use it,
// so they cannot disagree about where a number goes.
template <class Visit> TMatrixShape WalkMatrix(std::string_view text, Visit&& visit) {
    TMatrixShape shape;
    const std::size_t n = text.size();
    const auto isNumber = [&](std::size_t i) {
        return IsMatrixNumberByte(static_cast<unsigned char>(text[i]));
    };
    std::size_t i = 0;
    while (i < n && !isNumber(i)) ++i;
    if (i == n) return shape; // no numbers: one line, no columns
    std::int64_t column = 0;
    std::int64_t maxColumn = 0;
    while (i < n) {
        const std::size_t start = i;
        while (i < n && isNumber(i)) ++i;
        visit(text.substr(start, i - start), column);
        bool lineEnd = false;
        while (i < n && !isNumber(i)) lineEnd |= IsLineEndByte(text[i++]);
        if (i == n) break; // trailing separators end nothing
        if (lineEnd) {
            column = 0;
            ++shape.lines;
        } else if (++column > maxColumn) {
            maxColumn = column;
        }
    }
    shape.columns = maxColumn + 1;
    return shape;
}

} // namespace

void AppendMatrixNumber(std::string& out, double v) {
    if (std::isnan(v)) {
        out += std::signbit(v) ? "-NAN" : "+NAN";
        return;
    }
    if (std::isinf(v)) {
        out += v < 0 ? "-INF" : "+INF";
        return;
    }
    char buffer[32];
    // to_chars with a precision produces exactly printf's %.10g digits, without a locale.
    const auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, kMatrixDigits);
    (void)ec; // 32 bytes always hold a 10-digit %g rendering
    out.append(buffer, ptr);
}

void AppendMatrixCells(std::string& out, const double* data, std::int64_t n, std::int64_t columns,
                       std::int64_t rows, std::int64_t first, std::int64_t last) {
    if (first >= last || columns <= 0) return;
    std::int64_t r = first / columns;
    std::int64_t k = first % columns;
    for (std::int64_t cell = first; cell < last; ++cell) {
        if (k > 0) out += '\t';
        const std::int64_t index = k * rows + r;
        if (index < n) AppendMatrixNumber(out, data[index]);
        if (++k == columns) {
            out += "\r\n";
            k = 0;
            ++r;
        }
    }
}

TMatrixShape MeasureMatrix(std::string_view text) {
    return WalkMatrix(text, [](std::string_view, std::int64_t) {});
}

void FillMatrix(std::string_view text, const TMatrixShape& shape, double* out) {
    if (shape.columns <= 0) return;
    // Where the next number of each column goes: column c starts at element c * lines.
    std::vector<std::int64_t> next(static_cast<std::size_t>(shape.columns));
    for (std::int64_t c = 0; c < shape.columns; ++c) next[static_cast<std::size_t>(c)] = c * shape.lines;
    WalkMatrix(text, [&](std::string_view run, std::int64_t column) {
        // A column holds at most one number per line, so its slot never reaches the next
        // column; TextToNumber reads the longest valid prefix as strtod does.
        out[next[static_cast<std::size_t>(column)]++] = TextToNumber(run);
    });
}

} // namespace NuvixParser
