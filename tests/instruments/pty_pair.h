// A pseudo-terminal pair for serial-port tests: the calculator opens the terminal side
// by its path, the test plays the instrument on the other side.
#pragma once

#include <chrono>
#include <cstdlib>
#include <pty.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace NuvixTest {

class TPtyPair {
public:
    TPtyPair() {
        int terminal = -1;
        if (::openpty(&instrument_, &terminal, nullptr, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "openpty failed";
            return;
        }
        path_ = ::ttyname(terminal);
        // Only the code under test holds the terminal side open.
        ::close(terminal);
    }
    ~TPtyPair() { CloseInstrument(); }
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    const std::string& Path() const { return path_; }
    int InstrumentFd() const { return instrument_; }

    // The instrument answers.
    void Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(instrument_, bytes.data(), bytes.size());
            ASSERT_GT(n, 0);
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    // What the instrument received: up to `count` bytes, waiting at most `wait` for them.
    std::string Receive(std::size_t count, std::chrono::milliseconds wait = std::chrono::milliseconds(1000)) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + wait;
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{instrument_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            char buf[4096];
            const ssize_t n = ::read(instrument_, buf, std::min(sizeof buf, count - got.size()));
            if (n > 0) {
                got.append(buf, static_cast<std::size_t>(n));
            } else {
                // EIO while nobody holds the terminal side open (not yet, or between a
                // close and a reopen): wait for the calculator to open it.
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        return got;
    }
    // The instrument vanishes (an unplugged adapter): the terminal side hangs up.
    void CloseInstrument() {
        if (instrument_ >= 0) ::close(instrument_);
        instrument_ = -1;
    }

private:
    int instrument_ = -1;
    std::string path_;
};

// Sets an environment variable for the lifetime of the object.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            hadOld_ = true;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~TScopedEnv() {
        if (hadOld_) ::setenv(name_, old_.c_str(), 1);
        else ::unsetenv(name_);
    }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

} // namespace NuvixTest
