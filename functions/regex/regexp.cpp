// Compiling patterns into the byte program of TRegexp; the search front end and the
// backtracking matcher that the automaton is checked against.
#include "functions/regex/regexp.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "functions/regex/regexp_automaton.h"
#include "functions/regex/regexp_program.h"

namespace NuvixParser {

using namespace RegexpProgram;

namespace {

int HexDigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

unsigned char UpperAscii(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

// The character of the escape whose backslash precedes pattern[i]; i moves past it.
// Letters count in either case; values above 255 keep their low 8 bits.
std::uint8_t ReadEscape(std::string_view pattern, std::size_t& i) {
    const std::size_t n = pattern.size();
    if (i >= n) return '\\'; // a trailing backslash stands for itself
    const unsigned char c = pattern[i++];
    switch (UpperAscii(c)) {
    case 'B': return 8;
    case 'E': return 27;
    case 'F': return 12;
    case 'N': return 10;
    case 'R': return 13;
    case 'S': return ' ';
    case 'T': return 9;
    case 'X': {
        unsigned value = 0; // \x with no digit is 0
        for (int k = 0; k < 3 && i < n; ++k, ++i) {
            const int d = HexDigitValue(static_cast<unsigned char>(pattern[i]));
            if (d < 0) break;
            value = value * 16 + static_cast<unsigned>(d);
        }
        return static_cast<std::uint8_t>(value);
    }
    case '^':
        // The control code of the next character; with none left, a literal '^'.
        if (i >= n) return '^';
        return static_cast<std::uint8_t>(UpperAscii(static_cast<unsigned char>(pattern[i++])) - 64);
    default: break;
    }
    if (c >= '0' && c <= '7') {
        unsigned value = c - '0';
        for (int k = 1; k < 3 && i < n && pattern[i] >= '0' && pattern[i] <= '7'; ++k, ++i)
            value = value * 8 + static_cast<unsigned>(pattern[i] - '0');
        return static_cast<std::uint8_t>(value);
    }
    return c;
}

// The members of a class while it is read: bit c of the 256 stands for the byte c.
struct TByteSet {
    std::uint64_t words[4] = {};

    void AddRange(unsigned from, unsigned to) {
        if (from > to) std::swap(from, to);
        for (unsigned w = from >> 6; w <= to >> 6; ++w) {
            const unsigned low = std::max(from, w * 64) & 63;
            const unsigned high = std::min(to, w * 64 + 63) & 63;
            words[w] |= (~std::uint64_t{0} >> (63 - (high - low))) << low;
        }
    }
    void Complement() {
        for (std::uint64_t& w : words) w = ~w;
    }
    bool HighIs(std::uint64_t pattern) const { return words[2] == pattern && words[3] == pattern; }
    // The program's form: byte k holds the members 8k to 8k + 7, lowest bit first.
    void WriteBytes(std::uint8_t* out, std::size_t count) const {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, words, count);
        } else {
            for (std::size_t k = 0; k < count; ++k)
                out[k] = static_cast<std::uint8_t>(words[k >> 3] >> (8 * (k & 7)));
        }
    }
};

// Reads a class body after its '[' up to and including the closing ']' (or the end of the
// pattern) into `set`.
void ReadClass(std::string_view pattern, std::size_t& i, TByteSet& set) {
    const std::size_t n = pattern.size();
    bool complement = false;
    if (i < n && pattern[i] == '^') {
        complement = true;
        ++i;
    }
    // The last single member, which a following '-' turns into the start of a range; none
    // at the start (so a leading '-' is a member) and none right after a range.
    int rangeStart = -1;
    while (i < n) {
        const unsigned char c = pattern[i++];
        if (c == ']') break;
        if (c == '-' && rangeStart >= 0 && i < n && pattern[i] != ']') {
            const unsigned char e = pattern[i++];
            const std::uint8_t end = e == '\\' ? ReadEscape(pattern, i) : e;
            set.AddRange(static_cast<unsigned>(rangeStart), end);
            rangeStart = -1;
            continue;
        }
        const std::uint8_t member = c == '\\' ? ReadEscape(pattern, i) : c;
        set.AddRange(member, member);
        rangeStart = member;
    }
    if (complement) set.Complement();
}

} // namespace

TRegexp::TRegexp(std::string_view pattern) {
    Compile(pattern);
}

