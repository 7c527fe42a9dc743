// What the runner and the desktop calculator say when memory runs out outside a run (a run
// reports "Out of memory" as its own error).
#pragma once

namespace NuvixParser {

// Reading a script or macro file took more memory than there is.
inline constexpr const char* kScriptFileTooLarge = "script file too large";
// Compiling a script took more memory than there is.
inline constexpr const char* kOutOfMemoryWhileCompiling = "out of memory while compiling";

} // namespace NuvixParser
