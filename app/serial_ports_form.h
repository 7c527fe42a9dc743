// TSerialPortsForm: the dialog that maps the ports COM1 to COM10 to serial devices.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <string>

class QComboBox;

namespace NuvixApp {

// One editable choice per port: the devices present (stable by-id names of USB adapters
// first), or any path typed in; empty leaves the port on its default /dev/ttyS<n>. OK
// rewrites only the ports' lines of the mapping file and keeps the rest of it.
class TSerialPortsForm final : public QDialog {
    Q_OBJECT
public:
    // `mappingFile` and `devRoot` are the user's file and /dev except in tests.
    explicit TSerialPortsForm(QWidget* parent = nullptr, QString mappingFile = {}, const std::string& devRoot = "/dev");

    // Writes the choices to the mapping file; false with the reason when it cannot. OK
    // shows the reason and keeps the dialog open.
    bool Save(QString& error);
    void accept() override;

    std::array<QComboBox*, 10> cbPorts{};

private:
    QString mappingFile_;
};

} // namespace NuvixApp
