// Registration of macro files (*.zma) with the desktop: a MIME type and a .desktop entry.
#pragma once

#include <string>

namespace NuvixApp {

constexpr const char* kMacroMimeType = "application/x-zenthi-macro";
constexpr const char* kGuiMimeType = "application/x-zenthi-gui"; // control panels of the GUI editor

// The per-user data folder: $XDG_DATA_HOME, else $HOME/.local/share (empty if neither).
std::string UserDataHome();

// Writes, only where missing, <dataHome>/mime/packages/varnexcalc-zma.xml (the MIME type for
// *.zma) and <dataHome>/applications/varnexcalc.desktop (opens such files with
// `programPath`), then asks the desktop databases to refresh. Failures are ignored: the
// calculator works without the association. Returns true when anything was written.
bool RegisterFileType(const std::string& dataHome, const std::string& programPath);

// The program path as the first argument of a desktop entry's Exec key, quoted and
// escaped as freedesktop.org's desktop entry format asks, so that any path survives.
std::string ExecArgument(const std::string& path);

// The texts written, for the install target and tests.
std::string MimePackageText();
std::string DesktopEntryText(const std::string& programPath);

} // namespace NuvixApp