void TRegexp::Compile(std::string_view pattern) {
    // The pattern is one line: it ends at a line feed or a zero byte.
    for (std::size_t k = 0; k < pattern.size(); ++k)
        if (pattern[k] == '\n' || pattern[k] == '\0') {
            pattern = pattern.substr(0, k);
            break;
        }
    const std::size_t n = pattern.size();
    if (n == 0 || pattern[0] == '*' || pattern[0] == '+' || pattern[0] == '?') {
        status_ = kBadStart;
        return;
    }

    std::uint8_t* const program = program_.data();
    std::size_t used = 0;
    // Start of the last element when a repetition may wrap it (a literal, '.', a class).
    std::size_t repeatable = SIZE_MAX;
    // Whether `count` more bytes and the final 0 still fit.
    auto fits = [&](std::size_t count) { return used + count + 1 <= kProgramSize; };
    auto emitLiteral = [&](std::uint8_t c) {
        if (c != 0 && c < 128) {
            program[used++] = c;
        } else {
            program[used++] = kEscaped;
            program[used++] = static_cast<std::uint8_t>(c - 127);
        }
    };

    for (std::size_t i = 0; i < n;) {
        const unsigned char c = pattern[i++];
        const std::size_t start = used;
        if (c == '*' || c == '+' || c == '?') {
            if (repeatable == SIZE_MAX || !fits(1)) {
                status_ = kTooLong;
                return;
            }
            std::memmove(program + repeatable + 1, program + repeatable, used - repeatable);
            program[repeatable] = c == '*' ? kStar : c == '+' ? kPlus : kOptional;
            ++used;
            repeatable = SIZE_MAX; // no repetition of a repetition
            continue;
        }
        if ((c == '^' && i == 1) || (c == '$' && i == n)) {
            if (!fits(1)) {
                status_ = kTooLong;
                return;
            }
            program[used++] = c == '^' ? kBeginText : kEndLine;
            repeatable = SIZE_MAX;
            continue;
        }
        if (c == '.') {
            if (!fits(1)) {
                status_ = kTooLong;
                return;
            }
            program[used++] = kAny;
        } else if (c == '[') {
            TByteSet set;
            ReadClass(pattern, i, set);
            const bool highNone = set.HighIs(0);
            const bool highAll = set.HighIs(~std::uint64_t{0});
            const std::size_t bytes = highNone || highAll ? kHalfSet : kFullSet;
            if (!fits(1 + bytes)) {
                status_ = kTooLong;
                return;
            }
            program[used++] = highNone ? kClass : highAll ? kHighClass : kWideClass;
            set.WriteBytes(program + used, bytes);
            used += bytes;
        } else {
            const std::uint8_t literal = c == '\\' ? ReadEscape(pattern, i) : c;
            if (!fits(literal != 0 && literal < 128 ? 1 : 2)) {
                status_ = kTooLong;
                return;
            }
            emitLiteral(literal);
        }
        repeatable = start;
    }
    program[used] = kEnd;
    status_ = kOk;
}

// The state of one Find. Nested repetitions can make backtracking exponential: 'a*a*a*a*c'
// against a line of a's tries every way to split the line among the stars. Whether the
// program's rest behind a repetition matches depends only on the text position, so once a
// search has taken many steps it records every (rest, position) that failed and never
// tries it again. That bounds any pattern to polynomial time, while ordinary searches stay
// below the step budget and allocate nothing.
class TRegexp::TSearch {
public:
    TSearch(std::string_view text, const std::uint8_t* program, const TStopRequest* stop)
        : text(text), program_(program), stop_(stop) {}

    const std::string_view text;
    // Set once the stop request was seen; every level then returns "no match".
    bool stopped = false;

    // Each step may scan the rest of the text, so a long search asks for a stop often.
    void Step() {
        if (++steps_ == kStepsBeforeMemo) StartMemo();
        if (steps_ >= kStepsBeforeMemo && (steps_ & 15) == 0 && stop_ && stop_->Requested()) stopped = true;
    }
    bool KnownToFail(const std::uint8_t* rest, std::size_t pos) const {
        if (failed_.empty()) return false;
        const std::size_t bit = Bit(rest, pos);
        return (failed_[bit >> 6] >> (bit & 63)) & 1;
    }
    void RecordFailure(const std::uint8_t* rest, std::size_t pos) {
        if (failed_.empty()) return;
        const std::size_t bit = Bit(rest, pos);
        failed_[bit >> 6] |= std::uint64_t{1} << (bit & 63);
    }

private:
    static constexpr std::uint64_t kStepsBeforeMemo = 1u << 12;
    // The largest record (8 MiB); a search that would need more goes on without one.
    static constexpr std::size_t kMaxMemoBits = std::size_t{64} << 20;

    std::size_t Bit(const std::uint8_t* rest, std::size_t pos) const {
        return row_[static_cast<std::size_t>(rest - program_)] * columns_ + pos;
    }
    // One row of text positions for the rest behind each star and plus.
    void StartMemo() {
        std::size_t rows = 0;
        for (const std::uint8_t* p = program_; *p != kEnd; p += ElementSize(p))
            if (*p == kStar || *p == kPlus)
                row_[static_cast<std::size_t>(p + ElementSize(p) - program_)] =
                    static_cast<std::uint8_t>(rows++);
        columns_ = text.size() + 1;
        if (rows == 0 || rows > kMaxMemoBits / columns_) return;
        failed_.assign((rows * columns_ + 63) / 64, 0);
    }

    const std::uint8_t* program_;
    const TStopRequest* stop_;
    std::uint64_t steps_ = 0;
    std::size_t columns_ = 0;
    std::array<std::uint8_t, kProgramSize> row_; // filled by StartMemo for every offset it reads
    std::vector<std::uint64_t> failed_;
};

