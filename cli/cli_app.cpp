// varnexcalc-cli: compile the Global panel and one calculator panel, run both on the
// calculation thread, write their text output as it happens and then the result line as
// the main window shows it.
#include "cli/cli_app.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "engine/function_help.h"
#include "engine/macro_file.h"
#include "engine/parser.h"
#include "engine/result_text.h"
#include "instruments/calculator.h"
#include "instruments/panel_host.h"
#include "instruments/plot_model.h"
#include "instruments/text_output.h"

using namespace NuvixParser;

namespace NuvixCli {
namespace {

const char* const kUsage =
    "usage: varnexcalc-cli [-c] [-t] [-g TEXT] [-e TEXT] [-p PANEL] [-r dec|hex|bin] [FILE|-]\n"
    "       varnexcalc-cli --functions | --describe NAME\n"
    "  FILE      a macro file (*.zma, plain or sectioned), or - for standard input\n"
    "  -e TEXT   the calculator panel's script instead of FILE's\n"
    "  -g TEXT   the Global panel's script instead of FILE's\n"
    "  -p PANEL  the calculator panel to run: its exact caption, else its 1-based number\n"
    "  -r RADIX  dec (default), hex or bin: how a numeric result is shown\n"
    "  -c        check only: compile the Global panel and the calculator panel, don't run\n"
    "  -t        print the compile and run times to standard error\n"
    "  --functions      list every built-in function with its parameters\n"
    "  --describe NAME  print the help of the built-in function NAME\n"
    "Exit status: 0 finished, 1 run error or break, 2 syntax error, 3 usage or file error.\n";

struct TOptions {
    std::optional<std::string> globalText;
    std::optional<std::string> panelText;
    std::optional<std::string> panel;
    TRadix radix = TRadix::Decimal;
    std::optional<std::string> file;
    bool checkOnly = false;
    bool showTimes = false;
};

int UsageError(const std::string& message) {
    std::cerr << "varnexcalc-cli: " << message << "\n" << kUsage;
    return kExitUsage;
}

// Returns an exit code when the command line is not to be run.
std::optional<int> ParseOptions(int argc, char** argv, TOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            return kExitFinished;
        }
        if (a == "--functions") {
            for (const TFunctionHelp& help : AllHelp(*CalculatorRegistry())) std::cout << help.CallForm() << "\n";
            return kExitFinished;
        }
        if (a == "--describe") {
            if (i + 1 >= argc) return UsageError("option --describe needs a function name");
            const std::optional<TFunctionHelp> help = HelpOf(*CalculatorRegistry(), argv[++i]);
            if (!help) {
                std::cerr << "varnexcalc-cli: no built-in function '" << argv[i] << "'\n";
                return kExitUsage;
            }
            std::cout << HelpAsText(*help);
            return kExitFinished;
        }
        if (a == "-c" || a == "-t") {
            (a == "-c" ? o.checkOnly : o.showTimes) = true;
            continue;
        }
        if (a == "-g" || a == "-e" || a == "-p" || a == "-r") {
            if (i + 1 >= argc) return UsageError("option " + a + " needs a value");
            const std::string v = argv[++i];
            if (a == "-g")
                o.globalText = v;
            else if (a == "-e")
                o.panelText = v;
            else if (a == "-p")
                o.panel = v;
            else if (v == "dec")
                o.radix = TRadix::Decimal;
            else if (v == "hex")
                o.radix = TRadix::Hexadecimal;
            else if (v == "bin")
                o.radix = TRadix::Binary;
            else
                return UsageError("radix must be dec, hex or bin, not '" + v + "'");
            continue;
        }
        if (a.size() > 1 && a[0] == '-') return UsageError("unknown option " + a);
        if (o.file) return UsageError("only one FILE may be given");
        o.file = a;
    }
    if (!o.file && !o.panelText && !o.globalText) return UsageError("no FILE and no -e TEXT given");
    return std::nullopt;
}

// Reads a whole file (or standard input for "-"); false with errno set on failure.
bool ReadAll(const std::string& path, std::string& bytes) {
    const int fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        if (fd != STDIN_FILENO) ::close(fd);
        errno = EISDIR;
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    if (fd != STDIN_FILENO) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return ok;
}

// The runner's text output window: print and println write to standard output at once
// (flushed, so output and a hanging script can be watched); cleartext has nothing to erase.
// Calls arrive on the calculation thread; the main thread reads LineOpen only after the
// end of the run was reported, which orders the two.
class TStdoutOutput final : public TTextOutput {
public:
    void Print(std::string_view text) override {
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!text.empty()) lineOpen_ = text.back() != '\n';
        std::cout.flush();
    }
    void PrintLine(std::string_view text) override {
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        std::cout.put('\n');
        lineOpen_ = false;
        std::cout.flush();
    }
    void Clear() override {}
    // Whether the last output left its line unfinished.
    bool LineOpen() const { return lineOpen_; }

private:
    bool lineOpen_ = false;
};

// The runner shows no panels: loadgui fails (0), so no control exists to be set, read or
// changed, and no user can signal the GUI event. A wait without a time limit can then only
// end on Ctrl+C, which the runner says once, on standard error.
class THeadlessPanels final : public TPanelHost {
public:
    bool CreatePanel(int, std::string, TEvent&) override { return false; }
    void CloseAll() override {}
    void NamePanel(int, std::string) override {}
    bool SetProperty(int, int, int, const TReturnValue&) override { return false; }
    bool GetProperty(int, int, int, TReturnValue&) override { return false; }
    bool HasChanged(int, int) override { return false; }
    void WaitingWithoutLimit() override {
        if (told_) return;
        told_ = true;
        std::cerr << "varnexcalc-cli: waitguievent(0) waits for ever: no panel can send events here "
                     "(Ctrl+C ends the wait)"
                  << std::endl;
    }

private:
    bool told_ = false;
};

