// readmatrix and writematrix over the matrix text format.
#include "functions/files/matrix_functions.h"

#include <algorithm>
#include <string>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "engine/var_entry.h"
#include "functions/files/file_io.h"
#include "functions/files/matrix_format.h"

namespace NuvixParser {
namespace {

// writematrix formats this many cells before each write, so memory stays bounded
// however large the array is.
constexpr std::int64_t kCellsPerWrite = 8192;

} // namespace

// Reads a matrix file into arr[], column after column, and returns its number of lines.
// The array is grown to lines x columns elements and those are zeroed before the numbers
// go in; elements beyond them keep their values, so an array longer than the file's
// table keeps its length. Any failure before the scan leaves the array untouched.
void ReadMatrix(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const TReturnValue& fname = f.Value(1);
    if (!fname.isString) {
        ci.SetError("ReadMatrix: 2nd parameter is not a string.");
        return;
    }
    TArrayEntry* array = f.Array(0);
    const std::string& name = fname.text;
    TFileDescriptor fd = OpenForReading(name);
    if (!fd.IsOpen()) {
        ci.SetError("ReadMatrix: File '" + name + "' not found.");
        return;
    }
    std::string bytes;
    const TReadStatus status = ReadAll(fd.Get(), bytes, ci);
    fd.Close();
    switch (status) {
    case TReadStatus::Ok: break;
    case TReadStatus::TooLarge: ci.SetError("ReadMatrix: Input file too large."); return;
    case TReadStatus::Failed: ci.SetError("ReadMatrix: I/O error reading file."); return;
    case TReadStatus::Breaked: ci.SetBreaked(); return;
    }

    const TMatrixShape shape = MeasureMatrix(bytes);
    // A few bytes can describe a huge table (one long line, then many short ones), so the
    // product is checked against the largest array before anything is allocated.
    const std::int64_t total = shape.Elements();
    if (total > TArrayEntry::kMaxElements) {
        ci.SetError("ReadMatrix: Input file too large.");
        return;
    }
    if (total > 0) {
        if (total > array->Length() && !array->SetLength(total)) {
            ci.SetError("ReadMatrix: Input file too large.");
            return;
        }
        double* out = array->Data();
        std::fill(out, out + total, 0.0);
        FillMatrix(bytes, shape, out);
    }
    result.SetNumber(static_cast<double>(shape.lines));
}

// Writes data[] to a matrix file in cols columns, column after column; returns 0. A
// column count beyond the largest array is refused like one below 1. A failed write
// (a full disk) raises an error instead of leaving a silently truncated file.
void WriteMatrix(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const TReturnValue& file = f.Value(0);
    if (!file.isString) {
        ci.SetError("WriteMatrix: 1st parameter not a string");
        return;
    }
    const std::int64_t columns = f.Value(2).GetInt();
    if (columns < 1 || columns > TArrayEntry::kMaxElements) {
        ci.SetError("WriteMatrix: Illegal column count " + f.Value(2).ToString());
        return;
    }
    const TArrayEntry* array = f.Array(1);
    const std::string& name = file.text;
    TFileDescriptor fd = OpenForWriting(name, false, ci);
    if (!fd.IsOpen()) {
        if (ci.BreakRequested()) return ci.SetBreaked();
        ci.SetError("WriteMatrix: unable to create file " + name);
        return;
    }
    const std::string failed = "WriteMatrix: Error writing to file " + name;
    const std::int64_t n = array->Data() ? array->Length() : 0; // no storage: an empty file
    const std::int64_t rows = MatrixRowCount(n, columns);
    const std::int64_t cells = rows * columns;
    std::string buffer;
    for (std::int64_t first = 0; first < cells; first += kCellsPerWrite) {
        if (ci.BreakRequested()) {
            ci.SetBreaked();
            return;
        }
        buffer.clear();
        AppendMatrixCells(buffer, array->Data(), n, columns, rows, first,
                          std::min(cells, first + kCellsPerWrite));
        if (!WriteAll(fd.Get(), buffer, ci)) {
            if (ci.BreakRequested()) return ci.SetBreaked();
            ci.SetError(failed);
            return;
        }
    }
    if (!fd.Close()) ci.SetError(failed);
}

} // namespace NuvixParser
