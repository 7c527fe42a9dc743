// TSerialPorts: the ten serial port slots of a calculator, each with its own lock.
#pragma once

#include <array>
#include <memory>
#include <mutex>

#include "instruments/comm_handler.h"

namespace NuvixParser {

// Owned by the calculator and shared by its parsers (a clone sees the ports its original
// opened). A slot's lock is held for the whole of one port operation, a blocking read
// included; no lock spans two slots.
class TSerialPorts {
public:
    static constexpr int kPortCount = 10; // script port numbers 0 to 9: COM1 to COM10

    struct TSlot {
        std::mutex lock;
        std::unique_ptr<TCommHandler> handler; // none: the port is closed
    };

    static bool IsPortNumber(int port) { return port >= 0 && port < kPortCount; }
    TSlot& Slot(int port) { return slots_[static_cast<std::size_t>(port)]; }

    // Closes every port, taking each slot's lock in turn: the end of every run.
    void CloseAll();
    // How many ports are open (for tests and diagnostics).
    int OpenCount();

private:
    std::array<TSlot, kPortCount> slots_;
};

} // namespace NuvixParser
