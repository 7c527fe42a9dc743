// Fuzz targets: the pattern compiler and matcher of match, and its automaton against the
// backtracking matcher.
#include <string_view>

#include "functions/regex/regexp.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace NuvixFuzz {
namespace {

struct TRegexpInput {
    std::string_view pattern;
    std::string_view text;
    std::size_t start = 0;
};

// Input layout: one byte choosing the start position, the pattern up to the first NUL
// byte, the text after it (a pattern never holds NUL: match receives it as a C string).
TRegexpInput SplitInput(const std::uint8_t* data, std::size_t size) {
    TRegexpInput in;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t nul = rest.find('\0');
    in.pattern = rest.substr(0, nul);
    in.text = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    in.start = data[0] % (in.text.size() + 2); // also one past the end
    return in;
}

} // namespace

void FuzzRegexp(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const auto [pattern, text, start] = SplitInput(data, size);

    const NuvixParser::TRegexp regexp(pattern);
    std::size_t length = 99;
    const std::ptrdiff_t pos = regexp.Find(text, start, length);
    if (pos < 0) {
        FUZZ_CHECK(pos == -1);
        FUZZ_CHECK(length == 0);
        return;
    }
    FUZZ_CHECK(regexp.Status() == NuvixParser::TRegexp::kOk);
    const auto at = static_cast<std::size_t>(pos);
    FUZZ_CHECK(at >= start);
    FUZZ_CHECK(at <= text.size());
    // An empty match at position 0 reports the first byte, which an empty text lacks.
    if (at == 0 && length == 1 && text.empty()) return;
    FUZZ_CHECK(length <= text.size() - at);
    // Leftmost: searching again from the match finds the same match.
    std::size_t again = 0;
    FUZZ_CHECK(regexp.Find(text, at, again) == pos);
    FUZZ_CHECK(again == length);
}

void FuzzRegexpAutomaton(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    auto [pattern, text, start] = SplitInput(data, size);
    // Backtracking through many stars takes time that grows with the cube of the text: a
    // few hundred bytes keep every run quick and still hold every shape a match can take.
    constexpr std::size_t kLongestText = 512;
    text = text.substr(0, kLongestText);

    const NuvixParser::TRegexp regexp(pattern);
    std::size_t length = 99;
    std::size_t expectedLength = 99;
    FUZZ_CHECK(regexp.Find(text, start, length) == regexp.FindByBacktracking(text, start, expectedLength));
    FUZZ_CHECK(length == expectedLength);
}

} // namespace NuvixFuzz
