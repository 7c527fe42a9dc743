// A text output window for tests: records the calls of print, println and cleartext.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calc_info.h"
#include "instruments/calculator.h"
#include "instruments/comm_parser.h"
#include "instruments/run_context.h"
#include "instruments/text_output.h"

namespace NuvixTest {

enum class TOutputKind { Print, PrintLine, Clear };

struct TOutputCall {
    TOutputKind kind;
    std::string text; // empty for Clear
    bool operator==(const TOutputCall&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const TOutputCall& c) {
    const char* kind = c.kind == TOutputKind::Print ? "Print" : c.kind == TOutputKind::PrintLine ? "PrintLine" : "Clear";
    return os << "{" << kind << ", \"" << c.text << "\"}";
}

class TRecordingOutput final : public NuvixParser::TTextOutput {
public:
    void Print(std::string_view text) override { calls.push_back({TOutputKind::Print, std::string(text)}); }
    void PrintLine(std::string_view text) override {
        calls.push_back({TOutputKind::PrintLine, std::string(text)});
    }
    void Clear() override { calls.push_back({TOutputKind::Clear, ""}); }

    std::vector<TOutputCall> calls;
};

// Compiles and runs a script with a TCommParser of the calculator's function set whose run
// reaches `windows`: its result text, "Error: ..." or "Syntax: ...", as NuvixTest::Eval
// reports them for the plain parser. With `breakFirst` the run starts with a break
// requested.
inline std::string EvalWith(std::string_view text, NuvixParser::TRunContext windows, bool breakFirst = false) {
    NuvixParser::TGlobalVarList globals;
    NuvixParser::TCommParser parser(globals, NuvixParser::CalculatorRegistry());
    parser.SetText(text);
    if (!parser.Compile()) return "Syntax: " + parser.ErrorMessage();
    parser.Rebind();
    NuvixParser::TCalcInfo ci;
    ci.context = &windows;
    ci.Reset();
    if (breakFirst) ci.RequestBreak();
    const NuvixParser::TReturnValue v = parser.Calculate(ci);
    return ci.error ? "Error: " + ci.errorMessage : v.ToString();
}

// The same with a text output window only (none: no window at all).
inline std::string EvalComm(std::string_view text, NuvixParser::TTextOutput* output = nullptr) {
    return EvalWith(text, {output, nullptr, nullptr});
}

} // namespace NuvixTest
