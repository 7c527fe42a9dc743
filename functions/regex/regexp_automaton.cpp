// The TRegexp program run as an automaton: every attempt advances together, one byte at a time.
#include "functions/regex/regexp_automaton.h"

#include <array>
#include <cstring>
#include <utility>

#include "functions/regex/regexp.h"
#include "functions/regex/regexp_program.h"

namespace NuvixParser {
namespace {

using namespace RegexpProgram;

// Why this finds the backtracker's match.
//
// The backtracker is a depth-first search with a fixed order of choices: an earlier start
// position before a later one and, at a star or plus, one more occurrence before leaving
// (trying the rest behind the longest run first, then one occurrence less, is exactly that
// order). '?' makes no choice: it takes its element whenever the element matches, and an
// anchor either holds or ends the path. The match reported is the first path in that order
// that reaches the end of the program.
//
// The automaton follows all paths at once, one text position at a time. A thread is a
// state of the program with the start position of its attempt; the live threads stand in a
// list in the order the backtracker would try them:
//
//   list at pos:        [ t1  t2  ...  | a new attempt at pos ]    most preferred first
//   step over byte pos:   t1's successors, then t2's, ... = the list at pos + 1
//
// Two threads in the same state at the same position have the same future, so only the
// first (preferred) one is kept: a list holds at most one thread per state, and each text
// byte costs at most one step per state. When a thread reaches the end of the program,
// every thread behind it is less preferred and is dropped, and no new attempt starts; the
// threads before it go on, and if one of them reaches the end later, its match is the one
// the backtracker would have found first, so it replaces the earlier one.

// The program as states: one per element, two for a plus (its first occurrence, then a
// loop like a star's). From each state the path goes on to the next one in the array; a
// loop that consumes a byte stays where it is.
enum class TKind : std::uint8_t {
    kConsume,   // one byte that the element accepts
    kLoop,      // a byte that the element accepts, staying; or on without one
    kOptional,  // the element's byte if it accepts it (then no other way), else on without one
    kBeginText, // on only at position 0
    kEndLine,   // on only at the end of the text or in front of a line feed
    kMatch,     // the end of the program
};

struct TState {
    TKind kind = TKind::kMatch;
    const std::uint8_t* element = nullptr; // the element a consuming state tests
};

// Every element takes at least one program byte and a plus (two states) at least two, so a
// program of 127 bytes before its 0 has at most 127 states, and one more for the end.
constexpr std::size_t kMaxStates = TRegexp::kProgramSize;

// A request to stop is asked for once per this many text positions.
constexpr std::size_t kAskEvery = std::size_t{1} << 14;

struct TThread {
    std::uint8_t state;
    std::size_t start;
};

class TThreadList {
public:
    void Clear() { count_ = 0; }
    bool Empty() const { return count_ == 0; }
    void Push(const TThread& t) { threads_[count_++] = t; }
    const TThread* begin() const { return threads_.data(); }
    const TThread* end() const { return threads_.data() + count_; }

private:
    // Never more than one thread per state: AddThread keeps the first one.
    std::array<TThread, kMaxStates> threads_;
    std::size_t count_ = 0;
};

class TAutomaton {
public:
    TAutomaton(const std::uint8_t* program, std::string_view text);
    std::ptrdiff_t Leftmost(std::size_t start, std::size_t& end, const TStopRequest* stop);

private:
    bool Accepts(const TState& s, std::size_t pos) const {
        return pos < text_.size() && ElementAccepts(s.element, static_cast<std::uint8_t>(text_[pos]));
    }
    void AddThread(TThreadList& list, std::size_t state, std::size_t start, std::size_t pos);
    std::size_t NextStart(std::size_t pos) const;

