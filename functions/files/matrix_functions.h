// readmatrix and writematrix: arrays to and from matrix text files.
#pragma once

#include "engine/function.h"

namespace NuvixParser {

// Reads a matrix file into arr[], column after column, and returns its number of lines.
// The array is grown to lines x columns elements and those are zeroed before the numbers
// go in; elements beyond them keep their values, so an array longer than the file's
// table keeps its length. Any failure before the scan leaves the array untouched.
class TMatrixReader final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    bool CheckArguments() override { return ArgIsArray(0); }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "arr[];fname"; }
    const char* Description() const override {
        return "Reads the column file <fname> into <arr[]>, column after column. Returns the number of "
               "lines.";
    }
    const char* Example() const override {
        return "linecount = readmatrix(outArr[];'test.txt'),\narraycopy(scala[];outArr[];0;linecount),\n"
               "arraycopy(data[];outArr[];linecount;linecount),\nplotxy(0;0;scala[];data[])";
    }
    const char* SeeAlso() const override { return "writematrix(file;data[];cols)"; }
};

// Writes data[] to a matrix file in cols columns, column after column; returns 0. A
// column count beyond the largest array is refused like one below 1. A failed write
// (a full disk) raises an error instead of leaving a silently truncated file.
class TMatrixWriter final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    bool CheckArguments() override { return ArgIsArray(1); }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "file;data[];cols"; }
    const char* Description() const override {
        return "Writes <data[]> to the file <file> in <cols> columns, column after column.";
    }
    const char* Example() const override {
        return "for(i=0;i<10;i+=1;\n xdata[i]=i,\n ydata[i]=i*i\n),\nappend(xdata[];ydata[]),\n"
               "writematrix('test.txt';xdata[];2)";
    }
    const char* SeeAlso() const override { return "readmatrix(arr[];fname)"; }
};

} // namespace NuvixParser
