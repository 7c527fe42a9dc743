// ServeTcp: one listening socket, one client at a time, commands answered as on the pseudo-terminal.
#include "instruments/sim/tcp_server.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "functions/files/file_io.h"
#include "instruments/port_address.h"
#include "instruments/sim/instrument_sim.h"

namespace NuvixParser {
namespace {

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Readable within 500 ms: 1; nothing yet: 0; failed: -1.
int WaitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, 500);
    if (r < 0) return errno == EINTR ? 0 : -1;
    return r;
}

// Answers one client until it hangs up or `stop` is set.
void Serve(TInstrumentSim& sim, int client, const volatile std::sig_atomic_t& stop) {
    char buf[4096];
    while (!stop) {
        const int r = WaitReadable(client);
        if (r < 0) break;
        if (r == 0) continue;
        const ssize_t n = ::recv(client, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (const TInstrumentAnswer& answer : sim.Receive(std::string_view(buf, static_cast<std::size_t>(n)))) {
            if (answer.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
            if (!SendAll(client, answer.bytes)) return;
        }
    }
}

} // namespace

std::optional<TListenAddress> ParseListenAddress(std::string_view text) {
    TListenAddress address;
    std::string_view port = text;
    if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        // The host part is read by the port-address reader, which also takes [IPv6].
        std::string error;
        const auto parsed = ParsePortAddress("tcp://" + std::string(text.substr(0, colon)) + ":1", error);
        if (!parsed) return std::nullopt;
        address.host = parsed->host;
        port = text.substr(colon + 1);
    }
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const unsigned value = static_cast<unsigned>(std::stoul(std::string(port)));
    if (value > 65535) return std::nullopt;
    address.port = static_cast<std::uint16_t>(value);
    return address;
}

int ServeTcp(TInstrumentSim& sim, const TListenAddress& address, const volatile std::sig_atomic_t& stop) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* list = nullptr;
    if (const int r = ::getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &list); r != 0) {
        std::fprintf(stderr, "varnex-instrument-sim: %s: %s\n", address.host.c_str(), ::gai_strerror(r));
        return 1;
    }
    TFileDescriptor listener(::socket(list->ai_family, list->ai_socktype | SOCK_CLOEXEC, list->ai_protocol));
    const int on = 1;
    const bool listening = listener.IsOpen() &&
                           ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                           ::bind(listener.Get(), list->ai_addr, list->ai_addrlen) == 0 &&
                           ::listen(listener.Get(), 4) == 0;
    const int family = list->ai_family;
    ::freeaddrinfo(list);
    if (!listening) {
        std::fprintf(stderr, "varnex-instrument-sim: cannot listen on %s:%u: %s\n", address.host.c_str(),
                     address.port, std::strerror(errno));
        return 1;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    ::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&bound), &size);
    const unsigned port = family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                             : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    const bool v6 = address.host.find(':') != std::string::npos;
    std::printf("tcp://%s%s%s:%u\n", v6 ? "[" : "", address.host.c_str(), v6 ? "]" : "", port);
    std::fflush(stdout);

    while (!stop) {
        const int r = WaitReadable(listener.Get());
        if (r < 0) return 1;
        if (r == 0) continue;
        TFileDescriptor client(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client.IsOpen()) continue;
        ::setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Serve(sim, client.Get(), stop);
        // A command the client left half-sent is not the next client's.
        sim.DropPending();
    }
    return 0;
}

} // namespace NuvixParser
