// TGpibSimBus: a GPIB board with simulated instruments at its primary addresses, driven
// through the calls of a GPIB driver library.
#pragma once

#include <array>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "instruments/sim/instrument_file.h"

namespace NuvixParser {

class TInstrumentSim;

// The status a driver call leaves (ibsta, iberr, ibcntl).
struct TGpibSimStatus {
    int sta = 0;
    int err = 0;
    long count = 0;
};

// Board 0 is the only board. A device descriptor reaches the instrument at its address, if
// any: a write hands the bytes to it as one message (EOI ends a command, so the file's
// terminator is optional) and queues its answers; a read takes from the first queued
// answer, with END after its last byte. Timing follows the descriptor's time-out code: a
// read waits for an answer delayed by the file's `delay:`, and when none comes in time
// ends with TIMO and ERR (iberr EABO). An address without an instrument has no listener:
// reads and writes fail with ERR and ENOL. Not thread-safe.
class TGpibSimBus {
public:
    TGpibSimBus();
    ~TGpibSimBus();
    TGpibSimBus(const TGpibSimBus&) = delete;
    TGpibSimBus& operator=(const TGpibSimBus&) = delete;

    // Puts the instrument `file` at `address` (0 to 30); false with `error` when its
    // responses or init scripts fail.
    bool Attach(int address, TInstrumentFile file, std::string& error);

    // The driver calls, with the results and status the Linux GPIB library gives.
    int Config(int ud, int option, int value);
    int Dev(int board, int pad, int sad, int tmo, int eot, int eos);
    int Online(int ud, int online);
    int Write(int ud, const void* buffer, long count);
    int Read(int ud, void* buffer, long count);
    int Timeout(int ud, int code);

    // The status of the last call.
    const TGpibSimStatus& Status() const { return status_; }

private:
    using TClock = std::chrono::steady_clock;

    struct TQueuedAnswer {
        std::string bytes;
        std::size_t taken = 0; // read so far
        TClock::time_point ready;
    };
    struct TDevice {
        std::unique_ptr<TInstrumentSim> sim;
        std::deque<TQueuedAnswer> answers;
    };
    struct TDescriptor {
        int address = 0;
        int timeoutCode = 0;
        bool online = false;
    };

    // The open descriptor `ud`, or none with the status of a bad descriptor set.
    TDescriptor* Descriptor(int ud);
    // The instrument of a descriptor, or none with the status of no listener set.
    TDevice* Listener(const TDescriptor& d);
    int Done(int sta, long count = 0);
    int Failed(int err, int extra = 0);

    std::map<int, TDevice> devices_;          // by address
    std::vector<TDescriptor> descriptors_;    // descriptor kFirstDevice + i
    TGpibSimStatus status_;
};

} // namespace NuvixParser
