// Fuzz target: the text reader of readmatrix, and its written form read back.
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "functions/files/matrix_format.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace NuvixFuzz {

namespace {

// Larger tables are only measured: filling them would spend the run on zeroing memory.
constexpr std::int64_t kMaxFilledElements = std::int64_t{1} << 22;

std::string WriteMatrix(const std::vector<double>& values, std::int64_t columns) {
    const auto n = static_cast<std::int64_t>(values.size());
    const std::int64_t rows = NuvixParser::MatrixRowCount(n, columns);
    std::string out;
    NuvixParser::AppendMatrixCells(out, values.data(), n, columns, rows, 0, rows * columns);
    return out;
}

bool AllFinite(const std::vector<double>& values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

} // namespace

void FuzzMatrixFile(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const NuvixParser::TMatrixShape shape = NuvixParser::MeasureMatrix(text);
    FUZZ_CHECK(shape.lines >= 1);
    FUZZ_CHECK(shape.columns >= 0);
    FUZZ_CHECK(shape.columns <= static_cast<std::int64_t>(size));
    FUZZ_CHECK(shape.lines <= static_cast<std::int64_t>(size) + 1);
    if (shape.columns == 0 || shape.Elements() > kMaxFilledElements) return;

    std::vector<double> values(static_cast<std::size_t>(shape.Elements()), 0.0);
    NuvixParser::FillMatrix(text, shape, values.data());

    // The written form of what was read reads back to the same table and writes the
    // same text again (10 digits are kept, so only the second writing is compared). The
    // special values are written as texts that read back as other numbers.
    if (!AllFinite(values)) return;
    const std::string written = WriteMatrix(values, shape.columns);
    const NuvixParser::TMatrixShape again = NuvixParser::MeasureMatrix(written);
    FUZZ_CHECK(again.lines == shape.lines);
    FUZZ_CHECK(again.columns == shape.columns);
    std::vector<double> reread(values.size(), 0.0);
    NuvixParser::FillMatrix(written, again, reread.data());
    FUZZ_CHECK(WriteMatrix(reread, again.columns) == written);
}

} // namespace NuvixFuzz
