// Serving a simulated instrument on a TCP port, as a LAN instrument's raw SCPI socket does.
#pragma once

#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace NuvixParser {

class TInstrumentSim;

struct TListenAddress {
    std::string host = "127.0.0.1"; // loopback unless the user names an address
    std::uint16_t port = 0;         // 0: any free port
};

// "[HOST:]PORT", HOST a name, a.b.c.d or [IPv6]; none when it does not read so.
std::optional<TListenAddress> ParseListenAddress(std::string_view text);

// Listens on `address` and answers one client after another until `stop` is set (a
// signal handler sets it; the waits wake every 500 ms to look). Prints the address it
// listens on as a URL (tcp://127.0.0.1:PORT, so that port 0 tells which port it got).
// The exit status: 0, or 1 with a message on standard error when it cannot listen.
int ServeTcp(TInstrumentSim& sim, const TListenAddress& address, const volatile std::sig_atomic_t& stop);

} // namespace NuvixParser
