// The device-control string of commopen: which strings are accepted, what they set, and
// the termios flags and speeds that follow.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "instruments/comm_settings.h"
#include "instruments/comm_speed.h"
#include "tests/instruments/pty_pair.h"

namespace {

using namespace NuvixParser;

struct TAccepted {
    const char* text;
    TCommSettings settings;
};

TCommSettings Frame(std::uint32_t baud, TParity parity, int data, TStopBits stop, bool xon = false, bool cts = false) {
    return TCommSettings{baud, parity, data, stop, xon, cts};
}

TEST(CommSettings, AcceptedStringsAndWhatTheySet) {
    const TAccepted cases[] = {
        {"baud=9600 parity=N stop=1 data=8", Frame(9600, TParity::None, 8, TStopBits::One)},
        {"BAUD=19200 PARITY=e DATA=7 STOP=2", Frame(19200, TParity::Even, 7, TStopBits::Two)},
        {"data=5 stop=1.5 parity=o baud=300", Frame(300, TParity::Odd, 5, TStopBits::OnePointFive)},
        {"baud=1200 parity=m", Frame(1200, TParity::Mark, 8, TStopBits::One)},
        {"baud=1200 parity=s data=6", Frame(1200, TParity::Space, 6, TStopBits::One)},
        {"baud=115200", Frame(115200, TParity::None, 8, TStopBits::One)},
        {"  baud = 250000   parity= n ", Frame(250000, TParity::None, 8, TStopBits::One)},
        {"baud=96 parity=n data=8 stop=1", Frame(9600, TParity::None, 8, TStopBits::One)},
        {"baud=9600 xon=on octs=on", Frame(9600, TParity::None, 8, TStopBits::One, true, true)},
        {"baud=9600 xon=off octs=off to=on odsr=off idsr=on dtr=hs rts=tg",
         Frame(9600, TParity::None, 8, TStopBits::One)},
        {"COM1: baud=4800 data=7 parity=e", Frame(4800, TParity::Even, 7, TStopBits::One)},
        {"9600,n,8,1", Frame(9600, TParity::None, 8, TStopBits::One)},
        {"96,N,8,1", Frame(9600, TParity::None, 8, TStopBits::One)},
        {"19,e,7,2", Frame(19200, TParity::Even, 7, TStopBits::Two)},
        {"11,o,5,1.5", Frame(110, TParity::Odd, 5, TStopBits::OnePointFive)},
        {"12", Frame(1200, TParity::None, 8, TStopBits::One)},
        {"57600, n, 8, 1, x", Frame(57600, TParity::None, 8, TStopBits::One, true, false)},
        {"38400,n,8,1,P", Frame(38400, TParity::None, 8, TStopBits::One, false, true)},
        {"com2:2400,s,6", Frame(2400, TParity::Space, 6, TStopBits::One)},
        {"31250,n,8,1", Frame(31250, TParity::None, 8, TStopBits::One)},
    };
    for (const TAccepted& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<TCommSettings> s = ParseCommSettings(c.text);
        ASSERT_TRUE(s.has_value());
        EXPECT_EQ(s->baud, c.settings.baud);
        EXPECT_EQ(s->parity, c.settings.parity);
        EXPECT_EQ(s->dataBits, c.settings.dataBits);
        EXPECT_EQ(s->stopBits, c.settings.stopBits);
        EXPECT_EQ(s->xonXoff, c.settings.xonXoff);
        EXPECT_EQ(s->ctsFlow, c.settings.ctsFlow);
    }
}

TEST(CommSettings, RefusedStrings) {
    const char* cases[] = {
        "",                                 // no baud rate
        "   ",                              //
        "parity=N data=8 stop=1",           // no baud rate
        "baud=0",                           //
        "baud=-9600",                       //
        "baud=9600x",                       //
        "baud=99999999999",                 // beyond 32 bits
        "baud=9600 parity=x",               //
        "baud=9600 parity=none",            // one letter only
        "baud=9600 data=4",                 //
        "baud=9600 data=9",                 //
        "baud=9600 stop=3",                 //
        "baud=9600 stop=1.5",               // 1.5 stop bits need 5 data bits
        "baud=9600 data=5 stop=2",          // 5 data bits go with 1 or 1.5
        "baud=9600 xon=yes",                //
        "baud=9600 dtr=tg",                 // toggling is for RTS only
        "baud=9600 speed=fast",             // unknown key
        "baud=9600 parity",                 // key without value
        "baud=9600 =8",                     //
        "9600,n,8,1,x,extra",               // too many fields
        "9600,,8,1",                        //
        "9600,q,8,1",                       //
        "9600,n,8,1,z",                     //
        "nine thousand",                    //
        "COM1:",                            // a port name alone
    };
    for (const char* text : cases) EXPECT_FALSE(ParseCommSettings(text).has_value()) << '"' << text << '"';
}

// Sockets and USBTMC devices: the same strings, but no baud rate needed; connect= is the
// one key that matters to them.
TEST(CommSettings, LinkSettingsNeedNoBaudRate) {
    struct TCase {
        const char* text;
        bool accepted;
        std::uint32_t connectMs;
    };
    const TCase cases[] = {
        {"", true, 0},
        {"  ", true, 0},
        {"connect=500", true, 500},
        {"CONNECT = 3600000", true, 3600000},
        {"baud=9600 parity=N data=8 stop=1 connect=2500", true, 2500},
        {"115200,e,7,2", true, 0},
        {"parity=N", true, 0},
        {"connect=0", false, 0},
        {"connect=3600001", false, 0},
        {"connect=1.5", false, 0},
        {"connect=-5", false, 0},
        {"connect=", false, 0},
        {"baud=9600 parity=x", false, 0},
        {"timeout=5", false, 0},
    };
    for (const TCase& c : cases) {
        const auto s = ParseLinkSettings(c.text);
        ASSERT_EQ(s.has_value(), c.accepted) << '"' << c.text << '"';
        if (s) {
            EXPECT_EQ(s->connectMs, c.connectMs) << c.text;
        }
    }
    // A terminal takes connect= too (and ignores it), but still needs its baud rate.
    EXPECT_FALSE(ParseCommSettings("connect=500"));
    EXPECT_EQ(ParseCommSettings("baud=9600 connect=500")->connectMs, 500u);
}

struct TFlags {
    const char* text;
    tcflag_t size;       // the one character size
    tcflag_t cflagSet;   // bits that must be set
    tcflag_t cflagClear; // bits that must be clear
    tcflag_t iflagSet;
};

TEST(CommSettings, TermiosFlagsFollowTheSettings) {
    const TFlags cases[] = {
        {"9600,n,8,1", CS8, CREAD | CLOCAL, PARENB | CSTOPB | CRTSCTS | CMSPAR, 0},
        {"9600,e,7,2", CS7, PARENB | CSTOPB, PARODD | CMSPAR, 0},
        {"9600,o,6,1", CS6, PARENB | PARODD, CSTOPB | CMSPAR, 0},
        {"9600,m,8,1", CS8, PARENB | PARODD | CMSPAR, 0, 0},
        {"9600,s,8,1", CS8, PARENB | CMSPAR, PARODD, 0},
        {"9600,n,5,1.5", CS5, CSTOPB, PARENB, 0},
        {"baud=9600 octs=on", CS8, CRTSCTS, 0, 0},
        {"baud=9600 xon=on", CS8, 0, CRTSCTS, IXON | IXOFF},
    };
    for (const TFlags& c : cases) {
        SCOPED_TRACE(c.text);
        termios t{};
        // Start from a cooked terminal with everything raw mode must clear.
        t.c_iflag = ICRNL | IXON | INLCR | IGNCR | ISTRIP;
        t.c_oflag = OPOST | ONLCR;
        t.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
        t.c_cflag = CS8 | PARENB | PARODD | CSTOPB | CRTSCTS;
        t.c_cc[VMIN] = 1;
        ApplyCommSettings(*ParseCommSettings(c.text), t);
        EXPECT_EQ(t.c_cflag & c.cflagSet, c.cflagSet);
        EXPECT_EQ(t.c_cflag & c.cflagClear, 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), c.iflagSet);
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.c_cc[VMIN], 0);
        EXPECT_EQ(t.c_cc[VTIME], 0);
        EXPECT_EQ(t.c_cflag & CSIZE, c.size);
    }
}

TEST(CommSettings, SpeedsInAndOutsideTheTermiosTable) {
    EXPECT_EQ(StandardSpeed(9600), B9600);
    EXPECT_EQ(StandardSpeed(115200), B115200);
    EXPECT_EQ(StandardSpeed(250000), B0);
    EXPECT_EQ(StandardSpeed(0), B0);

    // A terminal takes a rate the table lacks through termios2 and reports it back.
    NuvixTest::TPtyPair pty;
    const int fd = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(SetCustomSpeed(fd, 250000));
    EXPECT_EQ(ReadSpeed(fd), 250000u);
    EXPECT_TRUE(SetCustomSpeed(fd, 31250));
    EXPECT_EQ(ReadSpeed(fd), 31250u);
    ::close(fd);
    EXPECT_FALSE(SetCustomSpeed(fd, 9600)); // closed descriptor
}

} // namespace
