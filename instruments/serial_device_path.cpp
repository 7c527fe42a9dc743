// Port numbers to device paths: environment, the user's mapping file, the Linux default.
#include "instruments/serial_device_path.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "instruments/text_fields.h"

namespace NuvixParser {

std::optional<std::string> MappedDevice(std::string_view mapping, int port) {
    const std::string name = "COM" + std::to_string(port + 1);
    std::optional<std::string> device;
    TConfigLines lines(mapping);
    for (std::string_view line; lines.Next(line);) {
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view path = TrimBlanks(line.substr(eq + 1));
        if (EqualIgnoringCase(TrimBlanks(line.substr(0, eq)), name) && !path.empty()) device = std::string(path);
    }
    return device;
}

std::string SetMappedDevice(std::string_view mapping, int port, std::string_view device) {
    const std::string name = "COM" + std::to_string(port + 1);
    std::string out;
    while (!mapping.empty()) {
        std::string_view lineEnd;
        const std::string_view raw = TakeLine(mapping, &lineEnd);
        const std::string_view line = TrimBlanks(raw);
        const std::size_t eq = line.find('=');
        const bool isPort = !line.empty() && line.front() != '#' && eq != std::string_view::npos &&
                            EqualIgnoringCase(TrimBlanks(line.substr(0, eq)), name);
        // Other lines keep the line ends they had; a last one without gets an LF.
        if (!isPort) out.append(raw).append(lineEnd.empty() ? std::string_view("\n") : lineEnd);
    }
    if (!device.empty()) out.append(name).append("=").append(device).append("\n");
    return out;
}

std::string SerialMappingFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string dir;
    if (config && config[0] == '/') {
        dir = config;
    } else if (const char* home = std::getenv("HOME"); home && home[0]) {
        dir = std::string(home) + "/.config";
    } else {
        return {};
    }
    return dir + "/varnexcalc/serial-ports.conf";
}

std::string SerialDevicePath(int port) {
    const std::string variable = "VARNEX_COM" + std::to_string(port + 1);
    if (const char* path = std::getenv(variable.c_str()); path && path[0]) return path;
    if (const std::string file = SerialMappingFile(); !file.empty()) {
        if (std::ifstream in(file); in) {
            std::ostringstream text;
            text << in.rdbuf();
            if (auto device = MappedDevice(text.str(), port)) return *device;
        }
    }
    return "/dev/ttyS" + std::to_string(port);
}

} // namespace NuvixParser
