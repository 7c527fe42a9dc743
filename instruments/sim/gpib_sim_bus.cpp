// TGpibSimBus: descriptors, messages to the instruments and their queued answers, time-outs.
#include "instruments/sim/gpib_sim_bus.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "instruments/gpib_driver_api.h"
#include "instruments/sim/instrument_sim.h"

namespace NuvixParser {
namespace {

// Device descriptors start above the board descriptors (0 to 20), as a driver's do.
constexpr int kFirstDevice = 32;
constexpr int kMaxAddress = 30;
constexpr int kMaxTimeoutCode = 17;

// The time-out codes T10us (1) to T1000s (17); code 0 (TNONE) waits without end.
std::chrono::microseconds TimeoutOf(int code) {
    static constexpr long long kMicroseconds[] = {
        0,      10,      30,       100,      300,       1000,      3000,       10000,      30000,
        100000, 300000,  1000000,  3000000,  10000000,  30000000,  100000000,  300000000,  1000000000,
    };
    return std::chrono::microseconds(kMicroseconds[code]);
}

} // namespace

TGpibSimBus::TGpibSimBus() = default;
TGpibSimBus::~TGpibSimBus() = default;

bool TGpibSimBus::Attach(int address, TInstrumentFile file, std::string& error) {
    // Echo belongs to serial lines; a GPIB instrument only talks when addressed.
    file.echo = false;
    auto sim = std::make_unique<TInstrumentSim>(std::move(file));
    if (!sim->Start(error)) return false;
    devices_[address] = TDevice{std::move(sim), {}};
    return true;
}

int TGpibSimBus::Done(int sta, long count) {
    status_ = {sta | kGpibCmpl, 0, count};
    return status_.sta;
}

int TGpibSimBus::Failed(int err, int extra) {
    status_ = {kGpibErr | extra, err, 0};
    return status_.sta;
}

TGpibSimBus::TDescriptor* TGpibSimBus::Descriptor(int ud) {
    const long i = static_cast<long>(ud) - kFirstDevice;
    if (i < 0 || i >= static_cast<long>(descriptors_.size()) || !descriptors_[static_cast<std::size_t>(i)].online) {
        Failed(kGpibEdvr);
        return nullptr;
    }
    return &descriptors_[static_cast<std::size_t>(i)];
}

TGpibSimBus::TDevice* TGpibSimBus::Listener(const TDescriptor& d) {
    const auto found = devices_.find(d.address);
    if (found != devices_.end()) return &found->second;
    Failed(kGpibEnol);
    return nullptr;
}

// A board descriptor: only board 0 exists; a device descriptor: any option is taken.
int TGpibSimBus::Config(int ud, int, int) {
    if (ud == 0) return Done(0);
    if (ud < kFirstDevice) return Failed(kGpibEneb);
    return Descriptor(ud) ? Done(0) : status_.sta;
}

int TGpibSimBus::Dev(int board, int pad, int sad, int tmo, int, int) {
    if (board != 0) {
        Failed(kGpibEneb);
        return -1;
    }
    if (pad < 0 || pad > kMaxAddress || sad != 0 || tmo < 0 || tmo > kMaxTimeoutCode) {
        Failed(kGpibEarg);
        return -1;
    }
    descriptors_.push_back({pad, tmo, true});
    Done(0);
    return kFirstDevice + static_cast<int>(descriptors_.size()) - 1;
}

int TGpibSimBus::Online(int ud, int online) {
    TDescriptor* d = Descriptor(ud);
    if (!d) return status_.sta;
    if (!online) d->online = false;
    return Done(0);
}

int TGpibSimBus::Timeout(int ud, int code) {
    TDescriptor* d = Descriptor(ud);
    if (!d) return status_.sta;
    if (code < 0 || code > kMaxTimeoutCode) return Failed(kGpibEarg);
    d->timeoutCode = code;
    return Done(0);
}

int TGpibSimBus::Write(int ud, const void* buffer, long count) {
    TDescriptor* d = Descriptor(ud);
    if (!d) return status_.sta;
    if (count < 0) return Failed(kGpibEarg);
    TDevice* device = Listener(*d);
    if (!device) return status_.sta;
    const std::string_view bytes(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
    std::vector<TInstrumentAnswer> answers = device->sim->Receive(bytes);
    if (auto last = device->sim->EndMessage()) answers.push_back(std::move(*last));
    const TClock::time_point now = TClock::now();
    for (TInstrumentAnswer& answer : answers) {
        if (answer.bytes.empty()) continue;
        device->answers.push_back({std::move(answer.bytes), 0, now + std::chrono::milliseconds(answer.delayMs)});
    }
    return Done(0, count);
}

int TGpibSimBus::Read(int ud, void* buffer, long count) {
    TDescriptor* d = Descriptor(ud);
    if (!d) return status_.sta;
    if (count < 0) return Failed(kGpibEarg);
    TDevice* device = Listener(*d);
    if (!device) return status_.sta;
    if (count == 0) return Done(0);
    const TClock::time_point start = TClock::now();
    const bool endless = d->timeoutCode == 0;
    const TClock::time_point limit = start + TimeoutOf(d->timeoutCode);
    // Nothing queued never arrives: without a time-out that fails at once rather than hang.
    if (device->answers.empty() || (!endless && device->answers.front().ready > limit)) {
        if (!endless) std::this_thread::sleep_until(limit);
        return Failed(kGpibEabo, kGpibTimo);
    }
    TQueuedAnswer& answer = device->answers.front();
    std::this_thread::sleep_until(answer.ready);
    const std::size_t n = std::min(static_cast<std::size_t>(count), answer.bytes.size() - answer.taken);
    std::memcpy(buffer, answer.bytes.data() + answer.taken, n);
    answer.taken += n;
    int sta = 0;
    if (answer.taken == answer.bytes.size()) {
        device->answers.pop_front();
        sta = kGpibEnd;
    }
    return Done(sta, static_cast<long>(n));
}

} // namespace NuvixParser
