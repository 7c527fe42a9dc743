// TPortAddress: what a serial port is mapped to: a terminal device, a TCP socket or a USBTMC device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace NuvixParser {

enum class TPortKind { Terminal, Tcp, Usbtmc };

struct TPortAddress {
    TPortKind kind = TPortKind::Terminal;
    std::string path;        // Terminal and Usbtmc: the device file
    std::string host;        // Tcp: a host name, an IPv4 address or an IPv6 address (without brackets)
    std::uint16_t port = 0;  // Tcp: 1 to 65535
    bool operator==(const TPortAddress&) const = default;
};

// Reads one port mapping, strictly (nothing is guessed, no blanks inside, no trailing text):
//   tcp://HOST:PORT  socket://HOST:PORT       HOST is a name, a.b.c.d or [IPv6]
//   TCPIP[board]::HOST::PORT::SOCKET          the VISA resource string of a raw socket
//   usbtmc:///dev/usbtmc0                      any absolute path: the USBTMC device file
//   /dev/usbtmc<n>                             a USBTMC device file by its path
//   any other absolute path                    a terminal device (/dev/ttyUSB0, /dev/serial/by-id/...)
// Scheme and resource words are read in any letter case. None with `error` saying what is
// wrong (an unknown scheme, a missing or bad port, a malformed host, other VISA resources).
std::optional<TPortAddress> ParsePortAddress(std::string_view text, std::string& error);

} // namespace NuvixParser
