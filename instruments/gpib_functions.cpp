// The ten GPIB functions and the registration table of the GPIB area.
#include "instruments/gpib_functions.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/calc_info.h"
#include "engine/stack_guard.h"
#include "engine/var_entry.h"
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

// gpibwritebin and gpibreadbin do not evaluate their array: the other arguments are read
// into values of their own, so a call reached again from its own arguments cannot
// overwrite them.
bool EvaluateInto(TFunction& f, int i, TCalcInfo& ci, TReturnValue& v) {
    f.Arg(i)->Evaluate(ci, v);
    return !ci.error;
}

// gpibprintln and gpibprint send the same bytes.
long double WriteText(TCalcInfo& ci, double id, const std::string& text, const char* message) {
    if (!CheckId(ci, id, message)) return 0;
    const TDevice device = OpenDevice(ci, id);
    return device.Present() ? Write(device, text) : 0;
}

} // namespace

void TGPIBWriteBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    if (!ArgIsArray(1)) {
        ci.SetError("GPIBWriteBin: Second parameter is not an array");
        return;
    }
    TReturnValue idValue;
    if (!EvaluateInto(*this, 0, ci, idValue)) return;
    result.SetNumber(0);
    const double id = idValue.GetNumber();
    if (!CheckId(ci, id, "GPIBWriteBin: Illegal GPIB id")) return;
    const TDevice device = OpenDevice(ci, id);
    const TArrayEntry* array = ArgArray(1);
    if (!device.Present() || !array) return;
    std::string bytes(static_cast<std::size_t>(array->Length()), '\0');
    for (std::int32_t i = 0; i < array->Length(); ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(DoubleToInt32(array->GetElement(i)) & 0xFF);
    result.SetNumber(Write(device, bytes));
}

void TGPIBReadBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    if (StackExhausted(ci)) return;
    if (!ArgIsArray(1)) {
        ci.SetError("GPIBReadBin: Second parameter is not an array");
        return;
    }
    TReturnValue idValue, countValue;
    if (!EvaluateInto(*this, 0, ci, idValue) || !EvaluateInto(*this, 2, ci, countValue)) return;
    result.SetNumber(0);
    const double id = idValue.GetNumber();
    // This function reports a bad id with the text of gpibwritebin.
    if (!CheckId(ci, id, "GPIBWriteBin: Illegal GPIB id")) return;
    const TDevice device = OpenDevice(ci, id);
    TArrayEntry* array = ArgArray(1);
    if (!device.Present() || !array) return;
    const std::int32_t count = std::max(countValue.GetInt(), std::int32_t{0});
    const std::optional<std::string> bytes = ReadOnce(device, static_cast<std::size_t>(count), kGpibErr);
    // What an array cannot hold is not read into it at all.
    if (!bytes || static_cast<std::int64_t>(bytes->size()) > TArrayEntry::kMaxElements) return;
    // The bytes are all there, so the array grows once, to their number.
    array->Clear();
    array->SetLength(static_cast<std::int64_t>(bytes->size()));
    double* elements = array->Data();
    for (std::size_t i = 0; i < bytes->size(); ++i) elements[i] = static_cast<unsigned char>((*bytes)[i]);
    result.SetNumber(-1);
}

long double TGPIBWriteLn::Compute(TCalcInfo& ci) {
    return WriteText(ci, Value(0).GetNumber(), Value(1).ToString(), "GPIBPrintLn: Illegal GPIB id");
}

long double TGPIBWrite::Compute(TCalcInfo& ci) {
    return WriteText(ci, Value(0).GetNumber(), Value(1).ToString(), "GPIBPrint: Illegal GPIB id");
}

void TGPIBReadLn::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (ci.error) return;
    const double id = Value(0).GetNumber();
    if (!CheckId(ci, id, "GPIBReadLn: Illegal GPIB id")) return;
    const TDevice device = OpenDevice(ci, id);
    std::optional<std::string> line;
    if (device.Present()) line = ReadOnce(device, kReadLnCount, kGpibErr | kGpibTimo);
    result.SetString(line ? std::move(*line) : std::string());
}

void TGPIBRead::Evaluate(TCalcInfo& ci, TReturnValue& result) {
    TFunction::Evaluate(ci, result);
    if (ci.error) return;
    const double id = Value(0).GetNumber();
    if (!CheckId(ci, id, "GPIBRead: Illegal GPIB id")) return;
    const double count = Value(1).GetNumber();
    if (!InRange(count, 0, kMaxReadCount)) {
        ci.SetError("GPIBRead: Illegal byte count");
        return;
    }
    const TDevice device = OpenDevice(ci, id);
    std::optional<std::string> bytes;
    if (device.Present()) bytes = ReadOnce(device, static_cast<std::size_t>(count), kGpibErr | kGpibTimo);
    result.SetString(bytes ? std::move(*bytes) : std::string());
}

long double TGPIBTimout::Compute(TCalcInfo& ci) {
    const double id = Value(0).GetNumber();
    if (!CheckId(ci, id, "GPIBTimeout: Illegal GPIB id")) return 0;
    const double code = Value(1).GetNumber();
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

long double TGPIBBoard::Compute(TCalcInfo& ci) {
    const double board = Value(0).GetNumber();
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
long double TGPIBSta::Compute(TCalcInfo& ci) {
    TGpibState* gpib = GpibStateOf(ci);
    return gpib ? gpib->Driver().Ibsta() : kGpibErr;
}

long double TGPIBErr::Compute(TCalcInfo& ci) {
    TGpibState* gpib = GpibStateOf(ci);
    return gpib ? gpib->Driver().Iberr() : kGpibEdvr;
}

namespace {

constexpr TFunctionTableEntry kGpibFunctions[] = {
    {"gpibwritebin", &MakeFunction<TGPIBWriteBin>}, {"gpibreadbin", &MakeFunction<TGPIBReadBin>},
    {"gpibprintln", &MakeFunction<TGPIBWriteLn>},   {"gpibprint", &MakeFunction<TGPIBWrite>},
    {"gpibreadln", &MakeFunction<TGPIBReadLn>},     {"gpibread", &MakeFunction<TGPIBRead>},
    {"gpibtimeout", &MakeFunction<TGPIBTimout>},    {"gpibboard", &MakeFunction<TGPIBBoard>},
    {"gpibsta", &MakeFunction<TGPIBSta>},           {"gpiberr", &MakeFunction<TGPIBErr>},
};

} // namespace

std::span<const TFunctionTableEntry> GpibFunctionTable() {
    return kGpibFunctions;
}

} // namespace NuvixParser
