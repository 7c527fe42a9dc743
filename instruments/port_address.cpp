// Port mappings read strictly: URL and VISA resource forms, host names and addresses, ports.
#include "instruments/port_address.h"

#include <arpa/inet.h>
#include <cctype>
#include <charconv>

#include "instruments/text_fields.h"

namespace NuvixParser {
namespace {

constexpr std::string_view kUsbtmcPrefix = "/dev/usbtmc";

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualIgnoringCase(s.substr(0, prefix.size()), prefix);
}

bool IsDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// 1 to 65535 in plain decimal: no sign, no blanks, at most five digits.
bool ReadPort(std::string_view s, std::uint16_t& port, std::string& error) {
    unsigned value = 0;
    if (!IsDigits(s) || s.size() > 5 || std::from_chars(s.data(), s.data() + s.size(), value).ec != std::errc() ||
        value == 0 || value > 65535) {
        error = s.empty() ? "no port number" : "bad port number '" + std::string(s) + "'";
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

// a.b.c.d, each 0 to 255 without leading zeros (which some readers take as octal).
bool IsIpv4(std::string_view s) {
    int parts = 0;
    while (true) {
        const std::size_t dot = s.find('.');
        const std::string_view part = s.substr(0, dot);
        unsigned value = 0;
        if (!IsDigits(part) || part.size() > 3 || (part.size() > 1 && part[0] == '0')) return false;
        std::from_chars(part.data(), part.data() + part.size(), value);
        if (value > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        s.remove_prefix(dot + 1);
    }
    return parts == 4;
}

// Labels of letters, digits and hyphens (1 to 63 each, no hyphen at either end), dots
// between them, 253 characters at most. A name of digits and dots only must be an address.
bool IsHostName(std::string_view s) {
    if (s.empty() || s.size() > 253) return false;
    bool allNumeric = true;
    std::string_view rest = s;
    while (true) {
        const std::size_t dot = rest.find('.');
        const std::string_view label = rest.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        for (char c : label) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
            if (!std::isdigit(static_cast<unsigned char>(c))) allNumeric = false;
        }
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
    }
    return !allNumeric || IsIpv4(s);
}

// [IPv6] (brackets given), a.b.c.d or a host name.
bool ReadHost(std::string_view s, std::string& host, std::string& error) {
    if (!s.empty() && s.front() == '[') {
        in6_addr address{};
        const std::string inner(s.substr(1, s.size() >= 2 ? s.size() - 2 : 0));
        if (s.size() < 2 || s.back() != ']' || inner.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos ||
            ::inet_pton(AF_INET6, inner.c_str(), &address) != 1) {
            error = "bad IPv6 address '" + std::string(s) + "'";
            return false;
        }
        host = inner;
        return true;
    }
    if (s.empty()) {
        error = "no host";
        return false;
    }
    if (!IsHostName(s)) {
        error = s.find(':') != std::string_view::npos ? "an IPv6 address needs brackets: '" + std::string(s) + "'"
                                                      : "bad host '" + std::string(s) + "'";
        return false;
    }
    host = s;
    return true;
}

// HOST:PORT after tcp:// or socket://. The port follows the last colon, so that an
// unbracketed IPv6 address is refused as a host rather than misread.
bool ReadHostPort(std::string_view s, TPortAddress& out, std::string& error) {
    out.kind = TPortKind::Tcp;
    const std::size_t colon = s.rfind(':');
    const std::size_t bracket = s.rfind(']');
    if (colon == std::string_view::npos || (bracket != std::string_view::npos && colon < bracket)) {
        error = "no port number (tcp://HOST:PORT)";
        return false;
    }
    return ReadHost(s.substr(0, colon), out.host, error) && ReadPort(s.substr(colon + 1), out.port, error);
}

// TCPIP[board]::HOST::PORT::SOCKET. An IPv6 host is bracketed here too, since its colons
// would run into the separators.
bool ReadResource(std::string_view s, TPortAddress& out, std::string& error) {
    std::size_t i = 5; // after "TCPIP"
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    s.remove_prefix(i);
    if (s.substr(0, 2) != "::") {
        error = "bad resource (TCPIP::HOST::PORT::SOCKET)";
        return false;
    }
    s.remove_prefix(2);
    std::string_view host;
    if (!s.empty() && s.front() == '[') {
        const std::size_t close = s.find(']');
        if (close == std::string_view::npos) {
            error = "bad IPv6 address '" + std::string(s) + "'";
            return false;
        }
        host = s.substr(0, close + 1);
        s.remove_prefix(close + 1);
        if (s.substr(0, 2) != "::") {
            error = "bad resource (TCPIP::HOST::PORT::SOCKET)";
            return false;
        }
        s.remove_prefix(2);
    } else {
        const std::size_t sep = s.find("::");
        host = s.substr(0, sep);
        s.remove_prefix(sep == std::string_view::npos ? s.size() : sep + 2);
    }
    const std::size_t sep = s.find("::");
    const std::string_view port = s.substr(0, sep);
    const std::string_view kind = sep == std::string_view::npos ? std::string_view() : s.substr(sep + 2);
    if (sep == std::string_view::npos && EqualIgnoringCase(port, "INSTR")) {
        error = "VXI-11 resources (::INSTR) are not supported; use TCPIP::HOST::PORT::SOCKET";
        return false;
    }
    if (!EqualIgnoringCase(kind, "SOCKET")) {
        error = "bad resource (TCPIP::HOST::PORT::SOCKET)";
        return false;
    }
    out.kind = TPortKind::Tcp;
    return ReadHost(host, out.host, error) && ReadPort(port, out.port, error);
}

bool ReadPath(std::string_view s, TPortAddress& out, std::string& error) {
    if (s.empty() || s.front() != '/' || s.find('\0') != std::string_view::npos) {
        error = "a device needs an absolute path";
        return false;
    }
    out.path = s;
    return true;
}

} // namespace

std::optional<TPortAddress> ParsePortAddress(std::string_view text, std::string& error) {
    TPortAddress address;
    error.clear();
    bool ok;
    if (const std::size_t scheme = text.find("://"); scheme != std::string_view::npos) {
        const std::string_view name = text.substr(0, scheme), rest = text.substr(scheme + 3);
        if (EqualIgnoringCase(name, "tcp") || EqualIgnoringCase(name, "socket")) {
            ok = ReadHostPort(rest, address, error);
        } else if (EqualIgnoringCase(name, "usbtmc")) {
            address.kind = TPortKind::Usbtmc;
            ok = ReadPath(rest, address, error);
        } else {
            error = "unknown scheme '" + std::string(name) + "://'";
            ok = false;
        }
    } else if (StartsWithIgnoringCase(text, "TCPIP")) {
        ok = ReadResource(text, address, error);
    } else if (text.find("::") != std::string_view::npos) {
        error = "only TCPIP::HOST::PORT::SOCKET resources are supported";
        ok = false;
    } else {
        ok = ReadPath(text, address, error);
        if (ok && text.substr(0, kUsbtmcPrefix.size()) == kUsbtmcPrefix) address.kind = TPortKind::Usbtmc;
    }
    if (!ok) return std::nullopt;
    return address;
}

} // namespace NuvixParser
