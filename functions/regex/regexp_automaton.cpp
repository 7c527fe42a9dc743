// The TRegexp program run as an automaton: every attempt advances together, one byte at a time.
#include "functions/regex/regexp_automaton.h"

#include <algorithm>
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
//
// Long texts mostly pass through steady stretches: '.*' running along a line, '[0-9]+'
// through a run of digits. Where a step leaves the list as it was (the same states in the
// same order, each thread keeping its start, and a new attempt again in the same place), the
// next step does the same as long as the bytes are alike to every state (a byte class: the
// same states accept them, and a line feed is alike only to itself). Such a run is passed
// over in one go, so a steady stretch costs a byte comparison per byte.

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
    TKind kind;
    const std::uint8_t* element; // the element a consuming state tests
};

// Every element takes at least one program byte and a plus (two states) at least two, so a
// program of 127 bytes before its 0 has at most 127 states, and one more for the end.
constexpr std::size_t kMaxStates = TRegexp::kProgramSize;

// Runs of alike bytes are looked for only this far from the end of the text.
constexpr std::size_t kShortestRun = 32;

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
    std::size_t Size() const { return count_; }
    void Push(const TThread& t) { threads_[count_++] = t; }
    TThread* begin() { return threads_.data(); }
    TThread* end() { return threads_.data() + count_; }
    const TThread* begin() const { return threads_.data(); }
    const TThread* end() const { return threads_.data() + count_; }

private:
    // Never more than one thread per state: AddThread keeps the first one.
    std::array<TThread, kMaxStates> threads_;
    std::size_t count_ = 0;
};

// What the automaton can tell about a byte: the consuming states that accept it (bit s for
// state s) and whether it is a line feed. Bytes with the same class are alike to it.
struct TByteClass {
    std::array<std::uint64_t, kMaxStates / 64> accepted;
    bool lineFeed;

    bool operator==(const TByteClass&) const = default;
};

class TAutomaton {
public:
    TAutomaton(const std::uint8_t* program, std::string_view text);
    std::ptrdiff_t Leftmost(std::size_t start, std::size_t& end, const TStopRequest* stop);

private:
    // Bytes with the same number are alike; worked out when a steady run first meets a byte.
    std::uint8_t ClassId(unsigned char c) { return classKnown_[c] ? classId_[c] : NewClassId(c); }
    std::uint8_t NewClassId(unsigned char c);
    bool Accepts(std::size_t state, std::size_t pos) const {
        return pos < text_.size() && ElementAccepts(states_[state].element, static_cast<std::uint8_t>(text_[pos]));
    }
    void AddThread(TThreadList& list, std::size_t state, std::size_t start, std::size_t pos);
    std::size_t NextStart(std::size_t pos) const;
    std::size_t SteadyRunEnd(const TThreadList& before, const TThreadList& now, std::size_t pos);

    const std::string_view text_;
    // Only the first stateCount_ entries of the arrays by state are used (and set): match
    // compiles and searches once per call, so a short search must not pay for the rest.
    std::size_t stateCount_ = 0;
    std::array<TState, kMaxStates> states_;
    // addedAt_[s] is pos + 1 once the list of position pos has seen state s (0: never).
    std::array<std::size_t, kMaxStates> addedAt_;
    std::array<bool, 256> classKnown_{};
    std::array<std::uint8_t, 256> classId_;
    std::array<TByteClass, 256> classes_; // the different classes met, by number
    std::size_t classCount_ = 0;
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
    stateCount_ = count + 1;
    std::fill_n(addedAt_.begin(), stateCount_, std::size_t{0});
}

std::uint8_t TAutomaton::NewClassId(unsigned char c) {
    TByteClass k;
    k.accepted.fill(0);
    k.lineFeed = c == '\n';
    for (std::size_t s = 0; s < stateCount_; ++s)
        if (states_[s].element && ElementAccepts(states_[s].element, c))
            k.accepted[s >> 6] |= std::uint64_t{1} << (s & 63);
    std::size_t id = 0;
    while (id < classCount_ && !(classes_[id] == k)) ++id;
    if (id == classCount_) classes_[classCount_++] = k; // at most 256 classes: one per byte
    classKnown_[c] = true;
    classId_[c] = static_cast<std::uint8_t>(id);
    return classId_[c];
}

