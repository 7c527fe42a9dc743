// TInstrumentSim: a simulated instrument that answers commands as its instrument file says.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/var_handler.h"
#include "instruments/sim/instrument_file.h"

namespace NuvixParser {

class TParser;

// What to send back for one command, and when.
struct TInstrumentAnswer {
    std::string bytes; // with the answer terminator; empty: nothing to send
    int delayMs = 0;
};

// The responses are compiled once, each by a parser of the standard functions over one
// list of $ variables, and evaluated for every command they match: the first matching
// rule answers. Bytes arrive in any pieces; Receive cuts them into commands.
class TInstrumentSim {
public:
    explicit TInstrumentSim(TInstrumentFile file);
    ~TInstrumentSim();
    TInstrumentSim(const TInstrumentSim&) = delete;
    TInstrumentSim& operator=(const TInstrumentSim&) = delete;

    // False with `error` when an init script or a response does not compile, or an init
    // script fails.
    bool Start(std::string& error);
    // The answers to the commands that `bytes` completes, in order (the echo first, if on).
    std::vector<TInstrumentAnswer> Receive(std::string_view bytes);
    // The bytes received since the last terminator, taken as a command of their own: on a
    // GPIB bus the end of a message (EOI) ends a command whatever its last byte is. None
    // when nothing is pending or no rule matches.
    std::optional<TInstrumentAnswer> EndMessage();
    // Forgets the bytes received since the last terminator (a client that hung up mid-command).
    void DropPending() { pending_.clear(); }
    // The answer to one command: none for a command no rule matches (an instrument stays
    // silent), and an "ERROR: ..." answer when the response fails to evaluate.
    std::optional<TInstrumentAnswer> Answer(std::string_view command);

private:
    TInstrumentFile file_;
    TGlobalVarList globals_;
    std::vector<std::unique_ptr<TParser>> responses_; // one per rule; none for an empty one
    std::vector<std::unique_ptr<TParser>> inits_;     // kept: they keep their $ variables
    std::string pending_;
};

} // namespace NuvixParser
