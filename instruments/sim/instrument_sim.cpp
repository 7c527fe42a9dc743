// TInstrumentSim: commands cut from the byte stream, matched and answered by evaluation.
#include "instruments/sim/instrument_sim.h"

#include "engine/calc_info.h"
#include "engine/parser.h"
#include "engine/var_entry.h"
#include "functions/standard_table.h"

namespace NuvixParser {
namespace {

// Sets the $ variable a response reads its command from.
void SetText(TParser& parser, std::string_view name, std::string_view text) {
    if (TVarEntry* e = parser.Store().GetScalar(name)) e->SetString(text);
}

} // namespace

TInstrumentSim::TInstrumentSim(TInstrumentFile file) : file_(std::move(file)) {}

TInstrumentSim::~TInstrumentSim() = default;

// The responses are bound before the init scripts run: a $ variable lives only while some
// parser uses it, so what an init script sets must already have its readers.
bool TInstrumentSim::Start(std::string& error) {
    for (const TInstrumentRule& rule : file_.rules) {
        if (rule.response.empty()) {
            responses_.push_back(nullptr);
            continue;
        }
        auto parser = std::make_unique<TParser>(globals_, StandardRegistry());
        parser->SetText(rule.response);
        if (!parser->Compile()) {
            error = "response of '" + rule.pattern + "': " + parser->ErrorMessage();
            return false;
        }
        parser->Rebind();
        responses_.push_back(std::move(parser));
    }
    for (const std::string& script : file_.init) {
        auto init = std::make_unique<TParser>(globals_, StandardRegistry());
        init->SetText(script);
        if (!init->Compile()) {
            error = "init '" + script + "': " + init->ErrorMessage();
            return false;
        }
        init->Rebind();
        TCalcInfo ci;
        init->Calculate(ci);
        if (ci.error) {
            error = "init '" + script + "': " + ci.errorMessage;
            return false;
        }
        inits_.push_back(std::move(init));
    }
    return true;
}

std::optional<TInstrumentAnswer> TInstrumentSim::Answer(std::string_view command) {
    std::string arg;
    for (std::size_t i = 0; i < file_.rules.size(); ++i) {
        const TInstrumentRule& rule = file_.rules[i];
        if (!MatchCommand(rule.pattern, command, arg)) continue;
        TInstrumentAnswer answer{{}, rule.delayMs};
        TParser* response = responses_[i].get();
        if (!response) return answer;
        SetText(*response, "$cmd", command);
        SetText(*response, "$arg", arg);
        TCalcInfo ci;
        const TReturnValue value = response->Calculate(ci);
        answer.bytes = ci.error ? "ERROR: " + ci.errorMessage : value.ToString();
        // A setting command answers nothing: its response ends with the empty text.
        if (!answer.bytes.empty()) answer.bytes += file_.answerTerminator;
        return answer;
    }
    return std::nullopt;
}

std::vector<TInstrumentAnswer> TInstrumentSim::Receive(std::string_view bytes) {
    std::vector<TInstrumentAnswer> answers;
    if (file_.echo && !bytes.empty()) answers.push_back({std::string(bytes), 0});
    pending_.append(bytes);
    std::size_t end;
    while ((end = pending_.find(file_.terminator)) != std::string::npos) {
        const std::string command = pending_.substr(0, end);
        pending_.erase(0, end + file_.terminator.size());
        if (auto answer = Answer(command)) answers.push_back(std::move(*answer));
    }
    return answers;
}

std::optional<TInstrumentAnswer> TInstrumentSim::EndMessage() {
    if (pending_.empty()) return std::nullopt;
    const std::string command = std::move(pending_);
    pending_.clear();
    return Answer(command);
}

} // namespace NuvixParser
