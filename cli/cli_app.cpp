// varnexcalc-cli: compile the Global panel and one calculator panel, run both on the
// calculation thread, write their text output as it happens and then the result line as
// the main window shows it.
#include "cli/cli_app.h"

#include <atomic>
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
#include <new>
#include <optional>
#include <stdexcept>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli/plot_pictures.h"
#include "engine/function_help.h"
#include "engine/macro_file.h"
#include "engine/parser.h"
#include "engine/result_text.h"
#include "engine/out_of_memory.h"
#include "functions/files/child_processes.h"
#include "functions/files/end_signals.h"
#include "instruments/calculator.h"
#include "instruments/graphic_panel.h"
#include "instruments/panel_host.h"
#include "instruments/plot_model.h"
#include "instruments/plot_text_file.h"
#include "instruments/svg_canvas.h"
#include "instruments/text_output.h"

using namespace NuvixParser;

namespace NuvixCli {
namespace {

const char* const kUsage =
    "usage: varnexcalc-cli [-c] [-t] [-g TEXT] [-e TEXT] [-p PANEL] [-r dec|hex|bin]\n"
    "                      [--plots DIR [--plot-format svg|png|pdf|txt|csv] [--plot-size WxH]] [FILE|-]\n"
    "       varnexcalc-cli --functions | --describe NAME\n"
    "  FILE      a macro file (*.zma, plain or sectioned), or - for standard input\n"
    "  -e TEXT   the calculator panel's script instead of FILE's\n"
    "  -g TEXT   the Global panel's script instead of FILE's\n"
    "  -p PANEL  the calculator panel to run: its exact caption, else its 1-based number\n"
    "  -r RADIX  dec (default), hex or bin: how a numeric result is shown\n"
    "  -c        check only: compile the Global panel and the calculator panel, don't run\n"
    "  -t        print the compile and run times to standard error\n"
    "  --plots DIR         after the run, write every plot tab that holds curves as\n"
    "                      DIR/plot-<tab>.<FMT> (tabs numbered from 0 as scripts number them)\n"
    "  --plot-format FMT   svg (default), png, pdf (one page of the size at 96 pixels per\n"
    "                      inch), txt: the plot window's Save As Text file, or csv: the\n"
    "                      same table as comma-separated values with a header row\n"
    "  --plot-size WxH     the picture size in pixels, 640x420 by default\n"
    "  --functions      list every built-in function with its parameters\n"
    "  --describe NAME  print the help of the built-in function NAME\n"
    "Exit status: 0 finished, 1 run error, break or Stack Overflow, 2 syntax error, 3 usage, file or output error.\n";

// Standard output, written straight to its descriptor so that a failed write is seen at
// once and its reason kept: output lost to a full disk or a closed descriptor must not end
// in exit status 0. SIGPIPE keeps its default action, so a reader that quits on purpose
// (`| head -1`) ends the runner quietly as it ends other tools; where our parent ignores
// SIGPIPE the write fails with EPIPE instead, which ends the runner just as quietly.
class TStdout {
public:
    // False once any write has failed; later texts are dropped.
    bool Write(std::string_view text) {
        while (!text.empty() && error_ == 0) {
            const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
            if (n >= 0)
                text.remove_prefix(static_cast<std::size_t>(n));
            else if (errno != EINTR)
                error_ = errno;
        }
        return error_ == 0;
    }
    // The errno of the failed write, 0 while none failed.
    int Error() const { return error_; }

private:
    std::atomic<int> error_{0};
};

// Ends the runner after a failed write to standard output: exit status 3, and a message
// unless the reader quit on purpose.
int OutputFailed(int error) {
    if (error != EPIPE) std::cerr << "varnexcalc-cli: cannot write standard output: " << std::strerror(error) << "\n";
    return kExitUsage;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

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
            TStdout out;
            return out.Write(kUsage) ? kExitFinished : OutputFailed(out.Error());
        }
        if (a == "--functions") {
            std::string list;
            for (const TFunctionHelp& help : AllHelp(*CalculatorRegistry())) list += help.CallForm() + "\n";
            TStdout out;
            return out.Write(list) ? kExitFinished : OutputFailed(out.Error());
        }
        if (a == "--describe") {
            if (i + 1 >= argc) return UsageError("option --describe needs a function name");
            const std::optional<TFunctionHelp> help = HelpOf(*CalculatorRegistry(), argv[++i]);
            if (!help) {
                std::cerr << "varnexcalc-cli: no built-in function '" << argv[i] << "'\n";
                return kExitUsage;
            }
            TStdout out;
            return out.Write(HelpAsText(*help)) ? kExitFinished : OutputFailed(out.Error());
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
            else if (a == "--plot-format" && (v == "svg" || v == "txt" || v == "csv"))
                o.plotFormat = v;
            else if (a == "--plot-format" && (v == "png" || v == "pdf") && !TPlotPictures::Available())
                return UsageError("plot format " + v + " needs Qt, which this build of the runner has not");
            else if (a == "--plot-format" && (v == "png" || v == "pdf"))
                o.plotFormat = v;
            else if (a == "--plot-format")
                return UsageError("plot format must be svg, png, pdf, txt or csv, not '" + v + "'");
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
// (unbuffered, so output and a hanging script can be watched); cleartext has nothing to
// erase. A failed write breaks the run, since its output can no longer be seen.
// Calls arrive on the calculation thread; the main thread reads LineOpen only after the
// end of the run was reported, which orders the two.
class TStdoutOutput final : public TTextOutput {
public:
    TStdoutOutput(TStdout& out, TCalculator& calculator) : out_(out), calculator_(calculator) {}
    void Print(std::string_view text) override {
        Write(text);
        if (!text.empty()) lineOpen_ = text.back() != '\n';
    }
    void PrintLine(std::string_view text) override {
        Write(std::string(text) + '\n');
        lineOpen_ = false;
    }
    void Clear() override {}
    // Whether the last output left its line unfinished.
    bool LineOpen() const { return lineOpen_; }

private:
    void Write(std::string_view text) {
        if (!out_.Write(text)) calculator_.Break();
    }
    TStdout& out_;
    TCalculator& calculator_;
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

// Ctrl+C: the first asks the run to break, the second ends the runner at once (exit status
// 130); SIGTERM, SIGHUP and SIGQUIT end it at once too. Whatever ends the runner first ends
// the programs execute has running (see WatchEndSignals).
void WatchSignals(TCalculator& calculator) {
    WatchEndSignals([&calculator, interrupts = 0](int sig) mutable {
        if (sig != SIGINT) return false;
        if (++interrupts == 1) {
            calculator.Break();
            return true;
        }
        EndChildProcesses();
        std::_Exit(130);
    });
}

struct TSource {
    std::string name;         // what syntax errors are reported against
    TSourcePos start;         // where the panel's text starts in the file
    std::string_view rawText; // the panel's text as read (with any CR), until it is taken
};

// Memory running out while compiling is thrown on to RunCli, which reports it.
bool CompileOrReport(TParser& parser, const TSource& source) {
    if (parser.Compile()) return true;
    if (parser.RanOutOfMemory()) throw std::bad_alloc();
    const int start = parser.ErrorStart();
    const int position = start < 0 ? static_cast<int>(parser.Text().size()) : start;
    const TSourcePos at = LocateInText(source.start, parser.Text(), position);
    std::cerr << source.name << ":" << at.line << ":" << at.column
              << ": error: " << EscapeControlBytes(parser.ErrorMessage()) << "\n";
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

std::string EscapeControlBytes(std::string_view message) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(message.size());
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

TSourcePos LocateInFile(std::string_view file, std::size_t offset) {
    const std::size_t at = std::min(offset, file.size());
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

TSourcePos LocateInText(TSourcePos start, std::string_view text, int position) {
    const std::string_view before = text.substr(0, static_cast<std::size_t>(std::max(position, 0)));
    TSourcePos p = start;
    const std::size_t lastBreak = before.rfind('\n');
    if (lastBreak == std::string_view::npos) {
        p.column += static_cast<int>(before.size());
        return p;
    }
    for (const char c : before)
        if (c == '\n') ++p.line;
    p.column = static_cast<int>(before.size() - lastBreak);
    return p;
}

// Writes every tab that holds curves as DIR/plot-<tab>.<format>, drawn by the plot window's
// own panel code with the tab's caption as title. False after reporting a file that could
// not be made or written.
bool WritePlots(const TPlotModel& plots, const TOptions& o) {
    const auto& tabs = plots.Tabs();
    const bool picture = o.plotFormat == "png" || o.plotFormat == "pdf";
    // Qt is loaded only for the pictures it draws, and only when there is one to draw.
    std::unique_ptr<TPlotPictures> pictures;
    for (std::size_t tab = 0; tab < tabs.size(); ++tab) {
        const TPlotPanel* panel = tabs[tab].panel.get();
        if (!panel || panel->curves.empty()) continue;
        const std::string path = *o.plotDir + "/plot-" + std::to_string(tab) + "." + o.plotFormat;
        std::string bytes;
        if (o.plotFormat == "txt") {
            bytes = PlotText(*panel);
        } else if (o.plotFormat == "csv") {
            bytes = PlotCsv(*panel);
        } else if (picture) {
            std::string error = "the picture could not be made";
            if (!pictures) pictures = TPlotPictures::Start(error);
            if (pictures)
                bytes = pictures->Draw(o.plotFormat == "png" ? TPictureFormat::Png : TPictureFormat::Pdf, *panel,
                                       tabs[tab].caption, o.plotWidth, o.plotHeight);
            if (bytes.empty()) {
                std::cerr << "varnexcalc-cli: cannot draw " << path << ": " << error << "\n";
                return false;
            }
        } else {
            TSvgCanvas canvas;
            TGraphicPanel drawing;
            drawing.Paint(canvas, *panel, tabs[tab].caption, o.plotWidth, o.plotHeight);
            bytes = canvas.Document(o.plotWidth, o.plotHeight);
        }
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

namespace {

// What the runner does between reading its command line and printing its result line.
int Run(const TOptions& options);

} // namespace

int RunCli(int argc, char** argv) {
    TOptions options;
    if (auto code = ParseOptions(argc, argv, options)) return *code;
    // Memory can run out before a run, where no run error can take it: while reading a
    // huge script or compiling it (the run catches its own). A message then, not an abort.
    try {
        return Run(options);
    } catch (const std::bad_alloc&) {
        std::cerr << "varnexcalc-cli: " << kOutOfMemoryWhileCompiling << "\n";
        return kExitUsage;
    } catch (const std::runtime_error& e) {
        // The calculation thread's large stack could not be reserved, for one.
        std::cerr << "varnexcalc-cli: " << e.what() << "\n";
        return kExitUsage;
    }
}

namespace {

int Run(const TOptions& options) {
    std::string fileBytes;
    std::vector<TMacroPanel> tabs;
    std::string fileName;
    if (options.file) {
        fileName = *options.file == "-" ? "<stdin>" : *options.file;
        bool read = false;
        try {
            read = ReadAll(*options.file, fileBytes);
        } catch (const std::bad_alloc&) {
            std::cerr << "varnexcalc-cli: " << kScriptFileTooLarge << ": " << fileName << "\n";
            return kExitUsage;
        }
        if (!read) {
            std::cerr << "varnexcalc-cli: cannot read " << fileName << ": " << std::strerror(errno) << "\n";
            return kExitUsage;
        }
        // A UTF-8 byte-order mark, which Windows editors write, is not part of the script;
        // syntax error columns then count from the first character after it.
        if (fileBytes.starts_with(kUtf8Bom)) fileBytes.erase(0, kUtf8Bom.size());
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

    // The panels' texts are read where they stand in the file: the copies SplitMacroText
    // made go before the compile, which makes a copy of its own.
    const auto inFile = [&](const TMacroPanel& tab) {
        return fileBytes.empty() ? std::string_view() : std::string_view(fileBytes).substr(tab.offset, tab.text.size());
    };
    TSource global{fileName, LocateInFile(fileBytes, tabs[0].offset), inFile(tabs[0])};
    TSource panel{fileName, LocateInFile(fileBytes, tabs[chosen].offset), inFile(tabs[chosen])};
    std::vector<TMacroPanel>().swap(tabs);
    if (options.globalText) global = TSource{"<global>", TSourcePos{}, *options.globalText};
    if (options.panelText) panel = TSource{"<panel>", TSourcePos{}, *options.panelText};

    // Blocked before any thread starts, so only the watcher takes them.
    BlockEndSignals();

    TPlotModel plots;
    THeadlessPanels panels;
    TRunEndWaiter waiter;
    TCalculator calculator(&waiter);
    TStdout out;
    TStdoutOutput output(out, calculator);
    calculator.SetWindows(TRunContext{&output, &plots, &panels});

    // Compile time counts what the editor pays on a keystroke.
    const auto compileStart = std::chrono::steady_clock::now();
    calculator.GlobalParser().SetText(global.rawText);
    calculator.PanelParser().SetText(panel.rawText);
    // The parsers keep their own copies: the file's bytes go before the trees grow.
    global.rawText = panel.rawText = std::string_view();
    std::string().swap(fileBytes);
    if (!CompileOrReport(calculator.GlobalParser(), global)) return kExitSyntaxError;
    if (!CompileOrReport(calculator.PanelParser(), panel)) return kExitSyntaxError;
    if (options.showTimes) ReportTime("compile", compileStart);
    if (options.checkOnly) return kExitFinished;

    WatchSignals(calculator);
    const auto runStart = std::chrono::steady_clock::now();
    calculator.Start();
    waiter.WaitForRunEnd();
    if (options.showTimes) ReportTime("run", runStart);

    const TCalcInfo& ci = calculator.CalcInfo();
    // The result line stands on a line of its own, after all output.
    if (out.Error() != 0) return OutputFailed(out.Error());
    // Only an error line is a message; a text result is shown as the script made it.
    const std::string result = ResultLineText(calculator.Result(), ci, options.radix);
    const std::string line = (ci.error ? EscapeControlBytes(result) : result) + '\n';
    if (!out.Write(output.LineOpen() ? '\n' + line : line)) return OutputFailed(out.Error());
    if (options.plotDir && !WritePlots(plots, options)) return kExitUsage;
    // "Stack Overflow" finishes the run with that text, yet the script did not finish its
    // work: scripts and CI must be able to tell.
    return ci.error || ci.endedInStackOverflow ? kExitRunError : kExitFinished;
}

} // namespace

} // namespace NuvixCli
