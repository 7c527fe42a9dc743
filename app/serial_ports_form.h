// TSerialPortsForm: the dialog that maps the ports COM1 to COM10 to serial devices, sockets and USBTMC devices.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;

namespace NuvixApp {

// One editable choice per port: the devices present (USB adapters first, shown by their
// product names and chosen by their stable by-id paths), or any path, URL or resource
// string typed in; empty leaves the port on its default /dev/ttyS<n>. "Test" opens the
// port as typed and asks the instrument "*IDN?". OK rewrites only the ports' lines of the
// mapping file and keeps the rest of it.
class TSerialPortsForm final : public QDialog {
    Q_OBJECT
public:
    // `mappingFile` and `devRoot` are the user's file and /dev except in tests.
    explicit TSerialPortsForm(QWidget* parent = nullptr, QString mappingFile = {}, const std::string& devRoot = "/dev");

    // Writes the choices to the mapping file; false with the reason when it cannot. OK
    // shows the reason and keeps the dialog open.
    bool Save(QString& error);
    void accept() override;
    // Opens port `port` as its choice says (9600 baud on a terminal, LF after the query and
    // the answer), sends "*IDN?" and shows the answer or what went wrong in lblTest.
    void TestPort(int port);

    std::array<QComboBox*, 10> cbPorts{};
    std::array<QPushButton*, 10> btnTest{};
    QLabel* lblTest = nullptr;

private:
    QString mappingFile_;
};

} // namespace NuvixApp
