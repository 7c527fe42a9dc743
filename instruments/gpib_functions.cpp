// The ten GPIB functions and the registration table of the GPIB area.
#include "instruments/gpib_functions.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/builtin_call.h"
#include "engine/calc_info.h"
#include "engine/var_entry.h"
#include "instruments/byte_array.h"
#include "instruments/gpib_state.h"
#include "instruments/run_context.h"

namespace NuvixParser {
namespace {

constexpr int kMaxId = TGpibState::kDeviceCount - 1;
constexpr long kReadLnCount = 1024;
constexpr double kMaxReadCount = 65535;

// The check of every range: as given, before truncation, so 255.5 and -0.5 are out; a
// value that is not a number is out too.
bool InRange(double v, double low, double high) {
    return v >= low && v <= high;
}

// Every function checks its id before anything else; `message` is its error.
bool CheckId(TCalcInfo& ci, double id, const char* message) {
    if (InRange(id, 0, kMaxId)) return true;
    ci.SetError(message);
    return false;
}

// A device of the run's calculator, opened if it was not yet: absent when it cannot be
// opened (or the run has no GPIB devices).
struct TDevice {
    TGpibDriver* driver = nullptr;
    int descriptor = -1;
    bool Present() const { return driver && descriptor >= 0; }
};

TDevice OpenDevice(TCalcInfo& ci, double id) {
    TGpibState* gpib = GpibStateOf(ci);
    if (!gpib) return {};
    const int descriptor = gpib->Device(static_cast<int>(id));
    return {&gpib->Driver(), descriptor};
}

bool Succeeded(int status) {
    return (status & kGpibErr) == 0;
}

// One ibrd of up to `count` bytes; the bytes read, or none when the status has one of
// `failBits`. The count the driver reports is believed only between 0 and `count`: a driver
// that reports more must not make us read past the buffer.
std::optional<std::string> ReadOnce(const TDevice& device, std::size_t count, int failBits) {
    // One byte more than asked for, as drivers that end what they read with a zero expect.
    std::vector<char> buffer(count + 1, '\0');
    const int status = device.driver->Ibrd(device.descriptor, buffer.data(), static_cast<long>(count));
    if (status & failBits) return std::nullopt;
    const long reported = device.driver->Ibcntl();
    const std::size_t n = reported <= 0 ? 0 : std::min(static_cast<std::size_t>(reported), count);
    return std::string(buffer.data(), n);
}

int Write(const TDevice& device, std::string_view bytes) {
    const int status = device.driver->Ibwrt(device.descriptor, bytes.data(), static_cast<long>(bytes.size()));
    return Succeeded(status) ? -1 : 0;
}

// gpibprintln and gpibprint send the same bytes.
double WriteText(TCalcInfo& ci, double id, const std::string& text, const char* message) {
    if (!CheckId(ci, id, message)) return 0;
    const TDevice device = OpenDevice(ci, id);
    return device.Present() ? Write(device, text) : 0;
}

// -1 when the write succeeded, else 0. Each element is sent as one byte (see BytesOfArray).
void GpibWriteBin(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const double id = f.Value(0).GetNumber();
    if (!CheckId(ci, id, "GPIBWriteBin: Illegal GPIB id")) return;
    const TDevice device = OpenDevice(ci, id);
    if (device.Present()) result.SetNumber(Write(device, BytesOfArray(*f.Array(1))));
}

// One read of up to c bytes: -1 when it succeeded, the array then holding exactly the bytes
// read; else 0, leaving the array as it was.
void GpibReadBin(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const double id = f.Value(0).GetNumber();
    // This function reports a bad id with the text of gpibwritebin.
    if (!CheckId(ci, id, "GPIBWriteBin: Illegal GPIB id")) return;
    const TDevice device = OpenDevice(ci, id);
    if (!device.Present()) return;
    const std::int32_t count = std::max(f.Value(2).GetInt(), std::int32_t{0});
    const std::optional<std::string> bytes = ReadOnce(device, static_cast<std::size_t>(count), kGpibErr);
    // What an array cannot hold is not read into it at all.
    if (bytes && SetArrayToBytes(*f.Array(1), *bytes)) result.SetNumber(-1);
}

// -1 when the write succeeded, else 0. The whole text is sent, zero bytes included, with
// no line end added: the driver marks its last byte with EOI.
double GpibPrintLn(TBuiltinCall& f, TCalcInfo& ci) {
    return WriteText(ci, f.Value(0).GetNumber(), f.Value(1).ToString(), "GPIBPrintLn: Illegal GPIB id");
}

// As gpibprintln: c is evaluated but the whole text is sent all the same.
double GpibPrint(TBuiltinCall& f, TCalcInfo& ci) {
    return WriteText(ci, f.Value(0).GetNumber(), f.Value(1).ToString(), "GPIBPrint: Illegal GPIB id");
}

// One read of up to 1024 bytes, ended by EOI: the bytes read (zero bytes included), or
// the empty text when the device is absent or the driver reports ERR or TIMO.
void GpibReadLn(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const double id = f.Value(0).GetNumber();
    if (!CheckId(ci, id, "GPIBReadLn: Illegal GPIB id")) return;
    const TDevice device = OpenDevice(ci, id);
    std::optional<std::string> line;
    if (device.Present()) line = ReadOnce(device, kReadLnCount, kGpibErr | kGpibTimo);
    result.SetString(line ? std::move(*line) : std::string());
}

// As gpibreadln for up to c bytes (0 to 65535; 0 is a read of none).
void GpibRead(TBuiltinCall& f, TCalcInfo& ci, TReturnValue& result) {
    result.SetNumber(0);
    const double id = f.Value(0).GetNumber();
    if (!CheckId(ci, id, "GPIBRead: Illegal GPIB id")) return;
    const double count = f.Value(1).GetNumber();
    if (!InRange(count, 0, kMaxReadCount)) {
        ci.SetError("GPIBRead: Illegal byte count");
        return;
    }
    const TDevice device = OpenDevice(ci, id);
    std::optional<std::string> bytes;
    if (device.Present()) bytes = ReadOnce(device, static_cast<std::size_t>(count), kGpibErr | kGpibTimo);
    result.SetString(bytes ? std::move(*bytes) : std::string());
}

// -1 once the code (1 to 17) was passed to the driver, whatever it answered; 0 when the
// device is absent.
double GpibTimeout(TBuiltinCall& f, TCalcInfo& ci) {
    const double id = f.Value(0).GetNumber();
    if (!CheckId(ci, id, "GPIBTimeout: Illegal GPIB id")) return 0;
    const double code = f.Value(1).GetNumber();
    if (!InRange(code, 1, 17)) {
        ci.SetError("GPIBTimeout: Illegal timeout value");
        return 0;
    }
    const TDevice device = OpenDevice(ci, id);
    if (!device.Present()) return 0;
    // The driver's answer is left to gpibsta.
    device.driver->Ibtmo(device.descriptor, static_cast<int>(code));
    return -1;
}

// -1 when ibsta lacks ERR afterwards, else 0 (an unchanged board calls no driver, so the
// last call's status decides).
double GpibBoard(TBuiltinCall& f, TCalcInfo& ci) {
    const double board = f.Value(0).GetNumber();
    if (!InRange(board, 0, TGpibState::kMaxBoard)) {
        ci.SetError("GPIBBoard: Illegal GPIB board number");
        return 0;
    }
    TGpibState* gpib = GpibStateOf(ci);
    if (!gpib) return 0;
    gpib->SelectBoard(board, static_cast<int>(board));
    return Succeeded(gpib->Driver().Ibsta()) ? -1 : 0;
}

// Without GPIB devices no driver could be found: the status of a missing one.
double GpibSta(TBuiltinCall&, TCalcInfo& ci) {
    TGpibState* gpib = GpibStateOf(ci);
    return gpib ? gpib->Driver().Ibsta() : kGpibErr;
}

double GpibErr(TBuiltinCall&, TCalcInfo& ci) {
    TGpibState* gpib = GpibStateOf(ci);
    return gpib ? gpib->Driver().Iberr() : kGpibEdvr;
}

constexpr TBuiltin kGpibFunctions[] = {
    {.name = "gpibwritebin",
     .params = "na",
     .paramText = "id;arr[]",
     .description = "This writes the array <arr> as binary data to device with id <id>. Each element of <arr> is "
                    "converted into its ASCII value and transmitted as one byte. Using this function it is possible "
                    "totransmit binary data also containing zeros etc.. The function returns true (-1) if the write "
                    "was successful.",
     .example = "a[0]=0, a[1]=32, gpibwritebin(5;a[])",
     .explanation = "This two bytes 0 and 32 to GPIB device 5.",
     .seeAlso = "gpibreadbin(id;arr;c),gpibprint(id;s;c),gpibprintln(id;s)",
     .where = "GPIBWriteBin",
     .value = GpibWriteBin},
    {.name = "gpibreadbin",
     .params = "nan",
     .paramText = "id;arr[];c",
     .description = "This reads maximal <c> count bytes from device with id <id> and puts the ASCII values into array "
                    "<arr[]>.This function is used to receive binary data also containing zeros etc.. The function "
                    "returns true (-1) if the read was successful.",
     .example = "gpibreadbin(5;a[];999),\nforeach(i;a[];\n println('Byte ' +string(i)+': '+dez2hex(a[i]))\n)",
     .explanation = "This reads a maximum of 999 bytes from device 5 and prints the result to the console.",
     .seeAlso = "gpibwritebin(id;arr[]),gpibread(id;c),gpibprintln(id;s)",
     .where = "GPIBReadBin",
     .value = GpibReadBin},
    {.name = "gpibprintln",
     .params = "nv",
     .paramText = "id;s",
     .description = "This writes the string <s> to GPIB device with id <id>. The function returns true (-1) when the "
                    "write was successful.",
     .example = "gpibprintln(5;'READ?'),println(gpibreadln(5))",
     .explanation = "This writes the string 'READ?' to GPIB device 5 and prints to the console whatever is read back.",
     .seeAlso = "gpibprint(id;s;c),gpibreadln(id)",
     .number = GpibPrintLn},
    {.name = "gpibprint",
     .params = "nvn",
     .paramText = "id;s;c",
     .description = "This writes the first <c> bytes of string <s> to GPIB device with id <id>. The function returns "
                    "true (-1) when the write was successful.",
     .example = "gpibprint(3;'READ?';5),println(gpibreadln(3))",
     .explanation = "This writes the string 'READ?' to GPIB device 3 and prints to the console whatever is read back.",
     .seeAlso = "gpibprintln(id;s),gpibread(id;c)",
     .number = GpibPrint},
    {.name = "gpibreadln",
     .params = "n",
     .paramText = "id",
     .description = "This reads a line (terminated by EOI) from the device with id <id> and returns it as a string. "
                    "This function never reads more than 1024 bytes. To read more bytes, use the gpibread(id;c) function.",
     .example = "gpibprintln(3;'READ?'),println(gpibreadln(3))",
     .explanation = "This writes the string 'READ?' to GPIB device 3 and prints to the console whatever is read back.",
     .seeAlso = "gpibread(id;c),gpibprintln(id;s)",
     .value = GpibReadLn},
    {.name = "gpibread",
     .params = "nn",
     .paramText = "id;c",
     .description = "This reads (a maximum of) <c> bytes from the device with id <id> and returns it as a string. ",
     .example = "println(gpibread(3;5))",
     .explanation = "This reads 5 bytes from the device with id 3 and prints it to the console.",
     .seeAlso = "gpibreadln(id)",
     .value = GpibRead},
    {.name = "gpibtimeout",
     .params = "nn",
     .paramText = "id;t",
     .description = "This sets the timeout interval for device with id <id> to <t>. <t> is a value from 1 to 17. The "
                    "function returns true (-1) when the operation was successfull.The timout value affects read and "
                    "write operations. The following table describes the timeout period depending on <t>:"
                    "\n1:  10 \xB5s\n2:  30 \xB5s\n3:  100 \xB5s\n4:  300 \xB5s\n5:  1 ms\n6:  3 ms\n7:  10 ms"
                    "\n8:  30 ms\n9:  100 ms\n10: 300 ms\n11: 1 s\n12: 3 s\n13: 10 s\n14: 30 s\n15: 100 s"
                    "\n16: 300 s\n17: 1000 s",
     .number = GpibTimeout},
    {.name = "gpibboard",
     .params = "n",
     .paramText = "b",
     .description = "This function is used when there exist multiple GPIB cards in a single computer. The function "
                    "makes board number <b> the active GPIB board. All following GPIB functions then use this board. "
                    "The first board has the number 0, the second board has number 1 etc.. The return value is true "
                    "(-1) if the operation was successful.",
     .example = "gpibboard(1),gpibprintln(2;'READ?')",
     .explanation = "This writes the string 'READ?' to device number 2 connected to board 1",
     .number = GpibBoard},
    {.name = "gpibsta",
     .params = "",
     .paramText = "",
     .description = "This returns the GPIB status flag ibsta. Refer to the GPIB card documentation to get a description "
                    "of this variable.",
     .number = GpibSta},
    {.name = "gpiberr",
     .params = "",
     .paramText = "",
     .description = "This returns the GPIB error variable iberr. Refer to the GPIB card documentation to get a "
                    "description of this variable.",
     .number = GpibErr},
};

} // namespace

std::span<const TBuiltin> GpibFunctionTable() {
    return kGpibFunctions;
}

} // namespace NuvixParser
