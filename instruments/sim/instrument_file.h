// TInstrumentFile: what a simulated instrument answers, read from its instrument file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace NuvixParser {

// One command pattern and its response. The pattern matches a whole command, letters in
// any case; one {} in it matches any text, which the response reads as $arg.
struct TInstrumentRule {
    std::string pattern;
    std::string response; // an expression of the script language; empty: no answer
    int delayMs = 0;      // waited before the answer is sent
};

// The file is read line by line; '#' starts a comment line. Settings are "name: value":
//   terminator: \n          what ends a command (escapes \r \n \t \\ \xHH)
//   answer-terminator: \r   appended to every answer
//   echo: on                every received byte is sent back at once
//   delay: 20               ms before the answers of the rules that follow
//   init: $v = 1.2          a script run once at start (several lines run in order)
// Every other line is a rule "PATTERN => RESPONSE". Responses see the command as $cmd and
// the text matched by {} as $arg; state lives in $ variables, shared by all rules. A
// response whose value is the empty text (a setting command: "$v = $arg*1, ''") sends
// nothing, as does an empty response.
struct TInstrumentFile {
    std::string terminator = "\n";
    std::string answerTerminator = "\r\n";
    bool echo = false;
    std::vector<std::string> init;
    std::vector<TInstrumentRule> rules;
};

// The description, or false with `error` naming the line that is wrong.
bool ReadInstrumentFile(std::string_view text, TInstrumentFile& out, std::string& error);

// Whether `command` matches `pattern` (see TInstrumentRule); `arg` receives what {}
// matched (empty without one).
bool MatchCommand(std::string_view pattern, std::string_view command, std::string& arg);

// Reads the escapes of a setting's value.
std::string Unescape(std::string_view text);

} // namespace NuvixParser
