// TPtyTerminal: forkpty, keys written to the master side, the screen read back from it.
#include "tests/cli/pty_terminal.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace NuvixTest {

TPtyTerminal::TPtyTerminal(const std::vector<std::string>& args,
                           const std::vector<std::string>& environment) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0) throw std::runtime_error("forkpty failed");
    if (pid_ == 0) {
        ::setenv("TERM", "xterm", 1);
        for (const std::string& entry : environment) ::putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

TPtyTerminal::~TPtyTerminal() {
    if (!exited_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::close(master_);
}

void TPtyTerminal::Type(std::string_view keys) {
    while (!keys.empty()) {
        const ssize_t n = ::write(master_, keys.data(), keys.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        keys.remove_prefix(static_cast<std::size_t>(n));
    }
}

void TPtyTerminal::TypeAtPrompt(std::string_view keys) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Canonical() && std::chrono::steady_clock::now() < end) Pump(std::chrono::milliseconds(5));
    Type(keys);
}

// The master side reports the settings the program made on its side.
bool TPtyTerminal::Canonical() const {
    termios mode{};
    return ::tcgetattr(master_, &mode) == 0 && (mode.c_lflag & ICANON);
}

bool TPtyTerminal::Pump(std::chrono::milliseconds wait) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) return true;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) return false; // EIO: the runner and its terminal are gone
    raw_.append(buffer, static_cast<std::size_t>(n));
    // Control sequences (ESC [ ... final byte, ESC and one byte) and CR leave no text.
    while (parsed_ < raw_.size()) {
        const char c = raw_[parsed_];
        if (c == '\x1b') {
            std::size_t end = parsed_ + 1;
            if (end >= raw_.size()) break;
            if (raw_[end] == '[') {
                ++end;
                while (end < raw_.size() && !(raw_[end] >= 0x40 && raw_[end] <= 0x7E)) ++end;
                if (end >= raw_.size()) break;
            }
            parsed_ = end + 1;
            continue;
        }
        if (c != '\r' && c != '\a') screen_ += c;
        ++parsed_;
    }
    return true;
}

std::optional<std::string> TPtyTerminal::ReadUntil(std::string_view text, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::size_t at = screen_.find(text, read_);
        if (at != std::string::npos) {
            std::string before = screen_.substr(read_, at - read_);
            read_ = at + text.size();
            return before;
        }
        if (std::chrono::steady_clock::now() >= end || !Pump(std::chrono::milliseconds(20)))
            return std::nullopt;
    }
}

int TPtyTerminal::WaitForExit(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!exited_ && std::chrono::steady_clock::now() < end) {
        Pump(std::chrono::milliseconds(20)); // a runner blocked on a full terminal cannot end
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
    }
    return exited_ ? exitStatus_ : -1;
}

} // namespace NuvixTest
