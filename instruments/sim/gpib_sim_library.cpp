// libvarnex-gpib-sim.so: the entry points and status of the Linux GPIB library over a
// simulated bus, so that a script run with VARNEX_GPIB_LIBRARY pointing here talks to
// simulated instruments as to real ones.
//
// Which instruments: VARNEX_GPIB_SIM ("5:dmm.instrument,7:stepper.instrument"), else the
// file VARNEX_GPIB_SIM_CONFIG names, else ~/.config/varnexcalc/gpib-sim.conf (or under
// $XDG_CONFIG_HOME), read at the first call. A configuration that cannot be read leaves
// the bus without its board (every call fails with ERR and EDVR) and says why on standard
// error, once.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>

#include "instruments/gpib_driver_api.h"
#include "instruments/sim/gpib_sim_bus.h"
#include "instruments/sim/gpib_sim_config.h"
#include "instruments/sim/instrument_file.h"

#define VARNEX_EXPORT __attribute__((visibility("default")))

namespace {

using namespace NuvixParser;

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return true;
}

std::string DefaultConfigPath() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/varnexcalc/gpib-sim.conf";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/varnexcalc/gpib-sim.conf";
}

// The entries of the configuration; false with `error` when it cannot be read. No
// configuration at all is an empty bus.
bool ReadConfiguration(std::vector<TGpibSimEntry>& entries, std::string& error) {
    if (const char* list = std::getenv("VARNEX_GPIB_SIM"); list && *list) {
        if (ParseGpibSimList(list, entries, error)) return true;
        error = "VARNEX_GPIB_SIM: " + error;
        return false;
    }
    const char* named = std::getenv("VARNEX_GPIB_SIM_CONFIG");
    const std::string path = named && *named ? named : DefaultConfigPath();
    std::string text;
    if (!ReadWholeFile(path, text)) {
        if (!named || !*named) return true;
        error = "cannot read " + path;
        return false;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    if (ParseGpibSimConfig(text, folder, entries, error)) return true;
    error = path + ": " + error;
    return false;
}

std::unique_ptr<TGpibSimBus> MakeBus(std::string& error) {
    std::vector<TGpibSimEntry> entries;
    if (!ReadConfiguration(entries, error)) return nullptr;
    auto bus = std::make_unique<TGpibSimBus>();
    for (const TGpibSimEntry& entry : entries) {
        std::string text;
        TInstrumentFile file;
        if (!ReadWholeFile(entry.file, text)) {
            error = "cannot read " + entry.file;
            return nullptr;
        }
        if (!ReadInstrumentFile(text, file, error) || !bus->Attach(entry.address, std::move(file), error)) {
            error = entry.file + ": " + error;
            return nullptr;
        }
    }
    return bus;
}

std::mutex gLock;
bool gStarted = false;
std::unique_ptr<TGpibSimBus> gBus; // none after a failed start
thread_local TGpibSimStatus tStatus;

// Runs one call on the bus under the lock and publishes its status; `failed` is the
// result when the bus could not be set up.
template <class TCall> int OnBus(int failed, TCall call) {
    const std::lock_guard<std::mutex> hold(gLock);
    if (!gStarted) {
        gStarted = true;
        std::string error;
        gBus = MakeBus(error);
        if (!gBus) std::fprintf(stderr, "varnex-gpib-sim: %s\n", error.c_str());
    }
    int result = failed;
    if (gBus) {
        result = call(*gBus);
        tStatus = gBus->Status();
    } else {
        tStatus = {kGpibErr, kGpibEdvr, 0};
    }
    return result;
}

} // namespace

extern "C" {

// The global copies of the status, as the Linux GPIB library exports them.
VARNEX_EXPORT volatile int ibsta;
VARNEX_EXPORT volatile int iberr;
VARNEX_EXPORT volatile int ibcnt;
VARNEX_EXPORT volatile long ibcntl;

static int Published(int result) {
    ibsta = tStatus.sta;
    iberr = tStatus.err;
    ibcnt = static_cast<int>(tStatus.count);
    ibcntl = tStatus.count;
    return result;
}

VARNEX_EXPORT int ibconfig(int ud, int option, int value) {
    return Published(OnBus(kGpibErr, [&](TGpibSimBus& bus) { return bus.Config(ud, option, value); }));
}

VARNEX_EXPORT int ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
    return Published(OnBus(-1, [&](TGpibSimBus& bus) { return bus.Dev(board, pad, sad, tmo, eot, eos); }));
}

VARNEX_EXPORT int ibonl(int ud, int online) {
    return Published(OnBus(kGpibErr, [&](TGpibSimBus& bus) { return bus.Online(ud, online); }));
}

VARNEX_EXPORT int ibwrt(int ud, const void* buffer, long count) {
    return Published(OnBus(kGpibErr, [&](TGpibSimBus& bus) { return bus.Write(ud, buffer, count); }));
}

VARNEX_EXPORT int ibrd(int ud, void* buffer, long count) {
    return Published(OnBus(kGpibErr, [&](TGpibSimBus& bus) { return bus.Read(ud, buffer, count); }));
}

VARNEX_EXPORT int ibtmo(int ud, int code) {
    return Published(OnBus(kGpibErr, [&](TGpibSimBus& bus) { return bus.Timeout(ud, code); }));
}

VARNEX_EXPORT int ThreadIbsta() {
    return tStatus.sta;
}

VARNEX_EXPORT int ThreadIberr() {
    return tStatus.err;
}

VARNEX_EXPORT int ThreadIbcnt() {
    return static_cast<int>(tStatus.count);
}

VARNEX_EXPORT long ThreadIbcntl() {
    return tStatus.count;
}

} // extern "C"
