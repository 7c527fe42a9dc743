// Entry point of the desktop calculator.
#include <QApplication>
#include <QStringList>

#include "app/file_association.h"
#include "app/main_form.h"
#include "instruments/run_context.h"
#include "windows/graphic_form.h"
#include "windows/output_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("The Varnex Calculator");
    NuvixApp::RegisterFileType(NuvixApp::UserDataHome(), QApplication::applicationFilePath().toStdString());

    // The windows in their order of creation; only the main window shows at start, the
    // plot and output windows show themselves when a script plots or writes to them.
    NuvixApp::TMainForm mainForm;
    NuvixWindows::TGraphicForm graphicForm;
    NuvixWindows::TOutputForm outputForm;
    mainForm.SetRunWindows(
        NuvixParser::TRunContext{&outputForm.TextOutput(), &graphicForm.PlotWindow(), nullptr});
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
