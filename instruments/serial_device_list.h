// The serial devices present, as the port settings dialog offers them.
#pragma once

#include <string>
#include <vector>

namespace NuvixParser {

struct TSerialDevice {
    std::string path;       // what a mapping line names: the stable by-id link when there is one
    std::string devicePath; // the device node itself (/dev/ttyUSB0)
    bool operator==(const TSerialDevice&) const = default;
};

// USB adapters first, under their stable names from serial/by-id (they survive replugging,
// unlike ttyUSB numbers), then ttyUSB* and ttyACM* nodes without such a name, then ttyS*;
// each group in name order. `devRoot` is /dev except in tests.
std::vector<TSerialDevice> ListSerialDevices(const std::string& devRoot = "/dev");

} // namespace NuvixParser
