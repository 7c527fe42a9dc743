// A listening socket on loopback for network-port tests: the test plays the instrument on
// the connection the code under test makes.
#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace NuvixTest {

class TTcpPeer {
public:
    // `ipv6`: listen on ::1 instead of 127.0.0.1. `backlog` as listen(2) takes it.
    explicit TTcpPeer(bool ipv6 = false, int backlog = 4) : ipv6_(ipv6) {
        listener_ = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage a{};
        socklen_t size;
        if (ipv6) {
            auto* in6 = reinterpret_cast<sockaddr_in6*>(&a);
            in6->sin6_family = AF_INET6;
            in6->sin6_addr = in6addr_loopback;
            size = sizeof *in6;
        } else {
            auto* in = reinterpret_cast<sockaddr_in*>(&a);
            in->sin_family = AF_INET;
            in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            size = sizeof *in;
        }
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), size) != 0 || ::listen(listener_, backlog) != 0) {
            ADD_FAILURE() << "cannot listen on loopback";
            return;
        }
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
        port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&a)->sin6_port : reinterpret_cast<sockaddr_in*>(&a)->sin_port);
    }
    ~TTcpPeer() {
        CloseClient();
        if (listener_ >= 0) ::close(listener_);
    }
    TTcpPeer(const TTcpPeer&) = delete;
    TTcpPeer& operator=(const TTcpPeer&) = delete;

    unsigned Port() const { return port_; }
    std::string Url() const {
        return std::string("tcp://") + (ipv6_ ? "[::1]" : "127.0.0.1") + ":" + std::to_string(port_);
    }
    int ListenerFd() const { return listener_; }

    // Takes the connection the code under test made; false when none came within `wait`.
    bool Accept(std::chrono::milliseconds wait = std::chrono::milliseconds(2000)) {
        CloseClient();
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(wait.count())) != 1) return false;
        client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return client_ >= 0;
    }
    int ClientFd() const { return client_; }
    void CloseClient() {
        if (client_ >= 0) ::close(client_);
        client_ = -1;
    }

    void Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            ASSERT_GT(n, 0);
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    // Up to `count` bytes, waiting at most `wait` for them.
    std::string Receive(std::size_t count, std::chrono::milliseconds wait = std::chrono::milliseconds(1000)) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + wait;
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{client_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) != 1) break;
            char buf[4096];
            const ssize_t n = ::recv(client_, buf, std::min(sizeof buf, count - got.size()), 0);
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    bool ipv6_;
    int listener_ = -1;
    int client_ = -1;
    unsigned port_ = 0;
};

} // namespace NuvixTest
