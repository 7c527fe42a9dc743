// The serial devices present, as the port settings dialog offers them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace NuvixParser {

struct TSerialDevice {
    std::string path;       // what a mapping line names: the stable by-id link when there is one
    std::string devicePath; // the device node itself (/dev/ttyUSB0)
    std::string product;    // a USB adapter's product name from its by-id link; empty for the others
    bool operator==(const TSerialDevice&) const = default;
};

// USB adapters first, under their stable names from serial/by-id (they survive replugging,
// unlike ttyUSB numbers), then ttyUSB* and ttyACM* nodes without such a name, then ttyS*;
// each group in name order. `devRoot` is /dev except in tests.
std::vector<TSerialDevice> ListSerialDevices(const std::string& devRoot = "/dev");

// The product name in a by-id link's name, as udev writes it (usb-VENDOR_MODEL_SERIAL-if00-port0):
// "FTDI FT232R USB UART A50285BI". Empty when the name is not of that form.
std::string ProductOfById(std::string_view linkName);

} // namespace NuvixParser
