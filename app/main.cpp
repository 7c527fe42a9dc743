// Entry point of the desktop calculator.
#include <QApplication>
#include <QStringList>
#include <iostream>

#include "app/about_form.h"
#include "app/command_line.h"
#include "app/file_association.h"
#include "app/main_form.h"
#include "app/program_icon.h"
#include "app/recovery_store.h"
#include "functions/files/child_processes.h"
#include "functions/files/end_signals.h"
#include "instruments/run_context.h"
#include "usergui/control_form.h"
#include "windows/graphic_form.h"
#include "windows/output_form.h"
#include "windows/window_placement.h"

int main(int argc, char** argv) {
    // --help and --version answer before Qt starts, so they work without a display.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i) rawArguments << QString::fromLocal8Bit(argv[i]);
    const NuvixApp::TCommandLine early = NuvixApp::ParseCommandLine(rawArguments);
    if (early.help) {
        std::cout << NuvixApp::UsageText().toStdString();
        return 0;
    }
    if (early.version) {
        std::cout << "The Varnex Calculator, " << NuvixApp::TAboutForm::VersionLine().toStdString() << '\n';
        return 0;
    }

    // Closing or killing the calculator ends the programs execute has running too: they
    // run in process groups of their own, which the signal that ends ours does not reach.
    NuvixParser::EndChildProcessesOnEndSignals();

    QApplication app(argc, argv);
    QApplication::setApplicationName("The Varnex Calculator");
    QApplication::setWindowIcon(NuvixApp::ProgramIcon());
    // Qt has taken its own options (-platform and the like) out of the arguments now.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    const NuvixApp::TCommandLine commandLine = NuvixApp::ParseCommandLine(args);
    if (!commandLine.error.isEmpty()) {
        std::cerr << "varnexcalc: " << commandLine.error.toStdString() << "\n\n" << NuvixApp::UsageText().toStdString();
        return 2;
    }
    NuvixApp::RegisterFileType(NuvixApp::UserDataHome(), QApplication::applicationFilePath().toStdString());

    // The windows in their order of creation; only the main window shows at start, the
    // plot and output windows show themselves when a script plots or writes to them, the
    // control window when a script loads a panel.
    NuvixApp::TMainForm mainForm;
    NuvixWindows::TGraphicForm graphicForm;
    NuvixWindows::TOutputForm outputForm;
    NuvixUserGui::TControlForm controlForm;
    mainForm.SetRunWindows(NuvixParser::TRunContext{&outputForm.TextOutput(), &graphicForm.PlotWindow(),
                                                    &controlForm.PanelHost()});
    // Each window comes back where the user left it (children of their windows).
    mainForm.SetToolWindows(&outputForm, &graphicForm, &controlForm);
    (new NuvixWindows::TWindowPlacement(mainForm, "MainWindow"))->Keep(*mainForm.splitter);
    new NuvixWindows::TWindowPlacement(outputForm, "OutputWindow");
    new NuvixWindows::TWindowPlacement(graphicForm, "PlotWindow");
    new NuvixWindows::TWindowPlacement(controlForm, "ControlsWindow");
    mainForm.show();

    // Unsaved work is kept in snapshots; what a crash left behind is offered on a plain
    // start (a file named on the command line is what the user asked for instead, and the
    // snapshots wait for the next plain start).
    mainForm.EnableRecovery(NuvixApp::TRecoveryStore::DefaultDirectory());
    if (commandLine.file.isEmpty()) mainForm.OfferRecovery();
    mainForm.OpenFromCommandLine(commandLine.file, commandLine.run);
    const int status = app.exec();
    NuvixParser::EndChildProcesses(); // should the program end while a run goes on
    return status;
}
