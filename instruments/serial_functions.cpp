// The eight serial-port functions and the registration table of the serial area.
#include "instruments/serial_functions.h"

#include <cstdint>
#include <mutex>
#include <string>

#include "engine/calc_info.h"
#include "engine/stack_guard.h"
#include "engine/var_entry.h"
#include "instruments/run_context.h"
#include "instruments/serial_device_path.h"
#include "instruments/serial_ports.h"

namespace NuvixParser {
namespace {

// The check of every function but commopen and commclose: the slot of an open port, or
// none with the error set. It looks at the slot without its lock, which is sound because
// only the calculation thread opens and closes ports.
TSerialPorts::TSlot* OpenSlot(TCalcInfo& ci, std::int32_t port) {
    if (!TSerialPorts::IsPortNumber(port)) {
        ci.SetError("OpenComm: Illegal port number");
        return nullptr;
    }
    TSerialPorts* ports = SerialPortsOf(ci);
    TSerialPorts::TSlot* slot = ports ? &ports->Slot(port) : nullptr;
    if (!slot || !slot->handler) {
        ci.SetError("Port has not been opened");
        return nullptr;
    }
    return slot;
}

// Runs `work` on the open port under its slot's lock; a break while it waited ends the run.
template <class TWork> void WithOpenPort(TCalcInfo& ci, std::int32_t port, TWork work) {
    TSerialPorts::TSlot* slot = OpenSlot(ci, port);
    if (!slot) return;
    TCommEnd end;
    {
        const std::lock_guard<std::mutex> hold(slot->lock);
        end = work(*slot->handler);
    }
    if (end == TCommEnd::Breaked) ci.SetBreaked();
}

// Texts of the script end at their first zero byte.
std::string_view UpToZero(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

} // namespace

long double TOpenComm::Compute(TCalcInfo& ci) {
    const std::int32_t port = Value(0).GetInt();
    if (!TSerialPorts::IsPortNumber(port)) {
        ci.SetError("Illegal port number");
        return 0;
    }
    TSerialPorts* ports = SerialPortsOf(ci);
    if (!ports) return 0;
    TSerialPorts::TSlot& slot = ports->Slot(port);
    const std::lock_guard<std::mutex> hold(slot.lock);
    // Reopening needs no close; the old port is closed before the new one opens, so the
    // same device can be opened again.
    slot.handler.reset();
    auto handler = std::make_unique<TCommHandler>(SerialDevicePath(port), Value(1).ToString(), Value(2).GetInt());
    if (!handler->Open()) return 0;
    slot.handler = std::move(handler);
    return 1;
}

long double TCloseComm::Compute(TCalcInfo& ci) {
    const std::int32_t port = Value(0).GetInt();
    if (!TSerialPorts::IsPortNumber(port)) {
        ci.SetError("Illegal port number");
        return 0;
    }
    if (TSerialPorts* ports = SerialPortsOf(ci)) {
        TSerialPorts::TSlot& slot = ports->Slot(port);
        const std::lock_guard<std::mutex> hold(slot.lock);
        slot.handler.reset();
    }
    return 0;
}

long double TWriteComm::Compute(TCalcInfo& ci) {
    const std::string text = Value(1).ToString();
    WithOpenPort(ci, Value(0).GetInt(), [&](TCommHandler& h) { return h.Write(UpToZero(text), ci); });
    return 0;
}

void TReadComm::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (ci.error) return;
    std::string line;
    WithOpenPort(ci, Value(0).GetInt(), [&](TCommHandler& h) {
        const TCommEnd end = h.ReadLine(line, ci);
        if (end == TCommEnd::Done) result.SetString(UpToZero(line));
        return end;
    });
}

void TReadCommCnt::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (ci.error) return;
    const std::int32_t port = Value(0).GetInt();
    if (!OpenSlot(ci, port)) return;
    const std::int32_t count = Value(1).GetInt();
    if (count < 0) {
        ci.SetError("CommRead: Illegal char count");
        return;
    }
    WithOpenPort(ci, port, [&](TCommHandler& h) {
        TCommRead read = h.ReadCounted(static_cast<std::size_t>(count), ci);
        read.bytes.resize(UpToZero(read.bytes).size());
        result.SetString(std::move(read.bytes));
        return read.end;
    });
}

long double TLineTerm::Compute(TCalcInfo& ci) {
    std::string terminator = Value(1).ToString();
    WithOpenPort(ci, Value(0).GetInt(), [&](TCommHandler& h) {
        h.SetTerminator(std::move(terminator));
        return TCommEnd::Done;
    });
    return 1;
}

void TReadCommBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    if (!ArgIsArray(1)) {
        ci.SetError("CommReadBin: Second parameter is not an array");
        return;
    }
    TReturnValue portValue, countValue;
    if (!EvaluateArgument(0, ci, portValue) || !EvaluateArgument(2, ci, countValue)) return;
    result.SetNumber(0);
    const std::int32_t port = portValue.GetInt();
    if (port < 0 || port > 255) {
        ci.SetError("CommReadBin: Illegal port number");
        return;
    }
    if (!OpenSlot(ci, port)) return;
    TArrayEntry* array = ArgArray(1);
    if (!array) return;
    const std::int32_t count = countValue.GetInt();
    WithOpenPort(ci, port, [&](TCommHandler& h) {
        const TCommRead read = h.ReadCounted(count > 0 ? static_cast<std::size_t>(count) : 0, ci);
        if (read.bytes.empty()) return read.end;
        // The buffer holds only what arrived, so the array grows once, to that size.
        array->Clear();
        array->SetLength(static_cast<std::int64_t>(read.bytes.size()));
        double* elements = array->Data();
        for (std::size_t i = 0; i < read.bytes.size(); ++i)
            elements[i] = static_cast<unsigned char>(read.bytes[i]);
        result.SetNumber(1);
        return read.end;
    });
}

void TWriteCommBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    if (!ArgIsArray(1)) {
        ci.SetError("CommWriteBin: Second parameter is not an array");
        return;
    }
    TReturnValue portValue;
    if (!EvaluateArgument(0, ci, portValue)) return;
    result.SetNumber(0);
    const std::int32_t port = portValue.GetInt();
    if (port < 0 || port > 255) {
        ci.SetError("CommWriteBin: Illegal comm port number");
        return;
    }
    if (!OpenSlot(ci, port)) return;
    const TArrayEntry* array = ArgArray(1);
    if (!array) return;
    std::string bytes(static_cast<std::size_t>(array->Length()), '\0');
    for (std::int32_t i = 0; i < array->Length(); ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(DoubleToInt32(array->GetElement(i)) & 0xFF);
    WithOpenPort(ci, port, [&](TCommHandler& h) { return h.Write(bytes, ci); });
}

namespace {

constexpr TFunctionTableEntry kSerialFunctions[] = {
    {"commopen", &MakeFunction<TOpenComm>},         {"commclose", &MakeFunction<TCloseComm>},
    {"commwrite", &MakeFunction<TWriteComm>},       {"commreadln", &MakeFunction<TReadComm>},
    {"commread", &MakeFunction<TReadCommCnt>},      {"commlineterm", &MakeFunction<TLineTerm>},
    {"commreadbin", &MakeFunction<TReadCommBin>},   {"commwritebin", &MakeFunction<TWriteCommBin>},
};

} // namespace

std::span<const TFunctionTableEntry> SerialFunctionTable() {
    return kSerialFunctions;
}

} // namespace NuvixParser
