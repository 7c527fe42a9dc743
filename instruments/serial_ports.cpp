// TSerialPorts: closing every slot at the end of a run.
#include "instruments/serial_ports.h"

namespace NuvixParser {

void TSerialPorts::CloseAll() {
    for (TSlot& slot : slots_) {
        const std::lock_guard<std::mutex> hold(slot.lock);
        slot.handler.reset();
    }
}

int TSerialPorts::OpenCount() {
    int n = 0;
    for (TSlot& slot : slots_) {
        const std::lock_guard<std::mutex> hold(slot.lock);
        n += slot.handler != nullptr;
    }
    return n;
}

} // namespace NuvixParser
