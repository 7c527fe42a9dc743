// The eight serial-port functions and the registration table of the serial area.
#include "instruments/serial_functions.h"

#include <cstdint>
#include <mutex>
#include <string>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "engine/var_entry.h"
#include "instruments/byte_array.h"
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

// 1 when the port was opened, else 0. Reopening an open port closes it first; a failed
// open leaves it closed.
double CommOpen(TBuiltinCall& f, TCalcInfo& ci) {
    const std::int32_t port = f.Value(0).GetInt();
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
    auto handler = std::make_unique<TCommHandler>(SerialDevicePath(port), f.Value(1).ToString(), f.Value(2).GetInt());
    if (!handler->Open()) return 0;
    slot.handler = std::move(handler);
    return 1;
}

// 0; closing a port that is not open is no error.
double CommClose(TBuiltinCall& f, TCalcInfo& ci) {
    const std::int32_t port = f.Value(0).GetInt();
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

// 0, also when the write failed. The text is written up to its first zero byte.
double CommWrite(TBuiltinCall& f, TCalcInfo& ci) {
    const std::string text = f.Value(1).ToString();
    WithOpenPort(ci, f.Value(0).GetInt(), [&](TCommHandler& h) { return h.Write(UpToZero(text), ci); });
    return 0;
}

// The line without its terminator (up to its first zero byte), or the number 0 when no
// complete line arrived in time.
void CommReadLn(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    std::string line;
    WithOpenPort(ci, f.Value(0).GetInt(), [&](TCommHandler& h) {
        const TCommEnd end = h.ReadLine(line, ci);
        if (end == TCommEnd::Done) result.SetString(UpToZero(line));
        return end;
    });
}

// The bytes that arrived (up to the first zero byte), possibly none.
void CommRead(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const std::int32_t port = f.Value(0).GetInt();
    if (!OpenSlot(ci, port)) return;
    const std::int32_t count = f.Value(1).GetInt();
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

// 1. The next commopen of the port brings the carriage return back.
double CommLineTerm(TBuiltinCall& f, TCalcInfo& ci) {
    std::string terminator = f.Value(1).ToString();
    WithOpenPort(ci, f.Value(0).GetInt(), [&](TCommHandler& h) {
        h.SetTerminator(std::move(terminator));
        return TCommEnd::Done;
    });
    return 1;
}

// The binary functions check their port number as commopen does, with messages of their own.
bool CheckBinaryPort(TCalcInfo& ci, std::int32_t port, const char* message) {
    if (TSerialPorts::IsPortNumber(port)) return true;
    ci.SetError(message);
    return false;
}

// One read of up to c bytes. 1 when bytes arrived: the array then holds exactly them (0 to
// 255); 0 when none did, leaving the array as it was.
void CommReadBin(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const std::int32_t port = f.Value(0).GetInt();
    if (!CheckBinaryPort(ci, port, "CommReadBin: Illegal port number") || !OpenSlot(ci, port)) return;
    TArrayEntry* array = f.Array(1);
    const std::int32_t count = f.Value(2).GetInt();
    WithOpenPort(ci, port, [&](TCommHandler& h) {
        const TCommRead read = h.ReadCounted(count > 0 ? static_cast<std::size_t>(count) : 0, ci);
        if (!read.bytes.empty() && SetArrayToBytes(*array, read.bytes)) result.SetNumber(1);
        return read.end;
    });
}

// 0. Each element is sent as one byte (see BytesOfArray).
void CommWriteBin(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const std::int32_t port = f.Value(0).GetInt();
    if (!CheckBinaryPort(ci, port, "CommWriteBin: Illegal comm port number") || !OpenSlot(ci, port)) return;
    const std::string bytes = BytesOfArray(*f.Array(1));
    WithOpenPort(ci, port, [&](TCommHandler& h) { return h.Write(bytes, ci); });
}

constexpr TBuiltin kSerialFunctions[] = {
    {.name = "commopen",
     .params = "nsn",
     .paramText = "portno;desc;timeout",
     .description = "Opens serial port number <portno> using communication parameters <desc> and a read timeout of "
                    "<timeout> milliseconds. <desc> is a string in the format:\n'baud=xxxx parity=x stop=x data=x'\nThe "
                    "first serial port has the port number 0. The port is automatically closed when the execution in "
                    "the calculator terminates. It also can be reopened without closing it to change for example the "
                    "baud rate etc.",
     .example = "commopen(0;'baud=9600 parity=N stop=1 data=8';3000),\ncommwrite(0;'hello')",
     .explanation = "This opens serial port 1 and writes 'hello' to it.",
     .seeAlso = "commclose(portno)",
     .number = CommOpen},
    {.name = "commclose",
     .params = "n",
     .paramText = "portno",
     .description = "This closes serial port number <portno> if it has been opened before. ",
     .seeAlso = "commopen(portno;descr;timeout)",
     .number = CommClose},
    {.name = "commwrite",
     .params = "nv",
     .paramText = "portno;s",
     .description = "This writes the string <s> to serial port number <portno>. The port must have been opened before "
                    "using the commopen() function.",
     .seeAlso = "commopen(portno;descr;timeout),commread(portno;count),commreadln(portno)",
     .number = CommWrite},
    {.name = "commreadln",
     .params = "n",
     .paramText = "portno",
     .description = "This reads a line from serial port number <portno> and returns it as a text string. The port must "
                    "have been opened before using the commopen() function. Per default the line is ended when a "
                    "carriage return character is read. This can be changed by using the commlineterm() function.",
     .seeAlso = "commopen(portno;descr;timeout),commread(portno;count),commlineterm(portno;s)",
     .value = CommReadLn},
    {.name = "commread",
     .params = "nn",
     .paramText = "portno;count",
     .description = "This reads <count> bytes from serial port number <portno> and returns it as a text string. ",
     .seeAlso = "commopen(portno;descr;timeout),commreadln(portno)",
     .value = CommRead},
    {.name = "commlineterm",
     .params = "nv",
     .paramText = "portno;s",
     .description = "This sets the line termination string for serial port number <portno>. The default line "
                    "termination string consists of the character chr(13) (carriage return). The port must have been "
                    "opened before using the commopen() function.",
     .seeAlso = "commopen(portno;descr;timeout),commreadln(portno)",
     .number = CommLineTerm},
    {.name = "commreadbin",
     .params = "nan",
     .paramText = "portno;arr[];c",
     .description = "This reads maximum of <c> count bytes from device with id <id> and puts the ASCII values into "
                    "array <arr[]>.This function is used to receive binary data also containing zeros etc.. The "
                    "function returns true (-1) if the read was successful.",
     .seeAlso = "commopen(portno;descr;timeout)",
     .where = "CommReadBin",
     .value = CommReadBin},
    {.name = "commwritebin",
     .params = "na",
     .paramText = "portno;arr[]",
     .description = "This writes the array <arr> as binary data to serial port number <portno>.Each element of <arr> is "
                    "converted into its ASCII value and transmitted as one byte. Using this function it is possible "
                    "totransmit binary data also containing zeros etc.. The port must have been opened before using "
                    "this function.",
     .seeAlso = "commopen(portno;descr;timeout)",
     .where = "CommWriteBin",
     .value = CommWriteBin},
};

} // namespace

std::span<const TBuiltin> SerialFunctionTable() {
    return kSerialFunctions;
}

} // namespace NuvixParser
