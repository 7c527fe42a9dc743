// Whole text files: fileread, filewrite, fileappend, fileexists; the files area's table.
#pragma once

#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// Texts are files byte for byte: no line-end or character-set translation either way.
// File names are used as given; relative names resolve against the current directory.

// The whole file as a text. A directory, a missing or unreadable file raise the open
// error; a file of 4 GiB or more and one that delivers fewer bytes than its size raise
// errors of their own.
class TFileRead final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "fname"; }
    const char* Description() const override {
        return "Reads the file <fname> and returns it as a text string.";
    }
    const char* Example() const override { return "println( fileread('test.txt') )"; }
    const char* ExampleExplanation() const override {
        return "This reads in the file 'test.txt' and prints it to the output window.";
    }
    const char* SeeAlso() const override { return "filewrite(fname;s)"; }
};

// Replaces the file's contents with s (creating it). A failed write, including one that
// is only reported when the file is closed, raises the error but still returns 1.
class TFileWrite final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "fname;s"; }
    const char* Description() const override {
        return "Writes <s> to the file <fname>, replacing its former contents or creating the file. Always "
               "returns 1.";
    }
    const char* Example() const override {
        return "a = 10, b = 42,\nfilewrite('test.txt';string(a)+chr(9)+string(b)+chr(13)+chr(10))";
    }
    const char* SeeAlso() const override { return "fileappend(fname;s)"; }
};

// Appends s to the file (creating it). Its open error carries a stray '+' before the
// quoted name, unlike its write error; scripts that match the message rely on both.
class TFileAppend final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "fname;s"; }
    const char* Description() const override {
        return "Appends <s> to the file <fname>, creating the file if needed. Always returns 1.";
    }
    const char* Example() const override {
        return "a = 10, b = 42,\nfileappend('test.txt';string(a)+chr(9)+string(b)+chr(13)+chr(10))";
    }
    const char* SeeAlso() const override { return "filewrite(fname;s)"; }
};

// 1 when the name is an existing file (also one without read permission, or a device),
// 0 otherwise; a directory gives 0.
class TFileExists final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "fname"; }
    const char* Description() const override { return "Returns 1 if the file <fname> exists, otherwise 0."; }
    const char* Example() const override {
        return "if(fileexists('test.txt');\n fileread('test.txt');\n ''\n)";
    }
    const char* ExampleExplanation() const override {
        return "This returns the contents of the file 'test.txt', or an empty string if there is no such "
               "file.";
    }
    const char* SeeAlso() const override { return "filewrite(fname;s)"; }
};

// fileread, filewrite, fileappend, fileexists, readmatrix, writematrix, execute.
std::span<const TFunctionTableEntry> FileFunctionTable();

} // namespace NuvixParser
