// ConnectTcp: a raw TCP socket to an instrument (SCPI over port 5025 and the like), connected within a time-out.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include "instruments/comm_transport.h"

namespace NuvixParser {
namespace {

// Host names are resolved by the system's resolver, which has time-outs of its own; the
// connect attempts share the one time-out, tried address after address as the resolver
// orders them (IPv6 and IPv4 of one name alike).
struct TAddressList {
    addrinfo* head = nullptr;
    ~TAddressList() {
        if (head) ::freeaddrinfo(head);
    }
};

} // namespace

std::unique_ptr<TCommTransport> ConnectTcp(const std::string& host, unsigned port, int timeoutMs, std::string& error) {
    using TClock = std::chrono::steady_clock;
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string name = host + ":" + std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    TAddressList list;
    if (const int r = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list.head); r != 0) {
        error = name + ": " + ::gai_strerror(r);
        return nullptr;
    }
    error = name + ": connection timed out";
    for (const addrinfo* a = list.head; a; a = a->ai_next) {
        TFileDescriptor fd(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (!fd.IsOpen()) {
            error = name + ": " + std::strerror(errno);
            continue;
        }
        int r = ::connect(fd.Get(), a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            for (;;) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
                if (left <= 0) {
                    errno = ETIMEDOUT;
                    break;
                }
                pollfd p{fd.Get(), POLLOUT, 0};
                const int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
                if (n < 0 && errno != EINTR) break;
                if (n <= 0) continue;
                int soError = 0;
                socklen_t size = sizeof soError;
                ::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &soError, &size);
                errno = soError;
                r = soError == 0 ? 0 : -1;
                break;
            }
        }
        if (r != 0) {
            error = name + ": " + std::strerror(errno);
            if (errno == ETIMEDOUT) break;
            continue;
        }
        // Queries are small and each waits for its answer: Nagle's algorithm would hold
        // the next small write back until the last one's acknowledgement.
        const int on = 1;
        ::setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        error.clear();
        return std::make_unique<TStreamTransport>(std::move(fd));
    }
    return nullptr;
}

} // namespace NuvixParser
