// The messages print, println and cleartext send to the text output window, and their payload.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace NuvixParser {

// Ids as the text output window receives them (ids are numbered per receiving window).
// wParam is 0 for all three. lParam of print and println is a char* made with
// new char[n + 1]: a zero-terminated 8-bit copy of the text, which the receiver owns and
// frees with delete[]; the sender never touches it again. lParam of clear is 0.
constexpr std::uint32_t kMsgOutputPrint = 0x8001, kMsgOutputPrintln = 0x8002, kMsgOutputClear = 0x8003;

// The sender's side: a payload of the form above.
inline char* NewOutputText(std::string_view text) {
    char* buffer = new char[text.size() + 1];
    if (!text.empty()) std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return buffer;
}

// The receiver's side: takes ownership of a print/println payload (null stays null).
inline std::unique_ptr<char[]> TakeOutputText(std::intptr_t lParam) {
    return std::unique_ptr<char[]>(reinterpret_cast<char*>(lParam));
}

} // namespace NuvixParser
