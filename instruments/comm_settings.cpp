// The device-control string: both written forms, and the termios flags they stand for.
#include "instruments/comm_settings.h"

#include <cctype>
#include <charconv>
#include <string>
#include <vector>

namespace NuvixParser {
namespace {

// The two-digit abbreviations of the old form (and of baud=): 96 is 9600, 19 is 19200.
struct TBaudAbbreviation {
    std::uint32_t written;
    std::uint32_t baud;
};
constexpr TBaudAbbreviation kBaudAbbreviations[] = {
    {11, 110}, {15, 150}, {30, 300}, {60, 600}, {12, 1200}, {24, 2400}, {48, 4800}, {96, 9600}, {19, 19200},
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool ReadBaud(std::string_view s, TCommSettings& out) {
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v == 0) return false;
    if (s.size() == 2)
        for (const TBaudAbbreviation& a : kBaudAbbreviations)
            if (a.written == v) v = a.baud;
    out.baud = v;
    return true;
}

bool ReadParity(std::string_view s, TCommSettings& out) {
    if (s.size() != 1) return false;
    switch (s[0]) {
    case 'n': out.parity = TParity::None; return true;
    case 'o': out.parity = TParity::Odd; return true;
    case 'e': out.parity = TParity::Even; return true;
    case 'm': out.parity = TParity::Mark; return true;
    case 's': out.parity = TParity::Space; return true;
    default: return false;
    }
}

bool ReadDataBits(std::string_view s, TCommSettings& out) {
    if (s.size() != 1 || s[0] < '5' || s[0] > '8') return false;
    out.dataBits = s[0] - '0';
    return true;
}

bool ReadStopBits(std::string_view s, TCommSettings& out) {
    if (s == "1") out.stopBits = TStopBits::One;
    else if (s == "1.5") out.stopBits = TStopBits::OnePointFive;
    else if (s == "2") out.stopBits = TStopBits::Two;
    else return false;
    return true;
}

bool ReadOnOff(std::string_view s, bool& out) {
    if (s == "on") out = true;
    else if (s == "off") out = false;
    else return false;
    return true;
}

bool ReadConnectMs(std::string_view s, TCommSettings& out) {
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v == 0 || v > 3'600'000) return false;
    out.connectMs = v;
    return true;
}

// dtr= and rts= are checked but have no effect: the port always asserts both lines.
bool ReadLineMode(std::string_view s, bool allowToggle) {
    return s == "on" || s == "off" || s == "hs" || (allowToggle && s == "tg");
}

// key=value ... : blanks separate the pairs and may surround '='.
bool ReadKeyForm(std::string_view s, TCommSettings& out) {
    bool ignored = false;
    while (!(s = Trim(s)).empty()) {
        std::size_t k = 0;
        while (k < s.size() && std::isalpha(static_cast<unsigned char>(s[k]))) ++k;
        const std::string_view key = s.substr(0, k);
        s = Trim(s.substr(k));
        if (key.empty() || s.empty() || s.front() != '=') return false;
        s = Trim(s.substr(1));
        std::size_t v = 0;
        while (v < s.size() && !std::isspace(static_cast<unsigned char>(s[v]))) ++v;
        const std::string_view value = s.substr(0, v);
        s.remove_prefix(v);
        bool ok;
        if (key == "baud") ok = ReadBaud(value, out);
        else if (key == "parity") ok = ReadParity(value, out);
        else if (key == "data") ok = ReadDataBits(value, out);
        else if (key == "stop") ok = ReadStopBits(value, out);
        else if (key == "xon") ok = ReadOnOff(value, out.xonXoff);
        else if (key == "octs") ok = ReadOnOff(value, out.ctsFlow);
        else if (key == "connect") ok = ReadConnectMs(value, out);
        // No termios counterpart: the infinite write time-out (to=) is ours anyway, and
        // DSR is not a line a Linux terminal can wait for or sense in reads.
        else if (key == "to" || key == "odsr" || key == "idsr") ok = ReadOnOff(value, ignored);
        else if (key == "dtr") ok = ReadLineMode(value, false);
        else if (key == "rts") ok = ReadLineMode(value, true);
        else ok = false;
        if (!ok) return false;
    }
    return true;
}

// baud[,parity[,data[,stop[,x|p]]]]
bool ReadCommaForm(std::string_view s, TCommSettings& out) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = s.find(',');
        fields.push_back(Trim(s.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        s.remove_prefix(comma + 1);
    }
    if (fields.size() > 5 || !ReadBaud(fields[0], out)) return false;
    if (fields.size() > 1 && !ReadParity(fields[1], out)) return false;
    if (fields.size() > 2 && !ReadDataBits(fields[2], out)) return false;
    if (fields.size() > 3 && !ReadStopBits(fields[3], out)) return false;
    if (fields.size() > 4) {
        if (fields[4] == "x") out.xonXoff = true;
        else if (fields[4] == "p") out.ctsFlow = true;
        else return false;
    }
    return true;
}

// "COM3:" or "com3" before the settings names the port; the port number decides that.
std::string_view SkipPortName(std::string_view s) {
    if (s.substr(0, 3) != "com") return s;
    std::size_t i = 3;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    if (i == 3) return s;
    if (i < s.size() && s[i] == ':') ++i;
    return s.substr(i);
}

} // namespace

namespace {

std::optional<TCommSettings> Parse(std::string_view text, bool needBaud) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string_view s = Trim(SkipPortName(Trim(lower)));
    TCommSettings settings;
    if (s.empty() && !needBaud) return settings;
    const bool read = s.find('=') != std::string_view::npos ? ReadKeyForm(s, settings) : ReadCommaForm(s, settings);
    if (!read || (needBaud && settings.baud == 0)) return std::nullopt;
    // The frames a UART cannot send; on Linux 5 data bits with CSTOPB are 1.5 stop bits.
    const bool fiveBits = settings.dataBits == 5;
    if ((settings.stopBits == TStopBits::OnePointFive && !fiveBits) || (settings.stopBits == TStopBits::Two && fiveBits))
        return std::nullopt;
    return settings;
}

} // namespace

std::optional<TCommSettings> ParseCommSettings(std::string_view text) {
    return Parse(text, true);
}

std::optional<TCommSettings> ParseLinkSettings(std::string_view text) {
    return Parse(text, false);
}

speed_t StandardSpeed(std::uint32_t baud) {
    struct TSpeed {
        std::uint32_t baud;
        speed_t code;
    };
    static constexpr TSpeed kSpeeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
        {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
        {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
        {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
        {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
    };
    for (const TSpeed& s : kSpeeds)
        if (s.baud == baud) return s.code;
    return B0;
}

void ApplyCommSettings(const TCommSettings& settings, termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                         IXANY | INPCK | IGNPAR);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL;

    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[settings.dataBits - 5];
    switch (settings.parity) {
    case TParity::None: break;
    case TParity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case TParity::Even: t.c_cflag |= PARENB; break;
    case TParity::Mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case TParity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    }
    if (settings.stopBits != TStopBits::One) t.c_cflag |= CSTOPB;
    if (settings.xonXoff) t.c_iflag |= IXON | IXOFF;
    if (settings.ctsFlow) t.c_cflag |= CRTSCTS;
    // Reads return at once with what is there; poll does the waiting.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

} // namespace NuvixParser
