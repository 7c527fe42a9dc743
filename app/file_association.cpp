// Per-user XDG registration of the macro file type, done once when missing.
#include "app/file_association.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace NuvixApp {
namespace {

namespace fs = std::filesystem;

bool WriteIfMissing(const fs::path& path, const std::string& text) {
    std::error_code ec;
    if (fs::exists(path, ec) || ec) return false;
    fs::create_directories(path.parent_path(), ec);
    if (ec) return false;
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        fs::remove(path, ec);
        return false;
    }
    return true;
}

// Runs a desktop database tool if it is installed; its outcome does not matter.
void RunQuietly(const char* tool, const std::string& folder) {
    char* argv[] = {const_cast<char*>(tool), const_cast<char*>(folder.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 01, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 01, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, tool, &actions, nullptr, argv, environ) == 0) waitpid(pid, nullptr, 0);
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace

std::string UserDataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share";
    return {};
}

std::string MimePackageText() {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                       "  <mime-type type=\"") +
           kMacroMimeType +
           "\">\n"
           "    <comment>Zenthi macro file</comment>\n"
           "    <glob pattern=\"*.zma\"/>\n"
           "  </mime-type>\n"
           "  <mime-type type=\"" +
           kGuiMimeType +
           "\">\n"
           "    <comment>Zenthi GUI file</comment>\n"
           "    <glob pattern=\"*.gui\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

// Two layers of escaping, in this order, undone by a launcher in the reverse order:
//   1. the argument is quoted: in double quotes, with '"', '`', '$' and '\' each behind a
//      backslash (a blank, and any other character, needs nothing more inside the quotes);
//   2. the Exec value is a string value: every backslash is doubled and the control
//      characters take their escapes; and in Exec a literal '%' is written "%%".
// So "/a b/$x" becomes "/a b/\\$x" in the file, and one backslash becomes four.
std::string ExecArgument(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (const char c : quoted) {
        switch (c) {
        case '\\': value += "\\\\"; break;
        case '\n': value += "\\n"; break;
        case '\t': value += "\\t"; break;
        case '\r': value += "\\r"; break;
        case '%': value += "%%"; break;
        default: value += c;
        }
    }
    return value;
}

std::string DesktopEntryText(const std::string& programPath) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=The Varnex Calculator\n"
           "Comment=Scripting calculator for laboratory work\n"
           "Exec=" +
           ExecArgument(programPath) +
           " %f\n"
           "MimeType=" +
           std::string(kMacroMimeType) +
           ";\n"
           "Icon=varnexcalc\n"
           "Categories=Science;Math;\n"
           "Keywords=calculator;script;laboratory;plot;fit;FFT;serial port;GPIB;instrument;\n"
           "Terminal=false\n";
}

bool RegisterFileType(const std::string& dataHome, const std::string& programPath) {
    if (dataHome.empty() || programPath.empty()) return false;
    const fs::path home(dataHome);
    const bool mime = WriteIfMissing(home / "mime" / "packages" / "varnexcalc-zma.xml", MimePackageText());
    const bool desktop =
        WriteIfMissing(home / "applications" / "varnexcalc.desktop", DesktopEntryText(programPath));
    if (mime) RunQuietly("update-mime-database", (home / "mime").string());
    if (desktop) RunQuietly("update-desktop-database", (home / "applications").string());
    return mime || desktop;
}

} // namespace NuvixApp
