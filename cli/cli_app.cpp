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
#include <fstream>
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
#include "instruments/graphic_panel.h"
#include "instruments/panel_model.h"
#include "instruments/plot_model.h"
#include "instruments/plot_text_file.h"
#include "instruments/svg_canvas.h"
#include "instruments/text_output.h"

using namespace NuvixParser;

namespace NuvixCli {
namespace {

const char* const kUsage =
    "usage: varnexcalc-cli [-c] [-t] [-g TEXT] [-e TEXT] [-p PANEL] [-r dec|hex|bin]\n"
    "                      [--plots DIR [--plot-format svg|txt] [--plot-size WxH]] [FILE|-]\n"
    "       varnexcalc-cli --functions | --describe NAME\n"
    "  FILE      a macro file (*.zma, plain or sectioned), or - for standard input\n"
    "  -e TEXT   the calculator panel's script instead of FILE's\n"
    "  -g TEXT   the Global panel's script instead of FILE's\n"
    "  -p PANEL  the calculator panel to run: its exact caption, else its 1-based number\n"
    "  -r RADIX  dec (default), hex or bin: how a numeric result is shown\n"
    "  -c        check only: compile the Global panel and the calculator panel, don't run\n"
    "  -t        print the compile and run times to standard error\n"
    "  --plots DIR         after the run, write every plot tab that holds curves as\n"
    "                      DIR/plot-<tab>.svg (tabs numbered from 0 as scripts number them)\n"
    "  --plot-format FMT   svg (default), or txt: the plot window's Save As Text file\n"
    "  --plot-size WxH     the picture size in pixels, 640x420 by default\n"
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
    std::optional<std::string> plotDir;
    std::string plotFormat = "svg";
    int plotWidth = 640, plotHeight = 420;
};

// "640x420" into two sizes from 1 to 20000.
bool ParseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string::npos) return false;
    int w = 0, h = 0;
    const char* end = text.data() + text.size();
    const auto a = std::from_chars(text.data(), text.data() + x, w);
    const auto b = std::from_chars(text.data() + x + 1, end, h);
    if (a.ec != std::errc() || a.ptr != text.data() + x || b.ec != std::errc() || b.ptr != end) return false;
    if (w < 1 || h < 1 || w > 20000 || h > 20000) return false;
    width = w;
    height = h;
    return true;
}

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
        if (a == "--plots" || a == "--plot-format" || a == "--plot-size") {
            if (i + 1 >= argc) return UsageError("option " + a + " needs a value");
            const std::string v = argv[++i];
            if (a == "--plots")
                o.plotDir = v;
            else if (a == "--plot-format" && (v == "svg" || v == "txt"))
                o.plotFormat = v;
            else if (a == "--plot-format")
                return UsageError("plot format must be svg or txt, not '" + v + "'");
            else if (!ParseSize(v, o.plotWidth, o.plotHeight))
                return UsageError("plot size must be WxH in pixels, not '" + v + "'");
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

// Writes every tab that holds curves as DIR/plot-<tab>.<format>, drawn by the plot window's
// own panel code with the tab's caption as title. False after reporting a file that could
// not be written.
bool WritePlots(const TPlotModel& plots, const TOptions& o) {
    const auto& tabs = plots.Tabs();
    for (std::size_t tab = 0; tab < tabs.size(); ++tab) {
        const TPlotPanel* panel = tabs[tab].panel.get();
        if (!panel || panel->curves.empty()) continue;
        std::string bytes;
        if (o.plotFormat == "txt") {
            bytes = PlotText(*panel);
        } else {
            TSvgCanvas canvas;
            TGraphicPanel drawing;
            drawing.Paint(canvas, *panel, tabs[tab].caption, o.plotWidth, o.plotHeight);
            bytes = canvas.Document(o.plotWidth, o.plotHeight);
        }
        const std::string path = *o.plotDir + "/plot-" + std::to_string(tab) + "." + o.plotFormat;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::cerr << "varnexcalc-cli: cannot write " << path << "\n";
            return false;
        }
    }
    return true;
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
    TPanelModel panels;
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
    if (options.plotDir && !WritePlots(plots, options)) return kExitUsage;
    return ci.error ? kExitRunError : kExitFinished;
}

} // namespace NuvixCli
