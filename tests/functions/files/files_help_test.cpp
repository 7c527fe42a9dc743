// The files area's registration table and the help texts of its seven functions.
#include <string>

#include <gtest/gtest.h>

#include "engine/function_registry.h"
#include "functions/files/file_functions.h"
#include "tests/functions/help_texts.h"

namespace {

using NuvixTest::THelpRow;

constexpr THelpRow kFilesHelp[] = {
    {"fileread", "fileread(fname)", "Reads the file <fname> and returns it as a text string.",
     "println( fileread('test.txt') )",
     "This reads in the file 'test.txt' and prints it to the output window.", "filewrite(fname;s)"},
    {"filewrite", "filewrite(fname;s)",
     "Writes <s> to the file <fname>, replacing its former contents or creating the file. Always returns 1.",
     "a = 10, b = 42,\nfilewrite('test.txt';string(a)+chr(9)+string(b)+chr(13)+chr(10))", nullptr,
     "fileappend(fname;s)"},
    {"fileappend", "fileappend(fname;s)",
     "Appends <s> to the file <fname>, creating the file if needed. Always returns 1.",
     "a = 10, b = 42,\nfileappend('test.txt';string(a)+chr(9)+string(b)+chr(13)+chr(10))", nullptr,
     "filewrite(fname;s)"},
    {"fileexists", "fileexists(fname)", "Returns 1 if the file <fname> exists, otherwise 0.",
     "if(fileexists('test.txt');\n fileread('test.txt');\n ''\n)",
     "This returns the contents of the file 'test.txt', or an empty string if there is no such file.",
     "filewrite(fname;s)"},
    {"readmatrix", "readmatrix(arr[];fname)",
     "Reads the column file <fname> into <arr[]>, column after column. Returns the number of lines.",
     "linecount = readmatrix(outArr[];'test.txt'),\narraycopy(scala[];outArr[];0;linecount),\n"
     "arraycopy(data[];outArr[];linecount;linecount),\nplotxy(0;0;scala[];data[])",
     nullptr, "writematrix(file;data[];cols)"},
    {"writematrix", "writematrix(file;data[];cols)",
     "Writes <data[]> to the file <file> in <cols> columns, column after column.",
     "for(i=0;i<10;i+=1;\n xdata[i]=i,\n ydata[i]=i*i\n),\nappend(xdata[];ydata[]),\n"
     "writematrix('test.txt';xdata[];2)",
     nullptr, "readmatrix(arr[];fname)"},
    {"execute", "execute(cmd;input)",
     "Runs <cmd> as a command line, writes <input> to its standard input and returns its standard output "
     "when it "
     "ends.",
     "print(execute('sort'; \n'he '+chr(10)+\n'slowly '+chr(10)+\n'goes '+chr(10)+\n'home '+chr(10) ))"},
};

TEST(FilesHelp, EveryFunctionShowsItsHelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::FileFunctionTable(), kFilesHelp);
}

TEST(FilesHelp, TheStandardTableRegistersTheWholeArea) {
    const auto standard = NuvixParser::StandardFunctionTable();
    for (const auto& e : NuvixParser::FileFunctionTable()) {
        int found = 0;
        for (const auto& s : standard) found += std::string(s.name) == e.name && s.factory == e.factory;
        EXPECT_EQ(found, 1) << e.name;
    }
}

} // namespace
