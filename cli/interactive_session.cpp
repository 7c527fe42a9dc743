// The interactive session: reads entries with TLineEditor, runs them in a TCalcSession,
// and answers the '?' and ':' commands.
#include "cli/interactive_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>

#include "cli/calc_session.h"
#include "cli/cli_app.h"
#include "cli/line_editor.h"
#include "engine/function_help.h"
#include "engine/macro_file.h"
#include "functions/files/child_processes.h"
#include "functions/files/end_signals.h"

using namespace NuvixParser;

namespace NuvixCli {

bool InteractiveSessionAvailable() {
    return true;
}

namespace {

constexpr const char* kPrompt = "> ";
constexpr const char* kContinuationPrompt = "... ";

const char* const kCommandHelp =
    "  ?NAME        the help of the built-in function NAME (of a session's function: its\n"
    "               parameters)\n"
    "  ?            this list\n"
    "  :dec :hex :bin  show numeric results in decimal, hexadecimal or binary\n"
    "  :clear       forget all variables and functions of the session\n"
    "  :load FILE   run a macro file into the session (its Global panel, then its first\n"
    "               calculator panel)\n"
    "  :quit        end the session (as Ctrl+D does)\n"
    "An entry goes on over several lines while a '(' or a comment is open. Ctrl+C breaks a\n"
    "running calculation or drops the line typed; Tab completes names and commands.\n";

// Written straight to the descriptor, as the runner writes its output, so that print
// output, results and libedit's prompt come out in the order they were made.
bool WriteOut(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
        if (n >= 0)
            text.remove_prefix(static_cast<std::size_t>(n));
        else if (errno != EINTR)
            return false;
    }
    return true;
}

// A whole file; false with errno set when it cannot be read (a folder included).
bool ReadFile(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        ok = false;
    }
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0)
            break;
        else if (errno != EINTR)
            ok = false;
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\n");
    return text.substr(first, last - first + 1);
}

class TSession {
public:
    explicit TSession(const TSessionOptions& options)
        : options_(options), radix_(options.radix), calc_(WriteOut, options.panels) {}

    TCalcSession& Calc() { return calc_; }

    // The Global panel; false after its syntax error was shown.
    bool SetGlobal(const std::string& text) {
        TCalcSession::TEntryResult error;
        if (calc_.SetGlobal(text, error)) return true;
        std::cerr << "<global>: error:\n" << CaretText(error.source, error.position, error.text);
        return false;
    }

    // Called by the signal watcher: Ctrl+C while an entry runs breaks it; a second one in
    // the same run ends the runner, as in a run of a file (a built-in call that never
    // returns, a device read, cannot be broken otherwise).
    void Interrupt() {
        if (!running_) return;
        // A break lost because it came just before the run began is asked for again: the
        // runner ends only when the run has had its break and still goes on.
        if (interrupts_.fetch_add(1) == 0 || !calc_.BreakRequested()) {
            calc_.Break();
            return;
        }
        EndChildProcesses();
        std::_Exit(130);
    }

    // Runs one entry and shows its output, result (unless `quiet`) or error. `origin`
    // names a file whose panel it is, placed at `start` there.
    bool Run(std::string_view entry, const std::string& origin = {}, TSourcePos start = {},
             bool quiet = false) {
        interrupts_ = 0;
        running_ = true;
        const TCalcSession::TEntryResult r = calc_.Enter(entry, radix_);
        running_ = false;
        // The terminal echoed the ^C of a break where the cursor stood.
        if (calc_.TakeOutputLineOpen() || interrupts_ > 0) WriteOut("\n");
        if (r.outcome == TCalcSession::TOutcome::SyntaxError) {
            std::string where;
            if (!origin.empty()) {
                const TSourcePos at = LocateInText(start, r.source, r.position);
                where =
                    origin + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": error:\n";
            }
            std::cerr << where << CaretText(r.source, r.position, r.text);
        } else if (!quiet || r.outcome != TCalcSession::TOutcome::Finished) {
            WriteOut(r.text + "\n");
        }
        if (options_.writePlots) options_.writePlots(calc_.Plots());
        return r.outcome == TCalcSession::TOutcome::Finished;
    }

    // A '?' or ':' line; false for :quit.
    bool Command(std::string_view line) {
        if (line == "?") {
            WriteOut(kCommandHelp);
        } else if (line[0] == '?') {
            const std::string name(Trimmed(line.substr(1)));
            if (const auto help = HelpOf(calc_.Registry(), name))
                WriteOut(HelpAsText(*help));
            else if (const auto form = calc_.UserFunctionForm(name))
                WriteOut(*form + "\nA function defined in this session.\n");
            else
                std::cerr << "no built-in function '" << EscapeControlBytes(name) << "'\n";
        } else if (line == ":quit" || line == ":q") {
            return false;
        } else if (line == ":dec" || line == ":hex" || line == ":bin") {
            radix_ = line == ":dec" ? TRadix::Decimal : line == ":hex" ? TRadix::Hexadecimal : TRadix::Binary;
        } else if (line == ":clear") {
            calc_.Clear();
        } else if (line.starts_with(":load ") || line == ":load") {
            const std::string path(Trimmed(line.substr(5)));
            if (path.empty())
                std::cerr << ":load needs a file name\n";
            else
                Load(path);
        } else {
            std::cerr << "unknown command " << EscapeControlBytes(line) << " (? lists the commands)\n";
        }
        return true;
    }

