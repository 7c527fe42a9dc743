// TRegexp: the small line-oriented pattern language of match, compiled to a 128-byte program.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace NuvixParser {

// Asked now and then by a long search (a text of many megabytes, or backtracking, which
// can take minutes): a search told to stop ends at once and reports no match.
class TStopRequest {
public:
    virtual bool Requested() const = 0;

protected:
    ~TStopRequest() = default;
};

// Patterns know anchors (^ first, $ last), '.', classes [a-z] and [^...], the repetitions
// ? * + on one element, and backslash escapes. A pattern is compiled once into a fixed
// program inside the object, so neither compiling nor Find allocates.
class TRegexp {
public:
    static constexpr std::size_t kProgramSize = 128;

    // Compile results. 2 (no memory) is never produced: the program lives in the object.
    enum TStatus : std::int32_t {
        kOk = 0,
        kBadStart = 1, // empty, or starting with '*', '+', '?' or a line feed
        kTooLong = 3,  // does not fit the program, or a repetition of an anchor or repetition
    };

    explicit TRegexp(std::string_view pattern);

    TStatus Status() const { return status_; }

    // Searches `text` from byte position `start`. Returns the position of the leftmost match
    // and stores its length, or returns -1 and stores 0 (also for a pattern that failed to
    // compile). A match that consumed nothing at position 0 reports length 1 (the first
    // byte, which for an empty text lies past its end); one at a later position reports
    // length 0. `stop`, when given, can end the search early (as no match).
    // The search runs the program as an automaton over the text, in one pass: its time grows
    // linearly with the text for any pattern.
    std::ptrdiff_t Find(std::string_view text, std::size_t start, std::size_t& length,
                        const TStopRequest* stop = nullptr) const;

    // The same search by backtracking, the way the pattern language describes matching.
    // It is the reference the automaton is tested against (unit tests and a fuzz target
    // compare the two), which is why it stays in the library next to the matcher it checks
    // rather than in a test folder: both read the same private program. Its time can grow
    // with the square of the text and beyond, so nothing else calls it.
    std::ptrdiff_t FindByBacktracking(std::string_view text, std::size_t start, std::size_t& length,
                                      const TStopRequest* stop = nullptr) const;

    // The compiled program (for tests of its encoding); complete only when Status() is kOk.
    const std::array<std::uint8_t, kProgramSize>& Program() const { return program_; }

private:
    class TSearch;
    enum class TMatcher { kAutomaton, kBacktracking };

    void Compile(std::string_view pattern);
    // What Find and FindByBacktracking share: the compile status, the empty text and how a
    // match is reported.
    std::ptrdiff_t Search(std::string_view text, std::size_t start, std::size_t& length,
                          const TStopRequest* stop, TMatcher matcher) const;
    // The leftmost match of the backtracker from `start` in a non-empty text.
    std::ptrdiff_t Backtrack(std::string_view text, std::size_t start, std::size_t& end,
                             const TStopRequest* stop) const;
    // The end position of a match of the program from `p` at `pos`, or -1.
    std::ptrdiff_t MatchHere(const std::uint8_t* p, std::size_t pos, TSearch& search) const;
    bool MatchesEmptyText() const;

    std::array<std::uint8_t, kProgramSize> program_{};
    TStatus status_ = kBadStart;
};

} // namespace NuvixParser
