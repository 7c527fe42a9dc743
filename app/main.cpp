// Entry point of the desktop calculator.
#include <QApplication>
#include <QStringList>

#include "app/file_association.h"
#include "app/main_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("The Varnex Calculator");
    NuvixApp::RegisterFileType(NuvixApp::UserDataHome(), QApplication::applicationFilePath().toStdString());

    NuvixApp::TMainForm mainForm;
    mainForm.show();

    // The whole argument text is one file name; surrounding double quotes are removed.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    QString path = args.join(' ');
    if (path.startsWith('"') && path.size() >= 2) path = path.mid(1, path.size() - 2);
    if (!path.isEmpty()) {
        mainForm.OpenFile(path);
        mainForm.SetModified(false);
    }
    return app.exec();
}
