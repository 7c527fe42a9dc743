// Splitting a command line into program arguments by the quoting rules of a POSIX shell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace NuvixParser {

// Words are separated by blanks, tabs and line feeds outside quotes. Quoting works as in
// sh(1):
//   'text'    everything literal up to the next single quote
//   "text"    literal except \$ \` \" \\ (the backslash is dropped) and \<LF> (removed)
//   \c        outside quotes: c literal; a backslash before a line feed joins the lines
// Adjacent pieces join into one word, and '' or "" alone make an empty word. Nothing is
// expanded or interpreted: $HOME, *, ~, |, >, ; and # are ordinary characters, since no
// shell runs the command (`sh -c '...'` gives one where it is wanted).
//
// False for an unterminated quote; `words` is then unspecified.
bool SplitCommandLine(std::string_view line, std::vector<std::string>& words);

} // namespace NuvixParser
