// execute: runs a command line with a text as its input and returns its output.
#pragma once

#include "engine/function.h"

namespace NuvixParser {

// The command line is split into words with sh quoting (command_line.h) and the first word
// started as a program, without a shell; its standard output and standard error together
// are the result. A command that cannot be started raises "Execute failed (maybe unknown
// command)"; one that starts and fails still returns what it wrote. A break request ends
// the program and the run.
class TExecute final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "cmd;input"; }
    const char* Description() const override {
        return "Runs <cmd> as a command line, writes <input> to its standard input and returns its standard "
               "output when it ends.";
    }
    const char* Example() const override {
        return "print(execute('sort'; \n'he '+chr(10)+\n'slowly '+chr(10)+\n'goes '+chr(10)+\n'home "
               "'+chr(10) ))";
    }
};

} // namespace NuvixParser
