// The port-address reader: the forms it takes and the ones it refuses, as one table each.
#include <gtest/gtest.h>

#include <string>

#include "instruments/port_address.h"

namespace {

using namespace NuvixParser;

struct TAccepted {
    const char* text;
    TPortKind kind;
    const char* pathOrHost;
    unsigned port;
};

TEST(PortAddress, AcceptsDevicePathsUrlsAndSocketResources) {
    const TAccepted rows[] = {
        {"/dev/ttyUSB0", TPortKind::Terminal, "/dev/ttyUSB0", 0},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", TPortKind::Terminal,
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", 0},
        {"/dev/pts/7", TPortKind::Terminal, "/dev/pts/7", 0},
        {"/dev/usbtmc0", TPortKind::Usbtmc, "/dev/usbtmc0", 0},
        {"/dev/usbtmc12", TPortKind::Usbtmc, "/dev/usbtmc12", 0},
        {"usbtmc:///dev/usbtmc0", TPortKind::Usbtmc, "/dev/usbtmc0", 0},
        {"USBTMC:///dev/instruments/scope", TPortKind::Usbtmc, "/dev/instruments/scope", 0},
        {"tcp://10.0.0.5:5025", TPortKind::Tcp, "10.0.0.5", 5025},
        {"TCP://127.0.0.1:1", TPortKind::Tcp, "127.0.0.1", 1},
        {"tcp://[::1]:65535", TPortKind::Tcp, "::1", 65535},
        {"tcp://[fe80::1:2]:5025", TPortKind::Tcp, "fe80::1:2", 5025},
        {"tcp://[::ffff:10.0.0.5]:5025", TPortKind::Tcp, "::ffff:10.0.0.5", 5025},
        {"tcp://localhost:5025", TPortKind::Tcp, "localhost", 5025},
        {"tcp://scope-2.lab.example.org:5025", TPortKind::Tcp, "scope-2.lab.example.org", 5025},
        {"socket://10.0.0.5:5025", TPortKind::Tcp, "10.0.0.5", 5025},
        {"TCPIP::10.0.0.5::5025::SOCKET", TPortKind::Tcp, "10.0.0.5", 5025},
        {"TCPIP0::10.0.0.5::5025::SOCKET", TPortKind::Tcp, "10.0.0.5", 5025},
        {"tcpip1::dmm.local::5025::socket", TPortKind::Tcp, "dmm.local", 5025},
        {"TCPIP::[::1]::5025::SOCKET", TPortKind::Tcp, "::1", 5025},
    };
    for (const TAccepted& row : rows) {
        std::string error;
        const auto address = ParsePortAddress(row.text, error);
        ASSERT_TRUE(address) << row.text << ": " << error;
        EXPECT_EQ(address->kind, row.kind) << row.text;
        EXPECT_EQ(address->kind == TPortKind::Tcp ? address->host : address->path, row.pathOrHost) << row.text;
        EXPECT_EQ(address->port, row.port) << row.text;
        EXPECT_TRUE(error.empty()) << row.text;
    }
}

struct TRefused {
    const char* text;
    const char* errorPart; // a part of the message that says what is wrong
};

TEST(PortAddress, RefusesMalformedFormsWithAReason) {
    const TRefused rows[] = {
        {"", "absolute path"},
        {"ttyUSB0", "absolute path"},
        {"http://10.0.0.5:80", "unknown scheme"},
        {"://10.0.0.5:80", "unknown scheme"},
        {"tcp://10.0.0.5", "no port"},
        {"tcp://10.0.0.5:", "no port"},
        {"tcp://10.0.0.5:0", "bad port"},
        {"tcp://10.0.0.5:65536", "bad port"},
        {"tcp://10.0.0.5:050250", "bad port"},
        {"tcp://10.0.0.5:+5025", "bad port"},
        {"tcp://10.0.0.5: 5025", "bad port"},
        {"tcp://10.0.0.5:5025/", "bad port"},
        {"tcp://10.0.0.5:5025?timeout=1", "bad port"},
        {"tcp://:5025", "no host"},
        {"tcp://10.0.0.256:5025", "bad host"},
        {"tcp://10.0.0:5025", "bad host"},
        {"tcp://010.0.0.5:5025", "bad host"},
        {"tcp://-scope:5025", "bad host"},
        {"tcp://scope..lab:5025", "bad host"},
        {"tcp://sco pe:5025", "bad host"},
        {"tcp://user@scope:5025", "bad host"},
        {"tcp://::1:5025", "needs brackets"},
        {"tcp://[::1:5025", "bad IPv6"},
        {"tcp://[::g]:5025", "bad IPv6"},
        {"tcp://[]:5025", "bad IPv6"},
        {"tcp://[10.0.0.5]:5025", "bad IPv6"},
        {"tcp://[::1%eth0]:5025", "bad IPv6"},
        {"usbtmc://dev/usbtmc0", "absolute path"},
        {"usbtmc://", "absolute path"},
        {"TCPIP::10.0.0.5::INSTR", "VXI-11"},
        {"TCPIP::10.0.0.5::5025", "bad resource"},
        {"TCPIP::10.0.0.5::5025::SOCKET::", "bad resource"},
        {"TCPIP::10.0.0.5::5025::INSTR", "bad resource"},
        {"TCPIPx::10.0.0.5::5025::SOCKET", "bad resource"},
        {"TCPIP::::5025::SOCKET", "no host"},
        {"TCPIP::10.0.0.5::::SOCKET", "no port"},
        {"TCPIP::[::1::5025::SOCKET", "bad IPv6"},
        {"TCPIP::fe80::1::5025::SOCKET", "bad"},
        {"USB0::0x0957::0x1796::MY123::INSTR", "only TCPIP"},
        {"ASRL1::INSTR", "only TCPIP"},
    };
    for (const TRefused& row : rows) {
        std::string error;
        EXPECT_FALSE(ParsePortAddress(row.text, error)) << row.text;
        EXPECT_NE(error.find(row.errorPart), std::string::npos) << row.text << " gave: " << error;
    }
    std::string error;
    EXPECT_FALSE(ParsePortAddress(std::string("/dev/tty\0S0", 11), error));
}

} // namespace
