// Fuzz target: the GPIB functions over a driver that answers anything: random results,
// status words, counts and bytes from the driver double. Whatever it reports, a read
// returns no more than its buffer holds and the functions' results keep their ranges.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/calc_info.h"
#include "engine/var_entry.h"
#include "instruments/calculator.h"
#include "instruments/comm_parser.h"
#include "instruments/gpib_state.h"
#include "instruments/run_context.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/gpib_double/gpib_double_control.h"

namespace NuvixFuzz {
namespace {

using namespace NuvixParser;

// Takes fixed-size fields off the front of the input; zeros once it is used up.
class TInput {
public:
    TInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    template <class T> T Take() {
        T value{};
        const std::size_t n = std::min(sizeof value, size_);
        std::memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }
    std::string TakeBytes(std::size_t n) {
        n = std::min(n, size_);
        std::string bytes(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        size_ -= n;
        return bytes;
    }
    bool Empty() const { return size_ == 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// What one script may return: a number in [low, high], and for the array a[] each element
// a byte and at most `maxLength` of them.
struct TProbe {
    std::string script;
    double low;
    double high;
    std::int32_t maxLength = -1; // -1: the script has no array to check
};

TProbe ProbeFor(std::uint8_t op, std::uint16_t c) {
    const std::string count = std::to_string(c);
    switch (op % 8) {
    case 0: return {"length(gpibreadln(3))", 0, 1024};
    case 1: return {"length(gpibread(3;" + count + "))", 0, static_cast<double>(c)};
    case 2: return {"a[0]=7, gpibreadbin(3;a[];" + count + ")", -1, 0, std::max<std::int32_t>(c, 1)};
    case 3: return {"gpibprintln(3;'READ?')", -1, 0};
    case 4: return {"a[0]=1, a[1]=300, gpibwritebin(3;a[])", -1, 0};
    case 5: return {"gpibtimeout(3;" + std::to_string(1 + c % 17) + ")", -1, 0};
    case 6: return {"gpibboard(" + std::to_string(c % 21) + ")", -1, 0};
    default: return {"gpibreadln(3), gpibread(3;" + count + "), gpibsta() * 0", 0, 0};
    }
}

} // namespace

// The input: an operation byte, a count, then the double's answers to the calls one after
// another (the start's ibconfig, ibdev, the operation's own): result, status word, iberr,
// count reported, and the bytes a read delivers.
void FuzzGpibDriver(const std::uint8_t* data, std::size_t size) {
    static NuvixTest::TGpibDouble driverDouble(VARNEX_GPIB_DOUBLE);
    driverDouble.Reset();
    TInput in(data, size);
    const auto op = in.Take<std::uint8_t>();
    const auto c = in.Take<std::uint16_t>();
    for (int answers = 0; answers < 4 && !in.Empty(); ++answers) {
        const auto result = in.Take<std::int32_t>();
        const auto sta = in.Take<std::uint16_t>();
        const auto err = in.Take<std::uint8_t>();
        const auto reported = in.Take<std::int64_t>();
        const std::string bytes = in.TakeBytes(in.Take<std::uint16_t>() % 3000);
        driverDouble.Script(result, sta, err, static_cast<long>(reported), bytes);
    }

    const TProbe probe = ProbeFor(op, c);
    TGpibState gpib(std::make_unique<TGpibDriver>(std::vector<std::string>{VARNEX_GPIB_DOUBLE}));
    TGlobalVarList globals;
    TCommParser parser(globals, CalculatorRegistry());
    parser.SetText(probe.script);
    FUZZ_CHECK(parser.Compile());
    parser.Rebind();
    TRunContext context;
    context.gpib = &gpib;
    TCalcInfo ci;
    ci.context = &context;
    ci.Reset();
    const TReturnValue value = parser.Calculate(ci);
    FUZZ_CHECK(!ci.error);
    FUZZ_CHECK(!value.isString);
    FUZZ_CHECK(value.number >= probe.low && value.number <= probe.high);
    if (probe.maxLength < 0) return;
    const TArrayEntry* array = parser.Store().GetArray("a");
    FUZZ_CHECK(array != nullptr);
    FUZZ_CHECK(array->Length() <= probe.maxLength);
    for (std::int32_t i = 0; i < array->Length(); ++i) {
        const double element = array->GetElement(i);
        FUZZ_CHECK(element >= 0 && element <= 255);
    }
}

} // namespace NuvixFuzz
