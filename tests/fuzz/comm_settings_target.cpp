// Fuzz target: the device-control string reader of commopen.
#include <cctype>
#include <string>
#include <string_view>

#include "instruments/comm_settings.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace NuvixFuzz {

// Any bytes as a settings string. What is accepted is a frame a UART can send, reads the
// same in any letter case and for a socket, and gives termios exactly one character size.
void FuzzCommSettings(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto settings = NuvixParser::ParseCommSettings(text);
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto upperSettings = NuvixParser::ParseCommSettings(upper);
    FUZZ_CHECK(settings.has_value() == upperSettings.has_value());
    // A socket takes every string a terminal takes, and reads it the same.
    const auto link = NuvixParser::ParseLinkSettings(text);
    FUZZ_CHECK(!settings || (link && *link == *settings));
    if (!settings) return;
    FUZZ_CHECK(*settings == *upperSettings);
    FUZZ_CHECK(settings->baud > 0);
    FUZZ_CHECK(settings->dataBits >= 5 && settings->dataBits <= 8);
    const bool fiveBits = settings->dataBits == 5;
    FUZZ_CHECK(settings->stopBits != NuvixParser::TStopBits::OnePointFive || fiveBits);
    FUZZ_CHECK(settings->stopBits != NuvixParser::TStopBits::Two || !fiveBits);
    termios t{};
    t.c_cflag = CSIZE;
    NuvixParser::ApplyCommSettings(*settings, t);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    FUZZ_CHECK((t.c_cflag & CSIZE) == kSizes[settings->dataBits - 5]);
    FUZZ_CHECK((t.c_cflag & (CREAD | CLOCAL)) == (CREAD | CLOCAL));
}

} // namespace NuvixFuzz
