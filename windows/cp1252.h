// Windows-1252 conversion between engine texts (bytes) and Qt strings, one byte per character.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace NuvixWindows {

QString FromCp1252(std::string_view bytes);
std::string ToCp1252(const QString& text);

} // namespace NuvixWindows
