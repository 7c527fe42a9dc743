// TCommSettings: the device-control string of commopen, read and turned into termios flags.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include <termios.h>

namespace NuvixParser {

enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { One, OnePointFive, Two };

// What a device-control string asks for. Keys the string leaves out keep these defaults
// (8 data bits, no parity, 1 stop bit, no flow control); the baud rate has none.
struct TCommSettings {
    std::uint32_t baud = 0;
    TParity parity = TParity::None;
    int dataBits = 8;
    TStopBits stopBits = TStopBits::One;
    bool xonXoff = false;  // xon=on, or the old form's x
    bool ctsFlow = false;  // octs=on, or the old form's p (RTS/CTS handshake)
    std::uint32_t connectMs = 0; // connect=, the time a TCP connection may take; 0: the default
    bool operator==(const TCommSettings&) const = default;
};

// Reads both forms of the string, keys and values in any letter case:
//   baud=9600 parity=N data=8 stop=1 [to= xon= odsr= octs= dtr= rts= idsr= connect=]   (any order)
//   9600,n,8,1[,x|p]      (the baud may be abbreviated to two digits: 96 is 9600)
// Either may start with the port's own name ("COM1:"). None when the string does not
// parse, names an impossible frame (1.5 stop bits need 5 data bits, 2 stop bits do not
// go with 5), or gives no baud rate. connect= (1 to 3,600,000 ms) matters only to sockets.
std::optional<TCommSettings> ParseCommSettings(std::string_view text);

// The same for a socket or a USBTMC device, which have no line to set: the settings are
// checked as above but may leave out the baud rate or be empty.
std::optional<TCommSettings> ParseLinkSettings(std::string_view text);

// The termios speed constant of a standard baud rate, or B0 for a rate the table lacks
// (those are set through termios2, comm_speed.h).
speed_t StandardSpeed(std::uint32_t baud);

// Raw mode with the settings' frame and flow control: no echo, no line editing, no
// translation of CR or LF, reads that do not wait (the handler waits with poll). The
// speed is not touched.
void ApplyCommSettings(const TCommSettings& settings, termios& t);

} // namespace NuvixParser
