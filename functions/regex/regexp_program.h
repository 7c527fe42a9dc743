// The byte program of TRegexp: its opcodes and how an element of it reads the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace NuvixParser::RegexpProgram {

// Program opcodes. They all lie above 128, so every byte from 1 to 127 is a literal of
// itself; the bytes 128 to 255 and the byte 0 (which would end the program) are literals
// behind kEscaped.
//
//   literal   c                      c in 1..127
//   escaped   kEscaped (c - 127)     c in 128..255 or 0; the second byte is never 0
//   any       kAny
//   classes   kClass     set[16]     bytes 0..127 by the set, no byte above 127
//             kHighClass set[16]     bytes 0..127 by the set, every byte above 127
//             kWideClass set[32]     all 256 bytes by the set
//   anchors   kBeginText, kEndLine
//   repeats   kOptional | kStar | kPlus, followed by the one element they repeat
//   end       0
enum : std::uint8_t {
    kEnd = 0,
    kEscaped = 129,
    kAny = 130,
    kClass = 131,
    kHighClass = 132,
    kWideClass = 133,
    kBeginText = 134,
    kEndLine = 135,
    kOptional = 136,
    kStar = 137,
    kPlus = 138,
};

constexpr std::size_t kHalfSet = 16;
constexpr std::size_t kFullSet = 32;

inline std::size_t ElementSize(const std::uint8_t* p) {
    switch (*p) {
    case kEscaped: return 2;
    case kClass:
    case kHighClass: return 1 + kHalfSet;
    case kWideClass: return 1 + kFullSet;
    case kOptional:
    case kStar:
    case kPlus: return 1 + ElementSize(p + 1);
    default: return 1;
    }
}

inline bool SetHas(const std::uint8_t* set, std::uint8_t c) {
    return (set[c >> 3] >> (c & 7)) & 1;
}

// Whether the consuming element at p (a literal, any character or a class) accepts c.
inline bool ElementAccepts(const std::uint8_t* p, std::uint8_t c) {
    switch (*p) {
    case kEscaped: return c == static_cast<std::uint8_t>(p[1] + 127);
    case kAny: return c != '\n';
    // Bytes above 127 are tested as full bytes, never by their low 7 bits, so a class
    // cannot match a byte 128 places above one of its members.
    case kClass: return c < 128 && SetHas(p + 1, c);
    case kHighClass: return c >= 128 || SetHas(p + 1, c);
    case kWideClass: return SetHas(p + 1, c);
    default: return c == *p;
    }
}

// Whether the end-of-line anchor holds at pos: at the end of the text or before a line feed.
inline bool AtEndOfLine(std::string_view text, std::size_t pos) {
    return pos >= text.size() || text[pos] == '\n';
}

} // namespace NuvixParser::RegexpProgram