    const std::string_view text_;
    std::array<TState, kMaxStates> states_{};
    // addedAt_[s] is pos + 1 once the list of position pos has seen state s (0: never).
    std::array<std::size_t, kMaxStates> addedAt_{};
    std::array<TThreadList, 2> lists_;
};

TAutomaton::TAutomaton(const std::uint8_t* program, std::string_view text) : text_(text) {
    std::size_t count = 0;
    for (const std::uint8_t* p = program; *p != kEnd; p += ElementSize(p)) {
        switch (*p) {
        case kBeginText: states_[count++] = {TKind::kBeginText, nullptr}; break;
        case kEndLine: states_[count++] = {TKind::kEndLine, nullptr}; break;
        case kOptional: states_[count++] = {TKind::kOptional, p + 1}; break;
        case kStar: states_[count++] = {TKind::kLoop, p + 1}; break;
        case kPlus:
            states_[count++] = {TKind::kConsume, p + 1};
            states_[count++] = {TKind::kLoop, p + 1};
            break;
        default: states_[count++] = {TKind::kConsume, p}; break;
        }
    }
    states_[count] = {TKind::kMatch, nullptr};
}

// Adds the thread of `state` at `pos` to the list of pos, following the states it passes
// without consuming, in the backtracker's order: a loop's byte before going on.
void TAutomaton::AddThread(TThreadList& list, std::size_t state, std::size_t start, std::size_t pos) {
    for (;; ++state) {
        // A preferred thread was here first at this position: all that follows is known.
        if (addedAt_[state] == pos + 1) return;
        addedAt_[state] = pos + 1;
        const TState& s = states_[state];
        switch (s.kind) {
        case TKind::kMatch:
            list.Push({static_cast<std::uint8_t>(state), start});
            return;
        case TKind::kConsume:
            // Only a thread whose byte is there is kept: the step need not test it again.
            if (Accepts(s, pos)) list.Push({static_cast<std::uint8_t>(state), start});
            return;
        case TKind::kLoop:
            if (Accepts(s, pos)) list.Push({static_cast<std::uint8_t>(state), start});
            continue;
        case TKind::kOptional:
            if (Accepts(s, pos)) {
                list.Push({static_cast<std::uint8_t>(state), start});
                return;
            }
            continue;
        case TKind::kBeginText:
            if (pos != 0) return;
            continue;
        case TKind::kEndLine:
            if (!AtEndOfLine(text_, pos)) return;
            continue;
        }
    }
}

// The first position from pos where an attempt can begin: one whose byte the first element
// accepts when the program begins with a plain element (or a plus), else pos itself; the
// text's size when there is none.
std::size_t TAutomaton::NextStart(std::size_t pos) const {
    const TState& head = states_[0];
    if (head.kind != TKind::kConsume) return pos;
    const std::size_t n = text_.size();
    if (*head.element < 128) { // a literal (never 0, which ends the program)
        const void* hit = std::memchr(text_.data() + pos, *head.element, n - pos);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data()) : n;
    }
    while (pos < n && !Accepts(head, pos)) ++pos;
    return pos;
}

std::ptrdiff_t TAutomaton::Leftmost(std::size_t start, std::size_t& end, const TStopRequest* stop) {
    const std::size_t n = text_.size();
    const bool anchored = states_[0].kind == TKind::kBeginText;
    std::ptrdiff_t found = -1;
    TThreadList* now = &lists_[0];
    TThreadList* next = &lists_[1];
    std::size_t sinceAsked = 0;
    for (std::size_t pos = start;; ++pos) {
        // A new attempt at pos is the least preferred thread; there is none once a match is
        // known, at the position behind the last byte, or after 0 for a '^' pattern.
        const bool mayStart = found < 0 && pos < n && (!anchored || pos == 0);
        if (now->Empty()) {
            if (!mayStart) break;
            pos = NextStart(pos);
            if (pos == n) break;
        }
        if (mayStart) AddThread(*now, 0, pos, pos);

        next->Clear();
        for (const TThread& t : *now) {
            const TKind kind = states_[t.state].kind;
            if (kind == TKind::kMatch) {
                found = static_cast<std::ptrdiff_t>(t.start);
                end = pos;
                break; // the threads behind it are less preferred
            }
            const std::size_t to = kind == TKind::kLoop ? t.state : t.state + 1u;
            // Most steps end at a state that a preferred thread reached first (each loop's
            // thread behind the first one, in a chain of stars): a test here saves the call.
            if (addedAt_[to] != pos + 2) AddThread(*next, to, t.start, pos + 1);
        }
        std::swap(now, next);
        if (pos >= n) break;
        if (stop && ++sinceAsked == kAskEvery) {
            sinceAsked = 0;
            if (stop->Requested()) return -1;
        }
    }
    return found;
}

} // namespace

std::ptrdiff_t FindByAutomaton(const std::uint8_t* program, std::string_view text, std::size_t start,
                               std::size_t& end, const TStopRequest* stop) {
    TAutomaton automaton(program, text);
    return automaton.Leftmost(start, end, stop);
}

} // namespace NuvixParser
