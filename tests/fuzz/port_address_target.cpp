// Fuzz target: the port-address reader of commopen (device paths, URLs, resource strings).
#include <arpa/inet.h>
#include <string>
#include <string_view>

#include "instruments/port_address.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace NuvixFuzz {

// Any bytes as a mapping. A refusal says why; what is accepted is a usable address, and
// the address written back as a URL reads as the same address.
void FuzzPortAddress(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto address = NuvixParser::ParsePortAddress(text, error);
    if (!address) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    FUZZ_CHECK(error.empty());
    if (address->kind != NuvixParser::TPortKind::Tcp) {
        FUZZ_CHECK(!address->path.empty() && address->path.front() == '/');
        FUZZ_CHECK(address->path.find('\0') == std::string::npos);
        FUZZ_CHECK(address->host.empty() && address->port == 0);
        const auto again = NuvixParser::ParsePortAddress("usbtmc://" + address->path, error);
        FUZZ_CHECK(again && again->path == address->path);
        return;
    }
    FUZZ_CHECK(address->port >= 1 && address->path.empty() && !address->host.empty());
    for (char c : address->host) FUZZ_CHECK(c > ' ' && c < 0x7f && c != '/' && c != '@' && c != '[' && c != ']');
    const bool v6 = address->host.find(':') != std::string::npos;
    if (v6) {
        in6_addr a{};
        FUZZ_CHECK(::inet_pton(AF_INET6, address->host.c_str(), &a) == 1);
    }
    const std::string host = v6 ? "[" + address->host + "]" : address->host;
    const auto url = NuvixParser::ParsePortAddress("tcp://" + host + ":" + std::to_string(address->port), error);
    FUZZ_CHECK(url && *url == *address);
    const auto resource =
        NuvixParser::ParsePortAddress("TCPIP0::" + host + "::" + std::to_string(address->port) + "::SOCKET", error);
    FUZZ_CHECK(resource && *resource == *address);
}

} // namespace NuvixFuzz
