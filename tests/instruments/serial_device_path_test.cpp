// Which device a port number opens: environment, the user's mapping file, the default.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "instruments/serial_device_path.h"
#include "tests/instruments/pty_pair.h"

namespace {

using namespace NuvixParser;
using NuvixTest::TScopedEnv;

TEST(SerialDevicePath, MappingLines) {
    const char* mapping =
        "# serial ports of the bench\n"
        "COM1=/dev/ttyUSB0\n"
        "  com2 =  /dev/serial/by-id/usb-FTDI_FT232R-if00-port0  \r\n"
        "COM10=/dev/ttyACM0\n"
        "COM3\n"          // no '='
        "COM4=\n"         // no device
        "#COM5=/dev/x\n"  // a comment
        "COM2=/dev/ttyUSB7\n"; // the last line for a port counts
    EXPECT_EQ(MappedDevice(mapping, 0), std::optional<std::string>("/dev/ttyUSB0"));
    EXPECT_EQ(MappedDevice(mapping, 1), std::optional<std::string>("/dev/ttyUSB7"));
    EXPECT_EQ(MappedDevice(mapping, 9), std::optional<std::string>("/dev/ttyACM0"));
    EXPECT_EQ(MappedDevice(mapping, 2), std::nullopt);
    EXPECT_EQ(MappedDevice(mapping, 3), std::nullopt);
    EXPECT_EQ(MappedDevice(mapping, 4), std::nullopt);
    EXPECT_EQ(MappedDevice("COM2=/dev/a\nCOM1=/dev/b", 0), std::optional<std::string>("/dev/b"));
    EXPECT_EQ(MappedDevice("", 0), std::nullopt);
}

TEST(SerialDevicePath, EnvironmentThenMappingFileThenDefault) {
    const std::filesystem::path config =
        std::filesystem::temp_directory_path() / ("varnex-serial-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(config / "varnexcalc");
    std::ofstream(config / "varnexcalc" / "serial-ports.conf") << "COM1=/dev/ttyUSB3\nCOM2=/dev/ttyACM1\n";

    TScopedEnv xdg("XDG_CONFIG_HOME", config.string());
    TScopedEnv com1("VARNEX_COM1", "/dev/pts/77");
    ::unsetenv("VARNEX_COM2");
    ::unsetenv("VARNEX_COM3");
    EXPECT_EQ(SerialMappingFile(), (config / "varnexcalc" / "serial-ports.conf").string());
    EXPECT_EQ(SerialDevicePath(0), "/dev/pts/77");
    EXPECT_EQ(SerialDevicePath(1), "/dev/ttyACM1");
    EXPECT_EQ(SerialDevicePath(2), "/dev/ttyS2");
    {
        // A relative XDG_CONFIG_HOME is ignored, as the XDG rules say: ~/.config instead.
        TScopedEnv relative("XDG_CONFIG_HOME", "relative/dir");
        TScopedEnv home("HOME", "/nonexistent-home");
        EXPECT_EQ(SerialMappingFile(), "/nonexistent-home/.config/varnexcalc/serial-ports.conf");
        EXPECT_EQ(SerialDevicePath(1), "/dev/ttyS1");
    }
    std::filesystem::remove_all(config);
}

} // namespace
