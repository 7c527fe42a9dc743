// Whole text files: reading, writing, appending and the existence test; the area's table.
#include "functions/files/file_functions.h"

#include <string>
#include <sys/stat.h>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "functions/files/execute_function.h"
#include "functions/files/file_io.h"
#include "functions/files/matrix_functions.h"

namespace NuvixParser {
namespace {

// The whole file as a text. A directory, a missing or unreadable file raise the open
// error; a file of 4 GiB or more and one that delivers fewer bytes than its size raise
// errors of their own.
void FileRead(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    const std::string name = f.Value(0).ToString();
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

// Replaces the file's contents with s (creating it). A failed write, including one that
// is only reported when the file is closed, raises the error but still returns 1.
void FileWrite(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    const std::string name = f.Value(0).ToString();
    const std::string failed = "FileWrite: Error writing to file '" + name + "'.";
    TFileDescriptor fd = OpenForWriting(name, false, ci);
    if (!fd.IsOpen()) return ci.BreakRequested() ? ci.SetBreaked() : ci.SetError(failed);
    const TReturnValue& s = f.Value(1);
    const bool written = s.isString ? WriteAll(fd.Get(), s.text, ci) : WriteAll(fd.Get(), s.ToString(), ci);
    // Both results count: some file systems report a failed write only on close.
    const bool closed = fd.Close();
    if (!written && ci.BreakRequested()) return ci.SetBreaked();
    if (!written || !closed) ci.SetError(failed);
    result.SetNumber(1);
}

// Appends s to the file (creating it). Its open error carries a stray '+' before the
// quoted name, unlike its write error; scripts that match the message rely on both.
void FileAppend(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    const std::string name = f.Value(0).ToString();
    TFileDescriptor fd = OpenForWriting(name, true, ci);
    if (!fd.IsOpen()) {
        if (ci.BreakRequested()) return ci.SetBreaked();
        ci.SetError("FileAppend: Error writing to file +'" + name + "'.");
        return;
    }
    const TReturnValue& s = f.Value(1);
    const bool written = s.isString ? WriteAll(fd.Get(), s.text, ci) : WriteAll(fd.Get(), s.ToString(), ci);
    const bool closed = fd.Close();
    if (!written && ci.BreakRequested()) return ci.SetBreaked();
    if (!written || !closed) ci.SetError("FileAppend: Error writing to file '" + name + "'.");
    result.SetNumber(1);
}

// 1 when the name is an existing file (also one without read permission, or a device),
// 0 otherwise; a directory gives 0.
void FileExists(TBuiltinCall& f, TCalcInfo&, TReturnValue& result) {
    const std::string name = f.Value(0).ToString();
    // Existence needs no access to the contents, so a file without read permission
    // counts too; stat follows links, so a dangling link does not.
    struct stat st;
    const bool exists = IsUsablePath(name) && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    result.SetNumber(exists ? 1 : 0);
}

// ---- registration -------------------------------------------------------------------------

constexpr TBuiltin kFileFunctions[] = {
    {.name = "fileread",
     .params = "s",
     .paramText = "fname",
     .description = "Reads the file <fname> and returns it as a text string.",
     .example = "println( fileread('test.txt') )",
     .explanation = "This reads in the file 'test.txt' and prints it to the output window.",
     .seeAlso = "filewrite(fname;s)",
     .value = FileRead},
    {.name = "filewrite",
     .params = "sv",
     .paramText = "fname;s",
     .description = "Writes <s> to the file <fname>, replacing its former contents or creating the file. Always "
                    "returns 1.",
     .example = "a = 10, b = 42,\nfilewrite('test.txt';string(a)+chr(9)+string(b)+chr(13)+chr(10))",
     .seeAlso = "fileappend(fname;s)",
     .value = FileWrite},
    {.name = "fileappend",
     .params = "sv",
     .paramText = "fname;s",
     .description = "Appends <s> to the file <fname>, creating the file if needed. Always returns 1.",
     .example = "a = 10, b = 42,\nfileappend('test.txt';string(a)+chr(9)+string(b)+chr(13)+chr(10))",
     .seeAlso = "filewrite(fname;s)",
     .value = FileAppend},
    {.name = "fileexists",
     .params = "s",
     .paramText = "fname",
     .description = "Returns 1 if the file <fname> exists, otherwise 0.",
     .example = "if(fileexists('test.txt');\n fileread('test.txt');\n ''\n)",
     .explanation = "This returns the contents of the file 'test.txt', or an empty string if there is no such "
                    "file.",
     .seeAlso = "filewrite(fname;s)",
     .value = FileExists},
    // A name of a scalar written name[] fails as reading its element would: "Index: a is not
    // an array".
    {.name = "readmatrix",
     .params = "as",
     .paramText = "arr[];fname",
     .description = "Reads the column file <fname> into <arr[]>, column after column. Returns the number of "
                    "lines.",
     .example = "linecount = readmatrix(outArr[];'test.txt'),\narraycopy(scala[];outArr[];0;linecount),\n"
                "arraycopy(data[];outArr[];linecount;linecount),\nplotxy(0;0;scala[];data[])",
     .seeAlso = "writematrix(file;data[];cols)",
     .where = "Index",
     .value = ReadMatrix},
    {.name = "writematrix",
     .params = "san",
     .paramText = "file;data[];cols",
     .description = "Writes <data[]> to the file <file> in <cols> columns, column after column.",
     .example = "for(i=0;i<10;i+=1;\n xdata[i]=i,\n ydata[i]=i*i\n),\nappend(xdata[];ydata[]),\n"
                "writematrix('test.txt';xdata[];2)",
     .seeAlso = "readmatrix(arr[];fname)",
     .where = "Index",
     .value = WriteMatrix},
    {.name = "execute",
     .params = "sv",
     .paramText = "cmd;input",
     .description = "Runs <cmd> as a command line, writes <input> to its standard input and returns its standard "
                    "output when it ends.",
     .example = "print(execute('sort'; \n'he '+chr(10)+\n'slowly '+chr(10)+\n'goes '+chr(10)+\n'home "
                "'+chr(10) ))",
     .value = Execute},
};

} // namespace

std::span<const TBuiltin> FileFunctionTable() {
    return kFileFunctions;
}

} // namespace NuvixParser