// Ctrl+C: the first asks the run to break, the second ends the program at once. The
// signal is taken by a thread of its own (sigwait), so nothing runs in a handler.
void WatchInterrupts(TCalculator& calculator) {
    std::thread([&calculator] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        int count = 0;
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) != 0) continue;
            if (++count == 1) {
                calculator.Break();
            } else {
                std::_Exit(130);
            }
        }
    }).detach();
}

struct TSource {
    std::string name;         // what syntax errors are reported against
    std::string_view file;    // the whole file, or the option's text
    std::size_t offset = 0;   // where the panel's raw text starts in it
    std::string_view rawText; // the panel's text as read (with any CR)
};

bool CompileOrReport(TParser& parser, const TSource& source) {
    parser.SetText(source.rawText);
    if (parser.Compile()) return true;
    const int start = parser.ErrorStart();
    const int position = start < 0 ? static_cast<int>(parser.Text().size()) : start;
    const TSourcePos at = LocateInFile(source.file, source.offset, source.rawText, position);
    std::cerr << source.name << ":" << at.line << ":" << at.column << ": error: " << parser.ErrorMessage()
              << "\n";
    return false;
}

// "varnexcalc-cli: compile 1.234 ms": milliseconds since `start`, to standard error.
void ReportTime(const char* what, std::chrono::steady_clock::time_point start) {
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    char digits[64];
    const auto end = std::to_chars(digits, digits + sizeof digits, elapsed.count(), std::chars_format::fixed, 3).ptr;
    std::cerr << "varnexcalc-cli: " << what << ' ' << std::string_view(digits, end - digits) << " ms\n";
}

} // namespace

TSourcePos LocateInFile(std::string_view file, std::size_t offset, std::string_view rawText, int position) {
    // Walk the raw text until `position` CR-free bytes have passed.
    std::size_t raw = 0;
    for (int seen = 0; raw < rawText.size(); ++raw) {
        if (rawText[raw] == '\r') continue;
        if (seen == position) break;
        ++seen;
    }
    const std::size_t at = std::min(offset + raw, file.size());
    TSourcePos p;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < at; ++i) {
        if (file[i] == '\n') {
            ++p.line;
            lineStart = i + 1;
        }
    }
    int column = 1;
    for (std::size_t i = lineStart; i < at; ++i)
        if (file[i] != '\r') ++column;
    p.column = column;
    return p;
}

int RunCli(int argc, char** argv) {
    TOptions options;
    if (auto code = ParseOptions(argc, argv, options)) return *code;

    std::string fileBytes;
    std::vector<TMacroPanel> tabs;
    std::string fileName;
    if (options.file) {
        fileName = *options.file == "-" ? "<stdin>" : *options.file;
        if (!ReadAll(*options.file, fileBytes)) {
            std::cerr << "varnexcalc-cli: cannot read " << fileName << ": " << std::strerror(errno) << "\n";
            return kExitUsage;
        }
        tabs = SplitMacroText(fileBytes);
    } else {
        tabs = SplitMacroText("");
    }

    // The calculator panel: by exact caption, else by its 1-based number.
    std::size_t chosen = 1;
    if (options.panel) {
        chosen = 0;
        for (std::size_t i = 1; i < tabs.size() && !chosen; ++i)
            if (tabs[i].caption == *options.panel) chosen = i;
        if (!chosen) {
            char* end = nullptr;
            const long n = std::strtol(options.panel->c_str(), &end, 10);
            if (end && *end == '\0' && !options.panel->empty() && n >= 1 &&
                static_cast<std::size_t>(n) < tabs.size())
                chosen = static_cast<std::size_t>(n);
        }
        if (!chosen) return UsageError("no calculator panel '" + *options.panel + "'");
    }

    TSource global{fileName, fileBytes, tabs[0].offset, tabs[0].text};
    TSource panel{fileName, fileBytes, tabs[chosen].offset, tabs[chosen].text};
    if (options.globalText) global = TSource{"<global>", *options.globalText, 0, *options.globalText};
    if (options.panelText) panel = TSource{"<panel>", *options.panelText, 0, *options.panelText};

    // Block SIGINT before any thread starts, so only the watcher takes it.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    TStdoutOutput output;
    TPlotModel plots;
    THeadlessPanels panels;
    TRunEndWaiter waiter;
    TCalculator calculator(&waiter);
    calculator.SetWindows(TRunContext{&output, &plots, &panels});

    // Compile time counts what the editor pays on a keystroke.
    const auto compileStart = std::chrono::steady_clock::now();
    if (!CompileOrReport(calculator.GlobalParser(), global)) return kExitSyntaxError;
    if (!CompileOrReport(calculator.PanelParser(), panel)) return kExitSyntaxError;
    if (options.showTimes) ReportTime("compile", compileStart);
    if (options.checkOnly) return kExitFinished;

    WatchInterrupts(calculator);
    const auto runStart = std::chrono::steady_clock::now();
    calculator.Start();
    waiter.WaitForRunEnd();
    if (options.showTimes) ReportTime("run", runStart);

    const TCalcInfo& ci = calculator.CalcInfo();
    // The result line stands on a line of its own, after all output.
    if (output.LineOpen()) std::cout << '\n';
    std::cout << ResultLineText(calculator.Result(), ci, options.radix) << std::endl;
    return ci.error ? kExitRunError : kExitFinished;
}

} // namespace NuvixCli
