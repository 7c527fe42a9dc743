// Which device file stands for a script's serial port number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace NuvixParser {

// Port n (0 is COM1) is, in this order: the path in the environment variable
// VARNEX_COM<n+1>; the COM<n+1> line of the user's port mapping (SerialMappingFile());
// /dev/ttyS<n>.
std::string SerialDevicePath(int port);

// $XDG_CONFIG_HOME/varnexcalc/serial-ports.conf, or ~/.config/... when that variable is
// unset or not absolute; empty when neither it nor HOME is set.
std::string SerialMappingFile();

// The device of port n in a mapping text: lines "COM1=/dev/ttyUSB0" (name in any letter
// case, blanks around both sides allowed), '#' starts a comment line; the last line for
// the port counts. None when the text does not map it.
std::optional<std::string> MappedDevice(std::string_view mapping, int port);

// The mapping text with port n mapped to `device` (an empty device removes the port's
// lines); comments and the other ports' lines stay as they were.
std::string SetMappedDevice(std::string_view mapping, int port, std::string_view device);

} // namespace NuvixParser
