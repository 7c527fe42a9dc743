// Windows-1252 <-> QString: the 8-bit code page of scripts, macro files and output texts.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace NuvixWindows {

// One character per byte. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the C1 control characters of the same number, so every byte string
// survives FromCp1252 followed by ToCp1252.
QString FromCp1252(std::string_view bytes);
// One byte per character (a surrogate pair is one character); characters without a
// Windows-1252 byte become '?'.
std::string ToCp1252(const QString& text);

} // namespace NuvixWindows