    // The file's Global panel, then its first calculator panel, each as an entry: what
    // they define stays. As in a run, only the calculator panel's result is shown, and an
    // error in the Global panel keeps that from running.
    void Load(std::string path) {
        const char* home = std::getenv("HOME");
        if (path.starts_with("~/") && home) path = home + path.substr(1);
        std::string text;
        if (!ReadFile(path, text)) {
            std::cerr << "cannot read " << path << ": " << std::strerror(errno) << "\n";
            return;
        }
        constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
        if (text.starts_with(kUtf8Bom)) text.erase(0, kUtf8Bom.size());
        const std::vector<TMacroPanel> tabs = SplitMacroText(text);
        if (!Trimmed(tabs[0].text).empty() &&
            !Run(tabs[0].text, path, LocateInFile(text, tabs[0].offset), true))
            return;
        if (!Trimmed(tabs[1].text).empty()) Run(tabs[1].text, path, LocateInFile(text, tabs[1].offset));
    }

private:
    const TSessionOptions& options_;
    TRadix radix_;
    TCalcSession calc_;
    std::atomic<bool> running_{false};
    std::atomic<int> interrupts_{0};
};

// The session the signal watcher reaches, under a lock, so that a Ctrl+C cannot reach it
// while it goes (the watcher thread outlives it).
std::mutex gSessionLock;
TSession* gSession = nullptr;

// The terminal's settings as the session found them: a signal that ends the runner while
// libedit has the terminal in its editing mode puts them back first.
struct termios gTerminal;
bool gTerminalSaved = false;

void RestoreTerminal() {
    if (gTerminalSaved) ::tcsetattr(STDIN_FILENO, TCSANOW, &gTerminal);
}

} // namespace

int RunInteractiveSession(const TSessionOptions& options) {
    gTerminalSaved = ::tcgetattr(STDIN_FILENO, &gTerminal) == 0;
    // Blocked before any thread starts, so only the watcher takes them.
    BlockEndSignals();

    TSession session(options);
    if (options.globalText && !session.SetGlobal(*options.globalText)) return kExitSyntaxError;
    {
        std::lock_guard lock(gSessionLock);
        gSession = &session;
    }
    struct TLeave {
        ~TLeave() {
            std::lock_guard lock(gSessionLock);
            gSession = nullptr;
        }
    } leave;
    WatchEndSignals([](int sig) {
        if (sig == SIGINT) {
            std::lock_guard lock(gSessionLock);
            if (gSession) gSession->Interrupt();
            return true;
        }
        RestoreTerminal();
        return false;
    });

    static const std::vector<std::string> kCommands = {":bin", ":clear", ":dec", ":hex", ":load", ":quit"};
    // Entries piped in with -i are a script's, not the user's: they stay out of the history.
    const bool terminal = ::isatty(STDIN_FILENO);
    TLineEditor editor(terminal ? HistoryPath(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"))
                                : std::string(),
                       TCompletionSource{kCommands, [&session] { return session.Calc().Names(); }});

    if (options.loadFile) session.Load(*options.loadFile);
    if (options.firstEntry) session.Run(*options.firstEntry);

    std::string block;     // the lines of an entry still open
    bool endArmed = false; // Ctrl+C came at an empty prompt: another one ends the session
    for (;;) {
        std::string line;
        const TLineEditor::TRead read = editor.Read(block.empty() ? kPrompt : kContinuationPrompt, line);
        if (read == TLineEditor::TRead::End) {
            if (terminal) WriteOut("\n"); // the prompt's line ends
            break;
        }
        if (read == TLineEditor::TRead::Interrupted) {
            WriteOut("^C\n");
            if (block.empty() && editor.InterruptedEmpty()) {
                if (endArmed) break;
                WriteOut("(Ctrl+C again or Ctrl+D ends the session)\n");
                endArmed = true;
            }
            block.clear();
            continue;
        }
        endArmed = false;
        if (!Trimmed(line).empty()) editor.Remember(line);
        if (block.empty()) {
            const std::string_view command = Trimmed(line);
            if (!command.empty() && (command[0] == '?' || command[0] == ':')) {
                if (!session.Command(command)) break;
                continue;
            }
            block = line;
        } else {
            block += '\n' + line;
        }
        if (EntryOpen(block)) continue;
        const std::string entry = std::move(block);
        block.clear();
        if (!Trimmed(entry).empty()) session.Run(entry);
    }
    return kExitFinished;
}

} // namespace NuvixCli
