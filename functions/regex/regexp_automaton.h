// The linear-time matcher of TRegexp: its program run as an automaton over the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace NuvixParser {

class TStopRequest;

// The leftmost match of a compiled program (complete, ended by its 0 byte) in a non-empty
// text, tried from the start positions `start` up to the last byte: returns its start
// position and stores its end, or returns -1. It is the match the backtracker finds, found
// in one pass over the text. A requested stop ends the search as no match.
std::ptrdiff_t FindByAutomaton(const std::uint8_t* program, std::string_view text, std::size_t start,
                               std::size_t& end, const TStopRequest* stop);

} // namespace NuvixParser
