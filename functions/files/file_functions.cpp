// Whole text files: reading, writing, appending and the existence test; the area's table.
#include "functions/files/file_functions.h"

#include <string>
#include <sys/stat.h>

#include "engine/calc_info.h"
#include "functions/files/execute_function.h"
#include "functions/files/file_io.h"
#include "functions/files/matrix_functions.h"

namespace NuvixParser {

void TFileRead::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (ci.error) return;
    const std::string name = Value(0).ToString();
    TFileDescriptor fd = OpenForReading(name);
    if (!fd.IsOpen()) {
        ci.SetError("FileRead: Error opening file '" + name + "'.");
        return;
    }
    std::string bytes;
    switch (ReadAll(fd.Get(), bytes, ci)) {
    case TReadStatus::Ok: result.SetString(std::move(bytes)); break;
    case TReadStatus::TooLarge: ci.SetError("FileRead: File '" + name + "' is too large."); break;
    case TReadStatus::Failed: ci.SetError("FileRead: Error reading file '" + name + "'."); break;
    case TReadStatus::Breaked: ci.SetBreaked(); break;
    }
}

void TFileWrite::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (ci.error) return;
    const std::string name = Value(0).ToString();
    const std::string failed = "FileWrite: Error writing to file '" + name + "'.";
    TFileDescriptor fd = OpenForWriting(name, false, ci);
    if (!fd.IsOpen()) return ci.BreakRequested() ? ci.SetBreaked() : ci.SetError(failed);
    const TReturnValue& s = Value(1);
    const bool written = s.isString ? WriteAll(fd.Get(), s.text, ci) : WriteAll(fd.Get(), s.ToString(), ci);
    // Both results count: some file systems report a failed write only on close.
    const bool closed = fd.Close();
    if (!written && ci.BreakRequested()) return ci.SetBreaked();
    if (!written || !closed) ci.SetError(failed);
    result.SetNumber(1);
}

void TFileAppend::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (ci.error) return;
    const std::string name = Value(0).ToString();
    TFileDescriptor fd = OpenForWriting(name, true, ci);
    if (!fd.IsOpen()) {
        if (ci.BreakRequested()) return ci.SetBreaked();
        ci.SetError("FileAppend: Error writing to file +'" + name + "'.");
        return;
    }
    const TReturnValue& s = Value(1);
    const bool written = s.isString ? WriteAll(fd.Get(), s.text, ci) : WriteAll(fd.Get(), s.ToString(), ci);
    const bool closed = fd.Close();
    if (!written && ci.BreakRequested()) return ci.SetBreaked();
    if (!written || !closed) ci.SetError("FileAppend: Error writing to file '" + name + "'.");
    result.SetNumber(1);
}

void TFileExists::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (ci.error) return;
    const std::string name = Value(0).ToString();
    // Existence needs no access to the contents, so a file without read permission
    // counts too; stat follows links, so a dangling link does not.
    struct stat st;
    const bool exists = IsUsablePath(name) && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    result.SetNumber(exists ? 1 : 0);
}

// ---- registration -------------------------------------------------------------------------

namespace {

constexpr TFunctionTableEntry kFileFunctions[] = {
    {"fileread", MakeFunction<TFileRead>},       {"filewrite", MakeFunction<TFileWrite>},
    {"fileappend", MakeFunction<TFileAppend>},   {"fileexists", MakeFunction<TFileExists>},
    {"readmatrix", MakeFunction<TMatrixReader>}, {"writematrix", MakeFunction<TMatrixWriter>},
    {"execute", MakeFunction<TExecute>},
};

} // namespace

std::span<const TFunctionTableEntry> FileFunctionTable() {
    return kFileFunctions;
}

} // namespace NuvixParser
