// TPtyTerminal: varnexcalc-cli on a pseudo-terminal, for the tests of its interactive
// session: the test types keys and reads what the program put on the screen.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace NuvixTest {

class TPtyTerminal {
public:
    // Starts the runner with `args` on a new 80x24 terminal of type xterm; `environment`
    // entries "NAME=VALUE" are added to this process's environment.
    TPtyTerminal(const std::vector<std::string>& args, const std::vector<std::string>& environment);
    // Kills the runner if it is still running.
    ~TPtyTerminal();
    TPtyTerminal(const TPtyTerminal&) = delete;
    TPtyTerminal& operator=(const TPtyTerminal&) = delete;

    void Type(std::string_view keys);
    // Types once the line editor has the terminal (it turned canonical input off): keys
    // typed before that are echoed by the terminal as well, and a test would read them twice.
    void TypeAtPrompt(std::string_view keys);
    // Reads the screen until `text` shows up after the last text waited for, and moves past
    // it; false when it did not within `limit` (which only guards against hangs).
    bool WaitFor(std::string_view text, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        return ReadUntil(text, limit).has_value();
    }
    // As WaitFor, and gives what was shown before `text`.
    std::optional<std::string> ReadUntil(std::string_view text,
                                         std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Everything shown so far, without control sequences and carriage returns.
    const std::string& Screen() const { return screen_; }
    // What was shown after the last text waited for.
    std::string Unread() const { return screen_.substr(read_); }
    // Waits for the runner to end: its exit status, or -1 when it did not end normally
    // within the limit.
    int WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(10));
    pid_t Pid() const { return pid_; }
    // Whether the terminal reads whole lines (canonical input), as a shell leaves it; the
    // line editor turns that off while it edits.
    bool Canonical() const;

private:
    // Reads what is there within `wait`; false once the terminal closed.
    bool Pump(std::chrono::milliseconds wait);
    int master_ = -1;
    pid_t pid_ = -1;
    int exitStatus_ = -1;
    bool exited_ = false;
    std::string raw_; // bytes as written, a control sequence may be cut in two
    std::size_t parsed_ = 0;
    std::string screen_; // text without control sequences
    std::size_t read_ = 0;
};

} // namespace NuvixTest
