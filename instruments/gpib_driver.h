// TGpibDriver: the GPIB driver library, loaded at its first use, and the status of its calls.
#pragma once

#include <string>
#include <vector>

#include "instruments/gpib_driver_api.h"

namespace NuvixParser {

// Every call goes the same way: if the library is not loaded yet it is loaded and its status
// source found; then the entry point is looked up (once). If any of that fails nothing is
// called: ibsta becomes ERR, iberr EDVR (0), ibcnt the system error code, and ibdev gives
// -1, the others ibsta; the next call tries again. Otherwise the entry is called and the
// driver's status copied.
//
// Which library: VARNEX_GPIB_LIBRARY when set, else the Linux GPIB package's libgpib.so.0,
// else the vendor's NI-488.2 library libgpibapi.so.0. Its status, after each call, from
// ThreadIbsta/ThreadIberr/ThreadIbcntl (thread-local, right for the one thread that calls
// us), else the exported variables ibsta/iberr/ibcntl, else Ibsta()/Iberr()/Ibcntl(); a
// library with none of the three is no driver. A library without ibtmo gets ibconfig
// with IbcTMO instead, which is what NI-488.2 makes of ibtmo.
//
// Not thread-safe: one thread (the calculation thread) makes all calls.
class TGpibDriver {
public:
    // `libraries` replaces the search above (tests name their double); empty: the search.
    explicit TGpibDriver(std::vector<std::string> libraries = {});
    // Unloads the library: whoever owns the driver ends its use of devices first.
    ~TGpibDriver();
    TGpibDriver(const TGpibDriver&) = delete;
    TGpibDriver& operator=(const TGpibDriver&) = delete;

    int Ibconfig(int ud, int option, int value);
    int Ibdev(int board, int pad, int sad, int tmo, int eot, int eos);
    int Ibonl(int ud, int online);
    int Ibwrt(int ud, const void* buffer, long count);
    int Ibrd(int ud, void* buffer, long count);
    int Ibtmo(int ud, int code);

    // The copies of the status after the last call; 0 before the first.
    int Ibsta() const { return ibsta_; }
    int Iberr() const { return iberr_; }
    int Ibcnt() const { return ibcnt_; }
    long Ibcntl() const { return ibcntl_; }
    bool Loaded() const { return library_ != nullptr; }

private:
    // The entry point `name`, loading the library first if need be; none (with the failure
    // status set) when the library or the entry is missing.
    void* Entry(void*& slot, const char* name);
    bool Load();
    bool FindStatus();
    void Unload();
    void Fail(int systemError);
    // Copies the driver's status after a call.
    void TakeStatus();
    // Calls an entry point of type Fn with `args`; on a binding failure returns `failed`.
    template <class Fn, class... Args> int Call(void*& slot, const char* name, int failed, Args... args);

    std::vector<std::string> libraries_;
    void* library_ = nullptr;
    // ibsta, iberr, ibcntl: exported variables, or functions that return them.
    void* status_[3] = {};
    bool statusInVariables_ = false;

    void* ibconfig_ = nullptr;
    void* ibdev_ = nullptr;
    void* ibonl_ = nullptr;
    void* ibwrt_ = nullptr;
    void* ibrd_ = nullptr;
    void* ibtmo_ = nullptr;

    int ibsta_ = 0;
    int iberr_ = 0;
    int ibcnt_ = 0;
    long ibcntl_ = 0;
};

} // namespace NuvixParser
