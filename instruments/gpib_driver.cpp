// TGpibDriver: loading the library, finding its status and entry points, the failure rule.
#include "instruments/gpib_driver.h"

#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>

namespace NuvixParser {
namespace {

std::vector<std::string> LibraryCandidates() {
    if (const char* chosen = std::getenv("VARNEX_GPIB_LIBRARY"); chosen && *chosen) return {chosen};
    return {"libgpib.so.0", "libgpibapi.so.0"};
}

// The count comes as ibcntl where a library has it, else as its ibcnt: NI-488.2 returns the
// full count from Ibcnt and ThreadIbcnt and exports no ...Ibcntl.
struct TStatusSource {
    const char* sta;
    const char* err;
    const char* cntl;
    const char* cnt;
    bool variables;
};

} // namespace

TGpibDriver::TGpibDriver(std::vector<std::string> libraries) : libraries_(std::move(libraries)) {}

TGpibDriver::~TGpibDriver() {
    Unload();
}

int TGpibDriver::Ibconfig(int ud, int option, int value) {
    return Call<TGpibConfigFn>(ibconfig_, "ibconfig", kGpibErr, ud, option, value);
}

int TGpibDriver::Ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
    return Call<TGpibDevFn>(ibdev_, "ibdev", -1, board, pad, sad, tmo, eot, eos);
}

int TGpibDriver::Ibonl(int ud, int online) {
    return Call<TGpibOnlineFn>(ibonl_, "ibonl", kGpibErr, ud, online);
}

int TGpibDriver::Ibwrt(int ud, const void* buffer, long count) {
    return Call<TGpibWriteFn>(ibwrt_, "ibwrt", kGpibErr, ud, buffer, count);
}

int TGpibDriver::Ibrd(int ud, void* buffer, long count) {
    return Call<TGpibReadFn>(ibrd_, "ibrd", kGpibErr, ud, buffer, count);
}

// NI-488.2's own header makes ibtmo a macro for ibconfig with IbcTMO, so its library need
// not export it: where it is missing, that is the call made.
int TGpibDriver::Ibtmo(int ud, int code) {
    if (!ibtmo_) {
        if (!library_ && !Load()) return kGpibErr;
        ibtmo_ = dlsym(library_, "ibtmo");
        if (!ibtmo_) return Ibconfig(ud, kGpibTimeoutOption, code);
    }
    return Call<TGpibTimeoutFn>(ibtmo_, "ibtmo", kGpibErr, ud, code);
}

template <class Fn, class... Args> int TGpibDriver::Call(void*& slot, const char* name, int failed, Args... args) {
    void* entry = Entry(slot, name);
    if (!entry) return failed;
    const int result = reinterpret_cast<Fn>(entry)(args...);
    TakeStatus();
    return result;
}

void* TGpibDriver::Entry(void*& slot, const char* name) {
    if (slot) return slot;
    if (!library_ && !Load()) return nullptr;
    slot = dlsym(library_, name);
    // dlsym leaves errno alone: a missing entry point is reported as "no such function".
    if (!slot) Fail(ENOSYS);
    return slot;
}

bool TGpibDriver::Load() {
    const std::vector<std::string> names = libraries_.empty() ? LibraryCandidates() : libraries_;
    int systemError = ENOENT;
    for (const std::string& name : names) {
        errno = 0;
        library_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library_) break;
        if (errno != 0) systemError = errno;
    }
    if (!library_) {
        Fail(systemError);
        return false;
    }
    if (!FindStatus()) {
        Unload();
        Fail(ENOSYS);
        return false;
    }
    return true;
}

// The first of the three status sources whose three names are all exported.
bool TGpibDriver::FindStatus() {
    static constexpr TStatusSource kSources[] = {
        {"ThreadIbsta", "ThreadIberr", "ThreadIbcntl", "ThreadIbcnt", false},
        {"ibsta", "iberr", "ibcntl", nullptr, true},
        {"Ibsta", "Iberr", "Ibcntl", "Ibcnt", false},
    };
    for (const TStatusSource& source : kSources) {
        void* sta = dlsym(library_, source.sta);
        void* err = dlsym(library_, source.err);
        void* cntl = dlsym(library_, source.cntl);
        if (!cntl && source.cnt) cntl = dlsym(library_, source.cnt);
        if (!sta || !err || !cntl) continue;
        statusInVariables_ = source.variables;
        status_[0] = sta;
        status_[1] = err;
        status_[2] = cntl;
        return true;
    }
    return false;
}

void TGpibDriver::Unload() {
    ibconfig_ = ibdev_ = ibonl_ = ibwrt_ = ibrd_ = ibtmo_ = nullptr;
    status_[0] = status_[1] = status_[2] = nullptr;
    if (library_) dlclose(library_);
    library_ = nullptr;
}

void TGpibDriver::Fail(int systemError) {
    ibsta_ = kGpibErr;
    iberr_ = kGpibEdvr;
    ibcnt_ = systemError;
    ibcntl_ = systemError;
}

void TGpibDriver::TakeStatus() {
    if (statusInVariables_) {
        ibsta_ = *static_cast<volatile int*>(status_[0]);
        iberr_ = *static_cast<volatile int*>(status_[1]);
        ibcntl_ = *static_cast<volatile long*>(status_[2]);
    } else {
        ibsta_ = reinterpret_cast<TGpibIntStatusFn>(status_[0])();
        iberr_ = reinterpret_cast<TGpibIntStatusFn>(status_[1])();
        ibcntl_ = reinterpret_cast<TGpibLongStatusFn>(status_[2])();
    }
    ibcnt_ = static_cast<int>(ibcntl_);
}

} // namespace NuvixParser
