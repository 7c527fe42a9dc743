// execute: the command line split into words and run through the process runner.
#include "functions/files/execute_function.h"

#include <string>
#include <vector>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "functions/files/command_line.h"
#include "functions/files/process_runner.h"

namespace NuvixParser {

// The command line is split into words with sh quoting (command_line.h) and the first word
// started as a program, without a shell; its standard output and standard error together
// are the result. A command that cannot be started raises "Execute failed (maybe unknown
// command)"; one that starts and fails still returns what it wrote. A break request ends
// the program and the run.
void Execute(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetString(std::string_view());
    std::vector<std::string> words;
    if (!SplitCommandLine(f.Value(0).ToString(), words)) {
        ci.SetError("Execute: Unterminated quote in command line.");
        return;
    }
    const TReturnValue& input = f.Value(1);
    TProcessOutcome outcome =
        input.isString ? RunProcess(words, input.text, ci) : RunProcess(words, input.ToString(), ci);
    switch (outcome.status) {
    case TProcessStatus::Finished: result.SetString(std::move(outcome.output)); break;
    case TProcessStatus::StartFailed: ci.SetError("Execute failed (maybe unknown command)"); break;
    case TProcessStatus::Breaked: ci.SetBreaked(); break;
    case TProcessStatus::OutputTooLarge: ci.SetError("Execute: Output too large."); break;
    case TProcessStatus::SystemError: ci.SetError("Execute: System error while running the command."); break;
    }
}

} // namespace NuvixParser
