// print, println and cleartext: each call is one blocking message to the text output window.
#include "instruments/output_functions.h"

#include <atomic>
#include <string>

#include "engine/thread_messages.h"
#include "instruments/output_messages.h"

namespace NuvixParser {
namespace {

// Written by the main thread between runs, read by the calculation thread during one.
std::atomic<TWindowTarget*> outputWindow{nullptr};

// Sends the text reading of the value. The send blocks until the window has placed the
// text, so output appears in call order and nothing is buffered on this side.
void SendText(std::uint32_t id, const TReturnValue& value) {
    TWindowTarget* window = OutputWindow();
    if (!window) return;
    char* payload = value.isString ? NewOutputText(value.text) : NewOutputText(FormatNumber(value.number));
    window->SendMessage(id, 0, reinterpret_cast<std::intptr_t>(payload));
}

} // namespace

void SetOutputWindow(TWindowTarget* window) {
    outputWindow.store(window, std::memory_order_release);
}

TWindowTarget* OutputWindow() {
    return outputWindow.load(std::memory_order_acquire);
}

long double TPrint::Compute(TCalcInfo&) {
    SendText(kMsgOutputPrint, Value(0));
    return 1;
}

long double TPrintln::Compute(TCalcInfo&) {
    SendText(kMsgOutputPrintln, Value(0));
    return 1;
}

long double TClearText::Compute(TCalcInfo&) {
    if (TWindowTarget* window = OutputWindow()) window->SendMessage(kMsgOutputClear, 0, 0);
    return 1;
}

namespace {

constexpr TFunctionTableEntry kOutputFunctions[] = {
    {"print", &MakeFunction<TPrint>},
    {"println", &MakeFunction<TPrintln>},
    {"cleartext", &MakeFunction<TClearText>},
};

} // namespace

std::span<const TFunctionTableEntry> OutputFunctionTable() {
    return kOutputFunctions;
}

} // namespace NuvixParser
