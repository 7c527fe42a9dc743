// Whole text files: fileread, filewrite, fileappend, fileexists; the files area's table.
#pragma once

#include <span>

#include "engine/builtin.h"

namespace NuvixParser {

// Texts are files byte for byte: no line-end or character-set translation either way.
// File names are used as given; relative names resolve against the current directory.

// fileread, filewrite, fileappend, fileexists, readmatrix, writematrix, execute.
std::span<const TBuiltin> FileFunctionTable();

} // namespace NuvixParser