// Adds the thread of `state` at `pos` to the list of pos, following the states it passes
// without consuming, in the backtracker's order: a loop's byte before going on.
void TAutomaton::AddThread(TThreadList& list, std::size_t state, std::size_t start, std::size_t pos) {
    for (;; ++state) {
        // A preferred thread was here first at this position: all that follows is known.
        if (addedAt_[state] == pos + 1) return;
        addedAt_[state] = pos + 1;
        switch (states_[state].kind) {
        case TKind::kMatch:
            list.Push({static_cast<std::uint8_t>(state), start});
            return;
        case TKind::kConsume:
            // Only a thread whose byte is there is kept: the step need not test it again.
            if (Accepts(state, pos)) list.Push({static_cast<std::uint8_t>(state), start});
            return;
        case TKind::kLoop:
            if (Accepts(state, pos)) list.Push({static_cast<std::uint8_t>(state), start});
            continue;
        case TKind::kOptional:
            if (Accepts(state, pos)) {
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
    while (pos < n && !Accepts(0, pos)) ++pos;
    return pos;
}

// `now` is the whole list at pos (its new attempt included), `before` the one at pos - 1.
// When the step between them left the list steady (see the top of the file), returns the
// last position q >= pos up to which the bytes are alike to the one at pos, so that the list
// at q is `now` with the new attempt's threads starting at q; else returns pos.
std::size_t TAutomaton::SteadyRunEnd(const TThreadList& before, const TThreadList& now, std::size_t pos) {
    const std::size_t n = text_.size();
    // The test costs as much as a step: only worth it where a long run may follow and the
    // next byte is alike.
    if (n - pos < kShortestRun || before.Size() != now.Size()) return pos;
    const auto c = static_cast<unsigned char>(text_[pos]);
    const std::uint8_t id = ClassId(c);
    const auto alike = [&](unsigned char d) { return d == c || ClassId(d) == id; };
    if (!alike(static_cast<unsigned char>(text_[pos + 1]))) return pos;
    for (auto b = before.begin(), t = now.begin(); t != now.end(); ++b, ++t) {
        if (b->state != t->state || states_[t->state].kind == TKind::kMatch) return pos;
        // A thread of the new attempt again, or one that kept a start from before pos - 1:
        // a thread of the attempt at pos - 1 would take the next attempt's start at pos + 1.
        const bool fresh = b->start == pos - 1 && t->start == pos;
        const bool kept = b->start == t->start && t->start + 1 < pos;
        if (!fresh && !kept) return pos;
    }
    std::size_t q = pos + 1;
    while (q + 1 < n && alike(static_cast<unsigned char>(text_[q + 1]))) ++q;
    return q;
}

std::ptrdiff_t TAutomaton::Leftmost(std::size_t start, std::size_t& end, const TStopRequest* stop) {
    const std::size_t n = text_.size();
    const bool anchored = states_[0].kind == TKind::kBeginText;
    std::ptrdiff_t found = -1;
    TThreadList* now = &lists_[0];
    TThreadList* next = &lists_[1]; // after a step: the list of the position before
    bool nextIsBefore = false;
    std::size_t askedAt = start;
    for (std::size_t pos = start;; ++pos) {
        // A new attempt at pos is the least preferred thread; there is none once a match is
        // known, at the position behind the last byte, or after 0 for a '^' pattern.
        const bool mayStart = found < 0 && pos < n && (!anchored || pos == 0);
        if (now->Empty()) {
            if (!mayStart) break;
            const std::size_t from = pos;
            pos = NextStart(pos);
            if (pos == n) break;
            nextIsBefore = nextIsBefore && pos == from;
        }
        if (mayStart) AddThread(*now, 0, pos, pos);
        if (nextIsBefore && pos > start) {
            const std::size_t q = SteadyRunEnd(*next, *now, pos);
            if (q != pos) {
                for (TThread& t : *now)
                    if (t.start == pos) t.start = q;
                pos = q;
            }
        }

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
        nextIsBefore = true;
        if (pos >= n) break;
        if (stop && pos - askedAt >= kAskEvery) {
            askedAt = pos;
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
