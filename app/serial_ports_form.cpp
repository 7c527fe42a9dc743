// TSerialPortsForm: the devices offered per port, and saving the mapping file.
#include "app/serial_ports_form.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSaveFile>
#include <QVBoxLayout>

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
    auto* note = new QLabel("Which device each serial port of the scripts opens (commopen port 0 is COM1). "
                            "An empty choice opens /dev/ttyS0 to /dev/ttyS9; a VARNEX_COM1 ... VARNEX_COM10 "
                            "environment variable overrides the choice.",
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
        box->addItem(QString());
        for (const NuvixParser::TSerialDevice& d : devices) {
            box->addItem(QString::fromStdString(d.path));
            if (d.path != d.devicePath)
                box->setItemData(box->count() - 1, QString::fromStdString(d.devicePath), Qt::ToolTipRole);
        }
        box->lineEdit()->setPlaceholderText(QString("/dev/ttyS%1").arg(port));
        const auto mapped = NuvixParser::MappedDevice(mapping, port);
        box->setEditText(mapped ? QString::fromStdString(*mapped) : QString());
        form->addRow(QString("COM%1 (port %2)").arg(port + 1).arg(port), box);
        cbPorts[static_cast<std::size_t>(port)] = box;
    }
    layout->addLayout(form);
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

void TSerialPortsForm::accept() {
    QString error;
    if (Save(error)) QDialog::accept();
    else QMessageBox::warning(this, "Serial Ports", error);
}

} // namespace NuvixApp