std::ptrdiff_t TRegexp::MatchHere(const std::uint8_t* p, std::size_t pos, TSearch& search) const {
    const std::string_view text = search.text;
    const std::size_t n = text.size();
    search.Step();
    if (search.stopped) return -1;
    for (;;) {
        switch (*p) {
        case kEnd: return static_cast<std::ptrdiff_t>(pos);
        case kBeginText:
            if (pos != 0) return -1;
            ++p;
            continue;
        case kEndLine:
            if (!AtEndOfLine(text, pos)) return -1;
            ++p;
            continue;
        case kOptional:
            // Taken when it matches, and never given back: 'a?a' does not match "a".
            if (pos < n && ElementAccepts(p + 1, static_cast<std::uint8_t>(text[pos]))) ++pos;
            p += ElementSize(p);
            continue;
        case kStar:
        case kPlus: {
            const std::uint8_t* element = p + 1;
            const std::uint8_t* rest = element + ElementSize(element);
            std::size_t least = pos;
            if (*p == kPlus) {
                if (pos >= n || !ElementAccepts(element, static_cast<std::uint8_t>(text[pos]))) return -1;
                ++least;
            }
            std::size_t most = least;
            while (most < n && ElementAccepts(element, static_cast<std::uint8_t>(text[most]))) ++most;
            if (*rest == kEnd) return static_cast<std::ptrdiff_t>(most);
            // Greedy: the rest is tried after the longest run first, then one less.
            for (std::size_t end = most;; --end) {
                if (!search.KnownToFail(rest, end)) {
                    const std::ptrdiff_t r = MatchHere(rest, end, search);
                    if (r >= 0) return r;
                    if (search.stopped) return -1; // not a failure to remember
                    search.RecordFailure(rest, end);
                }
                if (end == least) return -1;
            }
        }
        default:
            if (pos >= n || !ElementAccepts(p, static_cast<std::uint8_t>(text[pos]))) return -1;
            ++pos;
            p += ElementSize(p);
            continue;
        }
    }
}

bool TRegexp::MatchesEmptyText() const {
    const std::uint8_t* p = program_.data();
    if (*p == kBeginText) ++p;
    if (*p == kEndLine) ++p;
    return *p == kEnd;
}

std::ptrdiff_t TRegexp::Find(std::string_view text, std::size_t start, std::size_t& length,
                             const TStopRequest* stop) const {
    return Search(text, start, length, stop, TMatcher::kAutomaton);
}

std::ptrdiff_t TRegexp::FindByBacktracking(std::string_view text, std::size_t start, std::size_t& length,
                                           const TStopRequest* stop) const {
    return Search(text, start, length, stop, TMatcher::kBacktracking);
}

std::ptrdiff_t TRegexp::Search(std::string_view text, std::size_t start, std::size_t& length,
                               const TStopRequest* stop, TMatcher matcher) const {
    length = 0;
    if (status_ != kOk) return -1;
    if (text.empty()) {
        if (start != 0 || !MatchesEmptyText()) return -1;
        length = 1;
        return 0;
    }
    std::size_t end = 0;
    const std::ptrdiff_t found = matcher == TMatcher::kAutomaton
                                     ? FindByAutomaton(program_.data(), text, start, end, stop)
                                     : Backtrack(text, start, end, stop);
    if (found < 0) return -1;
    length = end - static_cast<std::size_t>(found);
    if (length == 0 && found == 0) length = 1;
    return found;
}

std::ptrdiff_t TRegexp::Backtrack(std::string_view text, std::size_t start, std::size_t& end,
                                  const TStopRequest* stop) const {
    const std::size_t n = text.size();
    TSearch search(text, program_.data(), stop);
    const std::uint8_t first = program_[0];
    // The element every match begins with, when there is one (a plain element, or the
    // element of a leading '+'): start positions where it fails need no attempt.
    const std::uint8_t* head = first == kPlus ? program_.data() + 1 : program_.data();
    const bool hasHead = *head != kBeginText && *head != kEndLine && *head != kOptional && *head != kStar;
    // Start positions run up to the last byte, never the position behind it.
    for (std::size_t s = start; s < n; ++s) {
        if (*head < 128) {
            // A plain literal: jump to the next place where it occurs.
            const void* hit = std::memchr(text.data() + s, *head, n - s);
            if (!hit) return -1;
            s = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        } else if (hasHead && !ElementAccepts(head, static_cast<std::uint8_t>(text[s]))) {
            continue;
        }
        const std::ptrdiff_t matchEnd = MatchHere(program_.data(), s, search);
        if (search.stopped) return -1;
        if (matchEnd >= 0) {
            end = static_cast<std::size_t>(matchEnd);
            return static_cast<std::ptrdiff_t>(s);
        }
        if (first == kBeginText) return -1; // the only start is 0
    }
    return -1;
}

} // namespace NuvixParser
