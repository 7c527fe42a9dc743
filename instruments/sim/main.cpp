// varnex-instrument-sim: an instrument on a pseudo-terminal or a TCP port, answering as its file says.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sstream>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "instruments/sim/instrument_sim.h"
#include "instruments/sim/tcp_server.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void Stop(int) {
    gStop = 1;
}

// The usage text: asked for with --help on standard output (status 0), after a wrong
// command line on standard error (status 2).
int Usage(std::FILE* to = stderr, int status = 2) {
    std::fprintf(to,
                 "usage: varnex-instrument-sim [--link PATH | --tcp [HOST:]PORT] INSTRUMENT_FILE\n"
                 "  Opens a pseudo-terminal, prints its device path and answers commands on it as\n"
                 "  INSTRUMENT_FILE describes, until interrupted.\n"
                 "  --link PATH  also make PATH a symbolic link to the device (removed at the end)\n"
                 "  --tcp [HOST:]PORT  listen on a TCP port instead (HOST 127.0.0.1 unless given;\n"
                 "               port 0 picks a free one), print its tcp:// URL and answer one\n"
                 "               client after another\n"
                 "  --help       print this text\n");
    // Help that could not be written is no success.
    return std::fflush(to) == 0 || status != 0 ? status : 1;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string link, path, tcp;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") return Usage(stdout, 0);
        if (a == "--link" && i + 1 < argc) link = argv[++i];
        else if (a == "--tcp" && i + 1 < argc) tcp = argv[++i];
        else if (!a.empty() && a[0] != '-' && path.empty()) path = a;
        else return Usage();
    }
    if (path.empty() || (!tcp.empty() && !link.empty())) return Usage();
    std::optional<NuvixParser::TListenAddress> tcpAddress;
    if (!tcp.empty() && !(tcpAddress = NuvixParser::ParseListenAddress(tcp))) return Usage();

    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "varnex-instrument-sim: cannot read %s\n", path.c_str());
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    NuvixParser::TInstrumentFile file;
    std::string error;
    if (!NuvixParser::ReadInstrumentFile(text.str(), file, error)) {
        std::fprintf(stderr, "varnex-instrument-sim: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    NuvixParser::TInstrumentSim sim(std::move(file));
    if (!sim.Start(error)) {
        std::fprintf(stderr, "varnex-instrument-sim: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    struct sigaction stop {};
    stop.sa_handler = Stop;
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    if (tcpAddress) return NuvixParser::ServeTcp(sim, *tcpAddress, gStop);

    int master = -1, terminal = -1;
    if (::openpty(&master, &terminal, nullptr, nullptr, nullptr) != 0) {
        std::perror("varnex-instrument-sim: openpty");
        return 1;
    }
    // Raw from the start, for programs that do not set the mode themselves. The terminal
    // side stays open here, so the device lives between the calculator's opens and
    // closes instead of reporting a hang-up to us.
    termios t{};
    ::tcgetattr(terminal, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(terminal, TCSANOW, &t);
    const std::string device = ::ttyname(terminal);
    if (!link.empty()) {
        // An old link (from a run that was killed) is replaced; any other file is not ours.
        struct stat old {};
        if (::lstat(link.c_str(), &old) == 0 && S_ISLNK(old.st_mode)) ::unlink(link.c_str());
        if (::symlink(device.c_str(), link.c_str()) != 0) {
            std::perror("varnex-instrument-sim: --link");
            return 1;
        }
    }
    std::printf("%s\n", device.c_str());
    std::fflush(stdout);

    char buf[4096];
    while (!gStop) {
        pollfd p{master, POLLIN, 0};
        const int r = ::poll(&p, 1, 500);
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        for (const NuvixParser::TInstrumentAnswer& answer : sim.Receive(std::string_view(buf, static_cast<std::size_t>(n)))) {
            if (answer.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
            if (!WriteAll(master, answer.bytes)) break;
        }
    }
    if (!link.empty()) ::unlink(link.c_str());
    return 0;
}
