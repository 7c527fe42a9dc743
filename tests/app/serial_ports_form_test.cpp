// Options > Serial Ports: the devices offered, the mapping shown, and what OK writes.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/main_form.h"
#include "app/serial_ports_form.h"
#include "tests/instruments/tcp_peer.h"

namespace {

using NuvixApp::TSerialPortsForm;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SerialPortsForm, OffersTheDevicesAndRewritesOnlyThePortLines) {
    QTemporaryDir dir;
    const std::filesystem::path dev = dir.filePath("dev").toStdString();
    std::filesystem::create_directories(dev / "serial" / "by-id");
    std::ofstream(dev / "ttyUSB0") << "";
    std::ofstream(dev / "ttyS0") << "";
    std::filesystem::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-FTDI-if00-port0");
    const QString mapping = dir.filePath("config/varnexcalc/serial-ports.conf");

    {
        // No file yet: every port on its default; OK creates the folder and the file.
        TSerialPortsForm form(nullptr, mapping, dev.string());
        QComboBox* com1 = form.cbPorts[0];
        ASSERT_EQ(com1->count(), 3); // the default, the adapter by its product name, ttyS0
        EXPECT_EQ(com1->itemText(1).toStdString(), "FTDI  (" + (dev / "ttyUSB0").string() + ")");
        EXPECT_EQ(com1->itemText(2).toStdString(), (dev / "ttyS0").string());
        EXPECT_EQ(com1->currentText(), "");
        com1->setCurrentIndex(1); // the field takes the adapter's stable path
        form.cbPorts[4]->setEditText("  /dev/pts/7 ");
        QString error;
        ASSERT_TRUE(form.Save(error)) << error.toStdString();
    }
    const std::string usb = (dev / "serial" / "by-id" / "usb-FTDI-if00-port0").string();
    EXPECT_EQ(ReadAll(mapping).toStdString(), "COM1=" + usb + "\nCOM5=/dev/pts/7\n");

    // A comment the user wrote stays; a port emptied loses its line.
    QFile f(mapping);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("# lab 2\n");
    f.close();
    TSerialPortsForm form(nullptr, mapping, dev.string());
    EXPECT_EQ(form.cbPorts[0]->currentText().toStdString(), usb);
    EXPECT_EQ(form.cbPorts[4]->currentText(), "/dev/pts/7");
    form.cbPorts[0]->setEditText("");
    QString error;
    ASSERT_TRUE(form.Save(error)) << error.toStdString();
    EXPECT_EQ(ReadAll(mapping).toStdString(), "# lab 2\nCOM5=/dev/pts/7\n");
}

// The test plays a LAN instrument on loopback; the port's field holds its URL.
TEST(SerialPortsForm, TestAsksTheInstrumentAndShowsTheAnswerOrTheError) {
    QTemporaryDir dir;
    TSerialPortsForm form(nullptr, dir.filePath("serial-ports.conf"), dir.path().toStdString());
    NuvixTest::TTcpPeer peer;
    std::thread instrument([&] {
        if (!peer.Accept()) return;
        if (peer.Receive(6) == "*IDN?\n") peer.Send("ACME,SCOPE & CO,42,1.0\r\n");
    });
    form.cbPorts[2]->setEditText(QString::fromStdString(peer.Url()));
    form.btnTest[2]->click();
    instrument.join();
    EXPECT_EQ(form.lblTest->text(), "COM3: ACME,SCOPE & CO,42,1.0");

    form.cbPorts[3]->setEditText("tcp://10.0.0.5:0");
    form.btnTest[3]->click();
    EXPECT_TRUE(form.lblTest->text().startsWith("COM4: malformed port address")) << form.lblTest->text().toStdString();
    EXPECT_TRUE(form.lblTest->text().contains("bad port number")) << form.lblTest->text().toStdString();

    form.cbPorts[4]->setEditText(dir.filePath("no-such-device"));
    form.btnTest[4]->click();
    EXPECT_TRUE(form.lblTest->text().contains("cannot open")) << form.lblTest->text().toStdString();
}

TEST(SerialPortsForm, AFileThatCannotBeWrittenIsReported) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder must go
    blocker.close();
    TSerialPortsForm form(nullptr, dir.filePath("config/varnexcalc/serial-ports.conf"), dir.path().toStdString());
    form.cbPorts[0]->setEditText("/dev/ttyUSB0");
    QString error;
    EXPECT_FALSE(form.Save(error));
    EXPECT_TRUE(error.contains("serial-ports.conf")) << error.toStdString();
}

TEST(SerialPortsForm, TheMainWindowOffersIt) {
    NuvixApp::TMainForm window;
    ASSERT_NE(window.actionSerialPorts, nullptr);
    bool inMenu = false;
    for (QAction* menu : window.menuBar()->actions())
        if (menu->menu() && menu->menu()->actions().contains(window.actionSerialPorts)) inMenu = true;
    EXPECT_TRUE(inMenu);
}

} // namespace
