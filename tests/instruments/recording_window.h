// A text output window for tests: records the messages print, println and cleartext send.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calc_info.h"
#include "engine/thread_messages.h"
#include "instruments/comm_parser.h"
#include "instruments/output_functions.h"
#include "instruments/output_messages.h"

namespace NuvixTest {

struct TOutputMessage {
    std::uint32_t id;
    std::string text; // the payload's text; empty for clear
    bool operator==(const TOutputMessage&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const TOutputMessage& m) {
    return os << "{0x" << std::hex << m.id << std::dec << ", \"" << m.text << "\"}";
}

// Takes ownership of every payload as the real windows do, so a leak or a double free
// shows up under the sanitizers. Installed as the output window while it lives.
class TRecordingWindow final : public NuvixParser::TWindowTarget {
public:
    TRecordingWindow() { NuvixParser::SetOutputWindow(this); }
    ~TRecordingWindow() override { NuvixParser::SetOutputWindow(nullptr); }
    TRecordingWindow(const TRecordingWindow&) = delete;
    TRecordingWindow& operator=(const TRecordingWindow&) = delete;

    bool PostMessage(std::uint32_t id, std::uintptr_t, std::intptr_t lParam) override {
        Record(id, lParam);
        ++posted;
        return true;
    }
    std::intptr_t SendMessage(std::uint32_t id, std::uintptr_t, std::intptr_t lParam) override {
        Record(id, lParam);
        return 1;
    }

    std::vector<TOutputMessage> messages;
    int posted = 0;

private:
    void Record(std::uint32_t id, std::intptr_t lParam) {
        if (id == NuvixParser::kMsgOutputClear) {
            messages.push_back({id, lParam == 0 ? "" : "(clear with a payload)"});
            return;
        }
        const auto text = NuvixParser::TakeOutputText(lParam);
        messages.push_back({id, text ? std::string(text.get()) : "(null payload)"});
    }
};

// Compiles and runs a script with a TCommParser: its result text, "Error: ..." or
// "Syntax: ...", as NuvixTest::Eval reports them for the plain parser.
inline std::string EvalComm(std::string_view text) {
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TCommParser parser(globals);
    parser.SetText(text);
    if (!parser.Compile()) return "Syntax: " + parser.ErrorMessage();
    parser.Rebind();
    NuvixParser::TCalcInfo ci;
    ci.Reset();
    const NuvixParser::TReturnValue v = parser.Calculate(ci);
    return ci.error ? "Error: " + ci.errorMessage : v.ToString();
}

} // namespace NuvixTest
