// Which device a port number opens: environment, the user's mapping file, the default.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "instruments/serial_device_list.h"
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

TEST(SerialDevicePath, MappingLinesEndInLfCrLfOrCr) {
    const struct {
        const char* name;
        const char* mapping;
    } cases[] = {
        {"LF", "# bench\nCOM1=/dev/ttyUSB0\n\nCOM2=/dev/ttyACM0\n"},
        {"CR LF", "# bench\r\nCOM1=/dev/ttyUSB0\r\n\r\nCOM2=/dev/ttyACM0\r\n"},
        {"lone CR", "# bench\rCOM1=/dev/ttyUSB0\r\rCOM2=/dev/ttyACM0\r"},
        {"mixed", "# bench\rCOM1=/dev/ttyUSB0\r\n\nCOM2=/dev/ttyACM0\r"},
        {"last line without a line end", "# bench\nCOM1=/dev/ttyUSB0\nCOM2=/dev/ttyACM0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MappedDevice(c.mapping, 0), std::optional<std::string>("/dev/ttyUSB0"));
        EXPECT_EQ(MappedDevice(c.mapping, 1), std::optional<std::string>("/dev/ttyACM0"));
        // Setting a port replaces its line alone, whatever ends the lines have.
        const std::string set = SetMappedDevice(c.mapping, 0, "/dev/ttyS9");
        EXPECT_EQ(MappedDevice(set, 0), std::optional<std::string>("/dev/ttyS9"));
        EXPECT_EQ(MappedDevice(set, 1), std::optional<std::string>("/dev/ttyACM0"));
    }
    // The lines kept keep their own line ends.
    EXPECT_EQ(SetMappedDevice("# a\r\nCOM2=/dev/x\rCOM1=/dev/y\r\n", 0, "/dev/z"), "# a\r\nCOM2=/dev/x\rCOM1=/dev/z\n");
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

TEST(SerialDevicePath, SettingAPortKeepsTheRestOfTheFile) {
    const char* mapping = "# bench\nCOM1=/dev/ttyUSB0\ncom2=/dev/a\nCOM2=/dev/b\nCOM10=/dev/ttyACM0\n";
    const std::string set = SetMappedDevice(mapping, 1, "/dev/serial/by-id/usb-x");
    EXPECT_EQ(set, "# bench\nCOM1=/dev/ttyUSB0\nCOM10=/dev/ttyACM0\nCOM2=/dev/serial/by-id/usb-x\n");
    EXPECT_EQ(MappedDevice(set, 1), std::optional<std::string>("/dev/serial/by-id/usb-x"));
    EXPECT_EQ(MappedDevice(set, 9), std::optional<std::string>("/dev/ttyACM0"));
    const std::string removed = SetMappedDevice(set, 0, "");
    EXPECT_EQ(MappedDevice(removed, 0), std::nullopt);
    EXPECT_EQ(removed, "# bench\nCOM10=/dev/ttyACM0\nCOM2=/dev/serial/by-id/usb-x\n");
    EXPECT_EQ(SetMappedDevice("", 2, "/dev/ttyS4"), "COM3=/dev/ttyS4\n");
}

// A /dev of our own: two adapters with stable names, one without, a modem, serial ports,
// and nodes that are no serial ports.
TEST(SerialDeviceList, StableNamesFirstThenNodesInNaturalOrder) {
    namespace fs = std::filesystem;
    const fs::path dev = fs::temp_directory_path() / ("varnex-dev-test-" + std::to_string(::getpid()));
    fs::create_directories(dev / "serial" / "by-id");
    for (const char* node : {"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyACM0", "ttyS10", "ttyS2", "ttyS0", "tty0", "ttyS",
                             "ttyUSBx", "sda"})
        std::ofstream(dev / node) << "";
    fs::create_symlink("../../ttyUSB1", dev / "serial" / "by-id" / "usb-FTDI_FT232R_A1-if00-port0");
    fs::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-Prolific_PL2303-if00-port0");
    fs::create_symlink("../../ttyUSB9", dev / "serial" / "by-id" / "usb-unplugged-if00-port0");
    const std::string d = dev.string();
    const std::vector<TSerialDevice> expected = {
        {d + "/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", d + "/ttyUSB1", "FTDI FT232R A1"},
        {d + "/serial/by-id/usb-Prolific_PL2303-if00-port0", d + "/ttyUSB0", "Prolific PL2303"},
        {d + "/ttyUSB2", d + "/ttyUSB2", ""},
        {d + "/ttyACM0", d + "/ttyACM0", ""},
        {d + "/ttyS0", d + "/ttyS0", ""},
        {d + "/ttyS2", d + "/ttyS2", ""},
        {d + "/ttyS10", d + "/ttyS10", ""},
    };
    const std::vector<TSerialDevice> listed = ListSerialDevices(d);
    ASSERT_EQ(listed.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(listed[i].path, expected[i].path) << i;
        EXPECT_EQ(listed[i].devicePath, expected[i].devicePath) << i;
        EXPECT_EQ(listed[i].product, expected[i].product) << i;
    }
    fs::remove_all(dev);
    EXPECT_TRUE(ListSerialDevices(d).empty());
}

TEST(SerialDeviceList, ProductNamesComeFromTheByIdLinkName) {
    struct TCase {
        const char* link;
        const char* product;
    };
    const TCase cases[] = {
        {"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "FTDI FT232R USB UART A50285BI"},
        {"usb-Silicon_Labs_CP2102N_USB_to_UART_Bridge_Controller_7a4b-if00-port0",
         "Silicon Labs CP2102N USB to UART Bridge Controller 7a4b"},
        {"usb-Arduino__www.arduino.cc__0043_75830333-if00", "Arduino  www.arduino.cc  0043 75830333"},
        {"usb-FTDI_Quad_RS232-HS-if03-port0", "FTDI Quad RS232-HS"},
        {"pci-0000:00:14.0-usb-0:1:1.0-port0", ""},
    };
    for (const TCase& c : cases) EXPECT_EQ(ProductOfById(c.link), c.product) << c.link;
}

} // namespace
