// TSerialPortsForm: the devices offered per port, testing a port, and saving the mapping file.
#include "app/serial_ports_form.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "engine/calc_info.h"
#include "instruments/comm_handler.h"
#include "instruments/serial_device_list.h"
#include "instruments/serial_device_path.h"

namespace NuvixApp {
namespace {

std::string ReadMapping(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : std::string();
}

} // namespace

TSerialPortsForm::TSerialPortsForm(QWidget* parent, QString mappingFile, const std::string& devRoot)
    : QDialog(parent),
      mappingFile_(mappingFile.isEmpty() ? QString::fromStdString(NuvixParser::SerialMappingFile()) : mappingFile) {
    setWindowTitle("Serial Ports");
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel("Which device each serial port of the scripts opens (commopen port 0 is COM1): "
                            "a serial device, a LAN instrument as tcp://HOST:PORT or TCPIP::HOST::PORT::SOCKET, "
                            "or a USB instrument as /dev/usbtmc0. An empty choice opens /dev/ttyS0 to /dev/ttyS9; "
                            "a VARNEX_COM1 ... VARNEX_COM10 environment variable overrides the choice.",
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* form = new QFormLayout;
    const std::vector<NuvixParser::TSerialDevice> devices = NuvixParser::ListSerialDevices(devRoot);
    const std::string mapping = ReadMapping(mappingFile_);
    for (int port = 0; port < static_cast<int>(cbPorts.size()); ++port) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString("cbPort%1").arg(port));
        box->setEditable(true);
        box->setMinimumContentsLength(40);
        box->addItem(QString(), QString());
        for (const NuvixParser::TSerialDevice& d : devices) {
            const QString path = QString::fromStdString(d.path);
            // An adapter by what it is; choosing it puts its stable path into the field.
            const QString shown = d.product.empty() ? path
                                                    : QString::fromStdString(d.product) + "  (" +
                                                          QString::fromStdString(d.devicePath) + ")";
            box->addItem(shown, path);
            box->setItemData(box->count() - 1, path, Qt::ToolTipRole);
        }
        // Typed text stays typed text: it is no item of its own.
        box->setInsertPolicy(QComboBox::NoInsert);
        connect(box, &QComboBox::currentIndexChanged, box, [box](int index) {
            if (const QVariant path = box->itemData(index); index >= 0 && path.isValid())
                box->setEditText(path.toString());
        });
        box->lineEdit()->setPlaceholderText(QString("/dev/ttyS%1").arg(port));
        const auto mapped = NuvixParser::MappedDevice(mapping, port);
        box->setEditText(mapped ? QString::fromStdString(*mapped) : QString());
        auto* test = new QPushButton("Test", this);
        test->setObjectName(QString("btnTest%1").arg(port));
        test->setToolTip("Open the port and send *IDN?");
        connect(test, &QPushButton::clicked, this, [this, port] { TestPort(port); });
        auto* row = new QHBoxLayout;
        row->addWidget(box, 1);
        row->addWidget(test);
        form->addRow(QString("COM%1 (port %2)").arg(port + 1).arg(port), row);
        cbPorts[static_cast<std::size_t>(port)] = box;
        btnTest[static_cast<std::size_t>(port)] = test;
    }
    layout->addLayout(form);
    // Plain text: an instrument's answer or a device path is no markup.
    lblTest = new QLabel(this);
    lblTest->setObjectName("lblTest");
    lblTest->setTextFormat(Qt::PlainText);
    lblTest->setWordWrap(true);
    lblTest->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblTest);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool TSerialPortsForm::Save(QString& error) {
    std::string mapping = ReadMapping(mappingFile_);
    for (int port = 0; port < static_cast<int>(cbPorts.size()); ++port) {
        const QString device = cbPorts[static_cast<std::size_t>(port)]->currentText().trimmed();
        mapping = NuvixParser::SetMappedDevice(mapping, port, device.toStdString());
    }
    QDir().mkpath(QFileInfo(mappingFile_).absolutePath());
    QSaveFile out(mappingFile_);
    if (!out.open(QIODevice::WriteOnly) || out.write(mapping.data(), static_cast<qint64>(mapping.size())) < 0 ||
        !out.commit()) {
        error = "Cannot write " + mappingFile_ + ": " + out.errorString();
        return false;
    }
    return true;
}

void TSerialPortsForm::TestPort(int port) {
    QString address = cbPorts[static_cast<std::size_t>(port)]->currentText().trimmed();
    if (address.isEmpty()) address = QString("/dev/ttyS%1").arg(port);
    const QString name = QString("COM%1: ").arg(port + 1);
    lblTest->setText(name + "testing " + address + " ...");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    NuvixParser::TCommHandler handler(address.toStdString(), "9600,n,8,1", 2000);
    QString shown;
    if (!handler.Open()) {
        shown = QString::fromStdString(handler.OpenError().empty() ? "cannot open " + handler.DevicePath()
                                                                   : handler.OpenError());
    } else {
        NuvixParser::TCalcInfo ci;
        handler.SetTerminator("\n");
        std::string line;
        if (handler.Write("*IDN?\n", ci) != NuvixParser::TCommEnd::Done) {
            shown = "the write failed";
        } else if (handler.ReadLine(line, ci) != NuvixParser::TCommEnd::Done) {
            shown = line.empty() ? "no answer within 2 s" : "no line end after: " + QString::fromLatin1(line);
        } else {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            shown = QString::fromLatin1(line);
        }
    }
    QApplication::restoreOverrideCursor();
    lblTest->setText(name + shown);
}

void TSerialPortsForm::accept() {
    QString error;
    if (Save(error)) QDialog::accept();
    else QMessageBox::warning(this, "Serial Ports", error);
}

} // namespace NuvixApp
