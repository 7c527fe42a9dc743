// TMainForm: document, panels, syntax check with colouring, start/break and results.
#include "app/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QLocale>
#include <QTextBlock>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/about_form.h"
#include "app/code_editor.h"
#include "app/edit_panel.h"
#include "app/help_browser.h"
#include "app/engine_text.h"
#include "app/recovery_store.h"
#include "app/rename_form.h"
#include "app/serial_ports_form.h"
#include "engine/calc_info.h"
#include "engine/function.h"
#include "engine/macro_file.h"
#include "engine/out_of_memory.h"
#include "engine/result_text.h"
#include "functions/files/child_processes.h"
#include "instruments/calculator.h"
#include "usergui/user_form.h"
#include "windows/cp1252.h"
#include "windows/mnemonic_text.h"
#include "windows/window_placement.h"

namespace NuvixApp {

using namespace NuvixParser;
using NuvixWindows::FromCp1252;
using NuvixWindows::FromMnemonicSafe;
using NuvixWindows::MnemonicSafe;
using NuvixWindows::ToCp1252;

namespace {

const char* const kTitle = "The Varnex Calculator";
const char* const kFileFilter = "Zenthi macro files (*.zma);;All files (*)";

} // namespace

QString TMainForm::Caption(const QString& fileTitle) {
    return fileTitle.isEmpty() ? QString(kTitle) : QString(kTitle) + " - " + fileTitle;
}

TMainForm::TMainForm(QWidget* parent) : TMainForm(CalculatorRegistry(), parent) {}

TMainForm::TMainForm(std::shared_ptr<const TFunctionRegistry> registry, QWidget* parent) : QMainWindow(parent) {
    askUser = [this](QMessageBox::Icon icon, const QString& caption, const QString& text,
                     QMessageBox::StandardButtons buttons) {
        QMessageBox box(icon, caption, text, buttons, this);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    askPanelName = [this](const QString& caption) -> std::optional<QString> {
        TRenameForm dialog(this);
        dialog.SetCaption(caption);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.NewName();
    };
    askRecover = [this](const QString& text) {
        QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::NoButton, this);
        QPushButton* recover = box.addButton("Recover", QMessageBox::AcceptRole);
        box.addButton("Discard", QMessageBox::DestructiveRole);
        box.setDefaultButton(recover);
        box.exec();
        return box.clickedButton() == recover;
    };
    autosaveTimer_.setInterval(30000);
    connect(&autosaveTimer_, &QTimer::timeout, this, [this] { Autosave(); });
    setMinimumSize(500, 420);
    resize(760, 560);
    setAcceptDrops(true);
    CreateActions();
    CreateLayout();
    SetCaption();

    calculator_ = std::make_unique<TCalculator>(static_cast<TRunEndListener*>(this), std::move(registry), [this] {
        // Runs on the worker thread: report on the GUI thread, unless the window is the
        // one ending the thread (closing_ is set before the calculator goes).
        if (closing_) return;
        QMetaObject::invokeMethod(this, [this] { OnThreadLost(); }, Qt::QueuedConnection);
    });
    panelParser_ = &calculator_->PanelParser();
    globalParser_ = &calculator_->GlobalParser();
    globalParser_->SetText(""); // no program and no error until the Global panel is checked

    highlightTimer_.setSingleShot(true);
    highlightTimer_.setInterval(200);
    connect(&highlightTimer_, &QTimer::timeout, this, [this] { ApplyHighlighting(); });

    helpBrowser->Fill(panelParser_->Registry());
    NewDocument();
    qApp->installEventFilter(this);
}

TMainForm::~TMainForm() {
    if (recovery_) recovery_->Finish();
    closing_ = true;
    qApp->removeEventFilter(this);
    DestroyAllTabs();
    calculator_.reset();
}

void TMainForm::SetRunWindows(const TRunContext& windows) {
    calculator_->SetWindows(windows);
}

// ---- construction ------------------------------------------------------------------------

void TMainForm::CreateActions() {
    auto make = [this](const QString& text, const QString& hint, QKeySequence key, auto slot) {
        auto* a = new QAction(text, this);
        if (!hint.isEmpty()) a->setStatusTip(hint), a->setToolTip(hint);
        if (!key.isEmpty()) a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    actionNew = make("&New", "Start with an empty file", {}, [this] {
        if (calculating_) return;
        if (modified_ && !SavePrompt()) return;
        NewDocument();
    });
    actionOpen = make("&Open...", "", QKeySequence("Ctrl+O"), [this] { OpenDialog(); });
    actionSave = make("&Save", "", QKeySequence("Ctrl+S"), [this] { SaveAction(); });
    actionSaveAs = make("Save &as...", "", QKeySequence("Ctrl+Shift+S"), [this] { SaveAsDialog(); });
    actionExit = make("&Quit", "", QKeySequence("Ctrl+Q"), [this] { close(); });
    actionStart = make("&Start", "Start the calculation", QKeySequence(Qt::Key_F2), [this] { Start(); });
    actionBreak = make("&Break", "Interrupt calculation", QKeySequence(Qt::Key_F4), [this] { Break(); });
    actionNewPanel =
        make("New &panel", "Create a new expression window", QKeySequence("Ctrl+N"), [this] { NewPanel(); });
    actionDeletePanel = make("&Delete panel", "Delete the current expression window and the expression in it",
                       QKeySequence("Ctrl+D"), [this] { DeletePanel(); });
    actionRename = make("&Rename...", "Rename the tabsheet label of the current panel", {},
                        [this] { RenameDialog(tabs_->currentIndex()); });
    actionManual = make("&User Manual...", "Display the PDF-Manual", {}, [this] {
        const QString manual = FindManual();
        if (!manual.isEmpty()) {
            OpenManual(manual);
            return;
        }
        askUser(QMessageBox::Warning, kTitle,
                "The user manual varnexcalc.pdf was not found. Looked for it here:\n" +
                    ManualPlaces().join('\n'),
                QMessageBox::Ok);
    });
    actionAbout = make("&About...", "", {}, [this] { AboutBox(); });
    actionSerialPorts = make("Serial &Ports…", "Choose the devices of the serial ports COM1 to COM10", {},
                             [this] { SerialPortsDialog(); });

    QStyle* st = style();
    actionOpen->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    actionSave->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    actionStart->setIcon(st->standardIcon(QStyle::SP_MediaPlay));
    actionBreak->setIcon(st->standardIcon(QStyle::SP_MediaStop));
    actionNewPanel->setIcon(st->standardIcon(QStyle::SP_FileIcon));
    actionDeletePanel->setIcon(st->standardIcon(QStyle::SP_TrashIcon));

    actionEditGui = make("&Create / Edit GUI...", "Draw a control panel for scripts", {}, [this] {
        QFileDialog dialog(this, "Open / Create GUI File");
        dialog.setNameFilters({"GUI Files (*.gui)", "All Files (*)"});
        dialog.setDefaultSuffix("gui");
        // A name that does not exist yet makes a new panel.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            OpenOrCreateGuiEditor(dialog.selectedFiles().first());
    });
    actionEditGui->setObjectName("actionEditGui");

    QMenu* file = menuBar()->addMenu("&File");
    file->addActions({actionNew, actionOpen, actionSave, actionSaveAs});
    file->addSeparator();
    file->addAction(actionEditGui);
    menuRecentFiles = file->addMenu("Recent files");
    menuRecentFiles->setObjectName("menuRecentFiles");
    menuRecentFiles->setToolTipsVisible(true); // the full path of each file
    recentFiles_ = TRecentFiles::Load(*NuvixWindows::ProgramSettings());
    UpdateRecentMenu();
    file->addSeparator();
    file->addAction(actionExit);
    QMenu* edit = menuBar()->addMenu("&Edit");
    auto editAction = [this, edit](const QString& text, const QList<QKeySequence>& keys,
                                   void (QPlainTextEdit::*op)()) {
        QAction* a = edit->addAction(text);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, [this, op] {
            if (TEditPanel* p = CurrentPanel()) (p->MemoEdit()->*op)();
        });
        return a;
    };
    actionUndo = editAction("&Undo", QKeySequence::keyBindings(QKeySequence::Undo), &QPlainTextEdit::undo);
    actionRedo = editAction("&Redo", QKeySequence::keyBindings(QKeySequence::Redo), &QPlainTextEdit::redo);
    // Ctrl+Y redoes also where the desktop's binding is Ctrl+Shift+Z (an editor that takes
    // Ctrl+Y as its own redo keeps it, so the key never redoes twice). A window-wide
    // shortcut: one in a menu only reaches the menu's own widgets otherwise.
    if (!QKeySequence::keyBindings(QKeySequence::Redo).contains(QKeySequence("Ctrl+Y"))) {
        auto* redoKey = new QAction(this);
        redoKey->setShortcut(QKeySequence("Ctrl+Y"));
        addAction(redoKey);
        connect(redoKey, &QAction::triggered, this, [this] {
            if (TEditPanel* p = CurrentPanel(); p && p->MemoEdit()->hasFocus()) p->MemoEdit()->redo();
        });
    }
    edit->addSeparator();
    actionCut = editAction("&Cut", {QKeySequence::Cut}, &QPlainTextEdit::cut);
    actionCopy = editAction("C&opy", {QKeySequence::Copy}, &QPlainTextEdit::copy);
    editAction("&Paste", {QKeySequence::Paste}, &QPlainTextEdit::paste);
    editAction("&Select all", {QKeySequence::SelectAll}, &QPlainTextEdit::selectAll);
    edit->addSeparator();
    actionInsertGuiCode = edit->addAction("&Insert GUI Code...");
    actionInsertGuiCode->setObjectName("actionInsertGuiCode");
    connect(actionInsertGuiCode, &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Select GUI File to Insert", QString(),
                                                          "GUI Files (*.gui);;All files (*)");
        if (!path.isEmpty()) InsertGuiCode(path);
    });
    QMenu* calc = menuBar()->addMenu("&Calculation");
    calc->addActions({actionStart, actionBreak});
    QMenu* panel = menuBar()->addMenu("&Panel");
    panel->addActions({actionNewPanel, actionDeletePanel, actionRename});
    QMenu* options = menuBar()->addMenu("&Options");
    options->addAction(actionSerialPorts);
    menuWindow = menuBar()->addMenu("&Window");
    menuWindow->setObjectName("menuWindow");
    auto windowAction = [this](const QString& text, int which) {
        QAction* a = menuWindow->addAction(text);
        a->setCheckable(true);
        a->setEnabled(false);
        connect(a, &QAction::triggered, this, [this, which](bool open) {
            QWidget* window = toolWindows_[which];
            if (!window) return;
            if (open) {
                window->show();
                window->raise();
                window->activateWindow();
            } else {
                window->hide();
            }
        });
        return a;
    };
    actionOutputWindow = windowAction("&Output", 0);
    actionPlotWindow = windowAction("&Plots", 1);
    actionControlWindow = windowAction("&Controls", 2);
    connect(menuWindow, &QMenu::aboutToShow, this, [this] { UpdateWindowMenu(); });
    QMenu* help = menuBar()->addMenu("&Help");
    help->addActions({actionManual, actionAbout});

    QToolBar* bar = addToolBar("Tools");
    bar->setObjectName("tbMain");
    bar->addActions({actionOpen, actionSave});
    bar->addSeparator();
    bar->addActions({actionStart, actionBreak});
    bar->addSeparator();
    bar->addActions({actionNewPanel, actionDeletePanel});
}

void TMainForm::CreateLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    splitter = new QSplitter(Qt::Vertical, central);
    splitter->setObjectName("splitter");
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);
    tabs_ = new QTabWidget(splitter);
    tabs_->setObjectName("tabPanels");
    splitter->addWidget(tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { OnTabChanged(index); });
    tabs_->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabs_->tabBar(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = TabMenu(tabs_->tabBar()->tabAt(at));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(tabs_->tabBar()->mapToGlobal(at));
    });
    connect(tabs_, &QTabWidget::tabBarDoubleClicked, this, [this](int index) { RenameDialog(index); });

    // The help area: pick a function to see how it is called and what it does.
    helpBrowser = new THelpBrowser(splitter);
    helpBrowser->setObjectName("helpBrowser");
    helpBrowser->afterCopy = [this] {
        if (TEditPanel* p = CurrentPanel()) p->MemoEdit()->setFocus();
    };
    splitter->addWidget(helpBrowser);
    // The editors take what the window gains; the help area keeps its height.
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({400, 160});

    auto* bottom = new QHBoxLayout();
    auto* logo = new QLabel(QString("<a href=\"%1\">Varnex</a>").arg(TAboutForm::ProjectPage()), central);
    logo->setOpenExternalLinks(true);
    bottom->addWidget(logo);
    bottom->addWidget(new QLabel("Status:", central));
    lblError = new QLabel(central);
    lblError->setObjectName("lblError");
    lblError->setAlignment(Qt::AlignCenter);
    lblError->setMinimumWidth(60);
    bottom->addWidget(lblError);
    btnShowError = new QPushButton("Show error", central);
    btnShowError->setObjectName("btnShowError");
    btnShowError->setToolTip("Display the reason why the status is red");
    connect(btnShowError, &QPushButton::clicked, this, [this] { ShowError(); });
    bottom->addWidget(btnShowError);
    bottom->addStretch(1);
    layout->addLayout(bottom);
    setCentralWidget(central);

    statusField0_ = new QLabel(this);
    statusField0_->setFixedWidth(60);
    statusField1_ = new QLabel(this);
    statusBar()->addWidget(statusField0_);
    statusBar()->addWidget(statusField1_, 1);
    SetErrorState(false);
}

QStringList TMainForm::ManualPlaces() {
    const QString program = QCoreApplication::applicationDirPath();
    return {QDir(program).filePath("varnexcalc.pdf"),
            QDir::cleanPath(program + "/../share/doc/varnexcalc/varnexcalc.pdf"),
            QDir::current().filePath("varnexcalc.pdf")};
}

QString TMainForm::FindManual() {
    for (const QString& place : ManualPlaces())
        if (QFileInfo(place).isFile()) return place;
    return {};
}

void TMainForm::OpenManual(const QString& manual) {
    auto* opener = new QProcess(this);
    // The opener may stay running as long as the viewer it started (xdg-open without a
    // desktop session does); only a failure is news, a viewer that went on is not.
    connect(opener, &QProcess::errorOccurred, this, [this, opener, manual](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        opener->deleteLater();
        ManualNotShown(manual);
    });
    connect(opener, &QProcess::finished, this, [this, opener, manual](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if (status != QProcess::NormalExit || code != 0) ManualNotShown(manual);
    });
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->start(documentOpener, {manual});
}

void TMainForm::ManualNotShown(const QString& manual) {
    if (askUser(QMessageBox::Warning, kTitle,
                "No program to show PDF files could be started for the user manual. It is here:\n" + manual +
                    "\n\nDo you want to open the folder that holds it?",
                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(manual).absolutePath()));
}

void TMainForm::InsertGuiCode(const QString& path) {
    TEditPanel* panel = CurrentPanel();
    if (!panel) return;
    panel->MemoEdit()->textCursor().insertText("loadgui(0;'" + path +
                                               "'),\nwhile(waitguievent(0);\n println('GUI Event...')\n)\n");
}

// ---- panels ------------------------------------------------------------------------------

TEditPanel* TMainForm::Panel(int index) const {
    return qobject_cast<TEditPanel*>(tabs_->widget(index));
}

QString TMainForm::PanelCaption(int index) const {
    return FromMnemonicSafe(tabs_->tabText(index));
}

int TMainForm::PanelCount() const {
    return tabs_->count();
}

TEditPanel* TMainForm::CurrentPanel() const {
    return tabs_->currentIndex() >= 0 ? Panel(tabs_->currentIndex()) : nullptr;
}

TEditPanel* TMainForm::AddPanel(const QString& caption, bool global) {
    auto* panel = new TEditPanel(!global, tabs_);
    panel->changeHook = [this](TEditPanel* p) { ParsePanel(p); };
    QPlainTextEdit* editor = panel->MemoEdit();
    for (auto signal : {&QPlainTextEdit::undoAvailable, &QPlainTextEdit::redoAvailable, &QPlainTextEdit::copyAvailable})
        connect(editor, signal, this, [this] { UpdateEditActions(); });
    // Built-ins, the Global panel's defines and the panel's own names.
    panel->Editor()->completionSource = [this, panel] {
        const QString global = tabs_->count() > 0 && Panel(0) != panel ? Panel(0)->MemoEdit()->toPlainText() : QString();
        return CompletionCandidates(&panelParser_->Registry(), global, panel->MemoEdit()->toPlainText());
    };
    switchingTabs_ = true; // the caller decides which tab is active
    tabs_->addTab(panel, MnemonicSafe(caption));
    switchingTabs_ = false;
    return panel;
}

void TMainForm::DestroyAllTabs() {
    switchingTabs_ = true;
    highlightTarget_ = nullptr;
    while (tabs_->count() > 0) {
        QWidget* w = tabs_->widget(tabs_->count() - 1);
        tabs_->removeTab(tabs_->count() - 1);
        delete w;
    }
    switchingTabs_ = false;
    lastTab_ = -1;
}

void TMainForm::NewPanel() {
    if (calculating_) return;
    AddPanel(QString::fromStdString(CalculatorCaption(tabs_->count())), false);
    tabs_->setCurrentIndex(tabs_->count() - 1); // re-checks the new panel
    UpdateActions();
    if (TEditPanel* p = CurrentPanel()) p->MemoEdit()->setFocus();
}

void TMainForm::DeletePanel(bool ask) {
    const int index = tabs_->currentIndex();
    if (calculating_ || index < 1) return;
    TEditPanel* panel = Panel(index);
    if (ask && !panel->MemoEdit()->toPlainText().isEmpty() &&
        askUser(QMessageBox::Question, "Calculator", "Panel is not empty, do you really want to delete it?",
                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    if (highlightTarget_ == panel) highlightTarget_ = nullptr;
    switchingTabs_ = true;
    tabs_->removeTab(index);
    delete panel;
    switchingTabs_ = false;
    tabs_->setCurrentIndex(std::min(index, tabs_->count() - 1));
    RecheckActive();
    UpdateActions();
}

void TMainForm::RenamePanel(int index, const QString& caption) {
    if (index < 1 || index >= tabs_->count()) return;
    tabs_->setTabText(index, MnemonicSafe(caption));
    SetModified(true);
}

void TMainForm::RenameDialog(int index) {
    if (index < 1 || index >= tabs_->count()) return;
    if (const std::optional<QString> name = askPanelName(PanelCaption(index))) RenamePanel(index, *name);
}

QMenu* TMainForm::TabMenu(int index) {
    auto* menu = new QMenu(this);
    QAction* rename = menu->addAction("&Rename...", this, [this, index] { RenameDialog(index); });
    // As the Panel menu's Rename: a caption may change while a calculation runs.
    rename->setEnabled(index >= 1);
    QAction* remove = menu->addAction("&Delete panel", this, [this, index] {
        // Delete acts on the active panel; the tab clicked becomes it first.
        if (index < 1 || calculating_) return;
        tabs_->setCurrentIndex(index);
        DeletePanel();
    });
    remove->setEnabled(index >= 1 && !calculating_);
    menu->addSeparator();
    QAction* add = menu->addAction("New &panel", this, [this] { NewPanel(); });
    add->setEnabled(!calculating_);
    return menu;
}

void TMainForm::SerialPortsDialog() {
    TSerialPortsForm dialog(this);
    dialog.exec();
}

void TMainForm::OnTabChanged(int index) {
    if (switchingTabs_) return;
    if (calculating_ && index != lastTab_ && lastTab_ >= 0) {
        // Switching is refused while calculating.
        switchingTabs_ = true;
        tabs_->setCurrentIndex(lastTab_);
        switchingTabs_ = false;
        return;
    }
    RecheckActive();
    UpdateActions();
}

void TMainForm::RecheckActive() {
    lastTab_ = tabs_->currentIndex();
    if (TEditPanel* p = CurrentPanel()) {
        const bool wasModified = modified_;
        ParsePanel(p);
        SetModified(wasModified);
    }
}

// ---- syntax check and colouring -------------------------------------------------------------

void TMainForm::ParsePanel(TEditPanel* panel) {
    if (calculating_ || tabs_->count() == 0 || !panel) return;
    SetModified(true);
    TParser& parser = tabs_->indexOf(panel) == 0 ? *globalParser_ : *panelParser_;
    bool ok = false;
    try {
        parser.SetText(panel->Text());
        ok = parser.Compile(&marks_);
    } catch (const std::bad_alloc&) {
        // Taking the editor's text ran out of memory: the same failure as in the compile.
        parser.OutOfMemory();
    }
    SetErrorState(!ok);
    MarkErrorLine(panel, parser);
    // A script too large to compile says so at once; a syntax error waits for Show Error.
    if (parser.RanOutOfMemory()) statusField1_->setText(FromCp1252(parser.ErrorMessage()));
    highlightTarget_ = panel;
    if (ok) highlightTimer_.start();
}

void TMainForm::MarkErrorLine(TEditPanel* panel, const TParser& parser) {
    TCodeEditor* editor = panel->Editor();
    if (!parser.HasError()) {
        editor->SetErrorLine(-1, QString());
        return;
    }
    // Where the error starts, as Show error selects it.
    const int length = editor->document()->characterCount() - 1;
    const int start = std::clamp(panel->EngineText().EditorPosition(std::max(0, parser.ErrorStart())), 0, length);
    editor->SetErrorLine(editor->document()->findBlock(start).blockNumber(), FromCp1252(parser.ErrorMessage()));
}

void TMainForm::ApplyHighlighting() {
    highlightTimer_.stop();
    if (!highlightTarget_ || tabs_->indexOf(highlightTarget_) < 0) return;
    highlightTarget_->ApplyHighlighting(marks_);
}

// ---- state shown ----------------------------------------------------------------------------

void TMainForm::UpdateActions() {
    const int index = tabs_->currentIndex();
    actionSave->setEnabled(modified_);
    actionNew->setEnabled(!calculating_);
    actionOpen->setEnabled(!calculating_);
    actionNewPanel->setEnabled(!calculating_);
    actionStart->setEnabled(!calculating_ && !error_ && index >= 1);
    actionBreak->setEnabled(calculating_);
    actionDeletePanel->setEnabled(!calculating_ && index >= 1);
    actionRename->setEnabled(index >= 1);
    menuRecentFiles->setEnabled(!calculating_ && !recentFiles_.Files().isEmpty());
    for (int i = 0; i < tabs_->count(); ++i)
        if (TEditPanel* p = Panel(i)) p->MemoEdit()->setReadOnly(calculating_);
    UpdateEditActions();
}

void TMainForm::UpdateEditActions() {
    const TEditPanel* panel = CurrentPanel();
    const QPlainTextEdit* editor = panel ? panel->MemoEdit() : nullptr;
    const bool writable = editor && !editor->isReadOnly();
    const bool selection = editor && editor->textCursor().hasSelection();
    actionUndo->setEnabled(writable && editor->document()->isUndoAvailable());
    actionRedo->setEnabled(writable && editor->document()->isRedoAvailable());
    actionCut->setEnabled(writable && selection);
    actionCopy->setEnabled(selection);
}

void TMainForm::SetToolWindows(QWidget* output, QWidget* plots, QWidget* controls) {
    toolWindows_[0] = output;
    toolWindows_[1] = plots;
    toolWindows_[2] = controls;
    UpdateWindowMenu();
}

void TMainForm::UpdateWindowMenu() {
    QAction* const actions[3] = {actionOutputWindow, actionPlotWindow, actionControlWindow};
    for (int i = 0; i < 3; ++i) {
        QAction* action = actions[i];
        action->setEnabled(toolWindows_[i] != nullptr);
        action->setChecked(toolWindows_[i] && toolWindows_[i]->isVisible());
    }
}

void TMainForm::SetErrorState(bool value) {
    error_ = value;
    if (value) {
        lblError->setText("Error");
        lblError->setStyleSheet("QLabel { background: rgb(255,0,0); }");
    } else {
        lblError->setText("Ok");
        lblError->setStyleSheet("QLabel { background: rgb(0,255,0); }");
        statusField1_->clear();
    }
    btnShowError->setEnabled(value);
    UpdateActions();
}

void TMainForm::ShowError() {
    TEditPanel* panel = CurrentPanel();
    if (!panel) return;
    TParser& parser = tabs_->currentIndex() == 0 ? *globalParser_ : *panelParser_;
    if (!parser.HasError()) {
        SetErrorState(false);
        return;
    }
    statusField1_->setText(FromCp1252(parser.ErrorMessage()));
    // The parser counts bytes of the text it was given; the editor counts its own characters.
    const TEngineText text = panel->EngineText();
    const int length = panel->MemoEdit()->document()->characterCount() - 1;
    const int start = std::clamp(text.EditorPosition(std::max(0, parser.ErrorStart())), 0, length);
    // An error at the end of the text (end -1) selects up to the end.
    const int end = parser.ErrorEnd() < 0 ? length : std::clamp(text.EditorPosition(parser.ErrorEnd()), start, length);
    QTextCursor cursor = panel->MemoEdit()->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    panel->MemoEdit()->setTextCursor(cursor);
    panel->MemoEdit()->setFocus();
}

void TMainForm::SetModified(bool value) {
    if (value == modified_) return;
    modified_ = value;
    UpdateActions();
    statusField0_->setText(value ? "Changed" : "");
}

QString TMainForm::StatusText(int field) const {
    return field == 0 ? statusField0_->text() : statusField1_->text();
}

void TMainForm::SetCaption() {
    const QString caption = Caption(hasFileName_ ? fileTitle_ : QString());
    setWindowTitle(caption);
    QApplication::setApplicationDisplayName(QString());
    qApp->setApplicationName(caption);
}

// ---- calculation ----------------------------------------------------------------------------

void TMainForm::Start() {
    if (calculating_ || tabs_->currentIndex() < 1) return;
    if (panelParser_->HasError() || globalParser_->HasError()) return;
    Autosave(); // a script that crashes the calculator loses no typing
    calculating_ = true;
    UpdateActions();
    statusField1_->setText("Running...");
    if (!calculator_->Start()) {
        calculating_ = false;
        UpdateActions();
    }
}

void TMainForm::Break() {
    if (!calculating_) return;
    statusField1_->setText("Breaking...");
    calculator_->Break();
}

void TMainForm::RunEnded(const TReturnValue& result) {
    QMetaObject::invokeMethod(this, [this, &result] { OnRunEnded(&result); }, Qt::QueuedConnection);
}

void TMainForm::OnRunEnded(const TReturnValue* result) {
    const TCalcInfo& ci = calculator_->CalcInfo();
    if (TEditPanel* panel = CurrentPanel(); panel && result)
        panel->ShowResult(FromCp1252(ResultLineText(*result, ci, panel->Radix())));
    statusField1_->setText(ci.error ? "Calculation terminated" : "Calculation finished");
    calculating_ = false;
    UpdateActions();
    if (TEditPanel* panel = CurrentPanel()) panel->MemoEdit()->setFocus();
}

void TMainForm::OnThreadLost() {
    threadLost_ = true;
    if (closing_) return;
    askUser(QMessageBox::Critical, kTitle,
            "Macro thread terminated unexpectedly, maybe the connection to the Zenthi program is "
            "lost. Please restart the program.",
            QMessageBox::Ok);
}

// ---- document -------------------------------------------------------------------------------

void TMainForm::NewDocument() {
    hasFileName_ = false;
    lineEnds_ = TLineEnds::Lf;
    filePath_.clear();
    fileTitle_.clear();
    DestroyAllTabs();
    AddPanel(kGlobalCaption, true);
    AddPanel(QString::fromStdString(CalculatorCaption(1)), false);
    // Check tab 0, then tab 1, so no program of the previous document stays in a parser.
    switchingTabs_ = true;
    tabs_->setCurrentIndex(0);
    switchingTabs_ = false;
    RecheckActive();
    switchingTabs_ = true;
    tabs_->setCurrentIndex(1);
    switchingTabs_ = false;
    RecheckActive();
    SetCaption();
    SetModified(false);
    UpdateActions();
    if (TEditPanel* p = CurrentPanel()) p->MemoEdit()->setFocus();
}

bool TMainForm::OpenFile(const QString& path) {
    if (!LoadDocument(path)) return false;
    RememberRecentFile(path);
    return true;
}

bool TMainForm::LoadDocument(const QString& path) {
    if (calculating_) return false;
    // Read first: a file that cannot be read leaves the current document alone.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        askUser(QMessageBox::Warning, kTitle, "Error opening file " + path, QMessageBox::Ok);
        return false;
    }
    const QString tooLarge = QString(kScriptFileTooLarge) + ": " + path;
    std::vector<TMacroPanel> tabs;
    try {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            askUser(QMessageBox::Warning, kTitle, "Error opening file " + path, QMessageBox::Ok);
            return false;
        }
        tabs = SplitMacroText(std::string_view(bytes.constData(), bytes.size()));
    } catch (const std::bad_alloc&) {
        askUser(QMessageBox::Warning, kTitle, tooLarge, QMessageBox::Ok);
        return false;
    }

    NewDocument();
    filePath_ = path;
    lineEnds_ = LineEndsOf(tabs);
    try {
        for (std::size_t i = 0; i < tabs.size(); ++i) {
            TEditPanel* panel = static_cast<int>(i) < tabs_->count() ? Panel(static_cast<int>(i)) : nullptr;
            if (panel)
                tabs_->setTabText(static_cast<int>(i), MnemonicSafe(FromCp1252(tabs[i].caption)));
            else
                panel = AddPanel(FromCp1252(tabs[i].caption), false);
            panel->notify = false;
            panel->SetText(tabs[i].text);
            panel->notify = true;
            ParsePanel(panel);
            ApplyHighlighting();
        }
    } catch (const std::bad_alloc&) {
        // Half a document is no document: an empty one instead.
        tabs = {};
        NewDocument();
        askUser(QMessageBox::Warning, kTitle, tooLarge, QMessageBox::Ok);
        return false;
    }
    switchingTabs_ = true;
    tabs_->setCurrentIndex(tabs_->count() >= 2 ? 1 : tabs_->count() - 1);
    switchingTabs_ = false;
    fileTitle_ = QFileInfo(path).fileName();
    hasFileName_ = true;
    SetModified(false);
    SetCaption();
    RecheckActive();
    UpdateActions();
    if (TEditPanel* p = CurrentPanel()) p->MemoEdit()->setFocus();
    SetModified(false);
    return true;
}

void TMainForm::OpenFromCommandLine(const QString& path, bool run) {
    if (path.isEmpty()) return;
    const bool opened = OpenFile(path);
    SetModified(false);
    if (opened && run && actionStart->isEnabled()) Start();
}

// ---- autosave and recovery ------------------------------------------------------------------

void TMainForm::EnableRecovery(const QString& directory) {
    recovery_ = std::make_unique<TRecoveryStore>(directory);
    autosaveTimer_.start();
}

QString TMainForm::RecoveryFile() const {
    return recovery_ ? recovery_->DataPath() : QString();
}

void TMainForm::Autosave() {
    if (!recovery_) return;
    if (!modified_) {
        recovery_->Remove(); // saved: the file itself holds the text
        return;
    }
    try {
        recovery_->Write(DocumentBytes(), hasFileName_ ? filePath_ : QString());
    } catch (const std::bad_alloc&) {
        // A document too large to copy now is tried again at the next snapshot.
    }
}

bool TMainForm::OfferRecovery() {
    if (!recovery_ || calculating_) return false;
    for (const TRecoverySnapshot& snapshot : recovery_->Orphans()) {
        const QString name = snapshot.documentPath.isEmpty() ? QString("an unnamed document") : snapshot.documentPath;
        const QString text = "The calculator ended without saving " + name + ".\nRecover the snapshot of " +
                             QLocale().toString(snapshot.time, QLocale::LongFormat) + "?";
        if (!askRecover(text)) {
            TRecoveryStore::Discard(snapshot);
            continue;
        }
        if (!LoadDocument(snapshot.dataPath)) continue; // unreadable: left for the next start
        // The document belongs to its own file again, which stays as it was until saved.
        filePath_ = snapshot.documentPath;
        hasFileName_ = !filePath_.isEmpty();
        fileTitle_ = hasFileName_ ? QFileInfo(filePath_).fileName() : QString();
        SetCaption();
        SetModified(true);
        Autosave(); // ours now: the orphan may go
        TRecoveryStore::Discard(snapshot);
        return true;
    }
    return false;
}

std::string TMainForm::DocumentBytes() const {
    std::vector<TMacroPanel> tabs;
    for (int i = 0; i < tabs_->count(); ++i)
        tabs.push_back(TMacroPanel{ToCp1252(PanelCaption(i)), WithLineEnds(Panel(i)->Text(), lineEnds_), 0});
    return JoinMacroText(tabs);
}

bool TMainForm::SaveToFile(const QString& path) {
    if (tabs_->count() == 0) return true;
    const std::string bytes = DocumentBytes();
    // Written to a temporary file in the same folder and renamed over the old one, so a
    // failed write (disk full, permission lost) never destroys the existing file.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok)
        ok = file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
    if (ok)
        ok = file.commit();
    else
        file.cancelWriting();
    if (!ok)
        askUser(QMessageBox::Critical, kTitle, "Cannot write " + path + ": " + file.errorString(),
                QMessageBox::Ok);
    return ok;
}

void TMainForm::SaveAction() {
    if (!hasFileName_) {
        SaveAsDialog();
        return;
    }
    if (SaveToFile(filePath_)) SetModified(false);
}

void TMainForm::SaveAsDialog() {
    QFileDialog dialog(this, "Save as", hasFileName_ ? filePath_ : QString(), kFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("zma");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().first();
    // The document counts as saved only once the write succeeded.
    if (!SaveToFile(path)) return;
    filePath_ = path;
    fileTitle_ = QFileInfo(path).fileName();
    hasFileName_ = true;
    SetModified(false);
    SetCaption();
    RememberRecentFile(path);
}

// ---- recent files ---------------------------------------------------------------------------

void TMainForm::RememberRecentFile(const QString& path) {
    recentFiles_.Add(path);
    recentFiles_.Save(*NuvixWindows::ProgramSettings());
    UpdateRecentMenu();
}

void TMainForm::UpdateRecentMenu() {
    menuRecentFiles->clear();
    const QStringList names = recentFiles_.Names();
    for (int i = 0; i < names.size(); ++i) {
        const QString path = recentFiles_.Files().at(i);
        QAction* action = menuRecentFiles->addAction(QString("&%1 %2").arg(i + 1).arg(MnemonicSafe(names[i])));
        action->setStatusTip(path);
        action->setToolTip(path);
        // Queued: opening rebuilds this menu, which must not delete the action that is
        // still delivering its trigger.
        connect(action, &QAction::triggered, this, [this, path] { OpenRecent(path); }, Qt::QueuedConnection);
    }
    menuRecentFiles->setEnabled(!calculating_ && !recentFiles_.Files().isEmpty());
}

void TMainForm::OpenRecent(const QString& path) {
    if (calculating_) return;
    if (modified_ && !SavePrompt()) return;
    if (OpenFile(path)) return;
    // Gone or unreadable (the user has been told): no use offering it again.
    recentFiles_.Remove(path);
    recentFiles_.Save(*NuvixWindows::ProgramSettings());
    UpdateRecentMenu();
}

bool TMainForm::SavePrompt() {
    std::size_t characters = 0;
    for (int i = 0; i < std::min(2, tabs_->count()); ++i)
        characters += static_cast<std::size_t>(Panel(i)->MemoEdit()->toPlainText().size());
    if (SavePromptCanBeSkipped(static_cast<std::size_t>(tabs_->count()), tabs_->currentIndex(), characters))
        return true;
    raise();
    activateWindow();
    const auto answer =
        askUser(QMessageBox::Question, kTitle, "The current file has been modified, do you want to save it?",
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::No) return true;
    if (answer != QMessageBox::Yes) return false;
    // Yes goes on only when the document was really saved.
    SaveAction();
    return !modified_;
}

NuvixUserGui::TUserForm* TMainForm::OpenGuiEditor(const QString& path) {
    QString error;
    NuvixUserGui::TUserForm* editor = NuvixUserGui::TUserForm::OpenEditor(path, this, &error);
    if (!editor && !error.isEmpty()) askUser(QMessageBox::Critical, kTitle, error, QMessageBox::Ok);
    return editor;
}

NuvixUserGui::TUserForm* TMainForm::OpenOrCreateGuiEditor(const QString& path) {
    if (!QFileInfo::exists(path) &&
        askUser(QMessageBox::Question, "Open / Create GUI File",
                path + "\nThis file does not exist.\nDo you want to create it?",
                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return nullptr;
    return OpenGuiEditor(path);
}

void TMainForm::OpenDialog() {
    if (calculating_) return;
    const QString path = QFileDialog::getOpenFileName(this, "Open", QString(), kFileFilter);
    if (path.isEmpty()) return;
    if (modified_ && !SavePrompt()) return;
    OpenFile(path);
}

void TMainForm::OpenDroppedOrArgument(const QString& path) {
    if (modified_ && !SavePrompt()) return;
    OpenFile(path);
}

void TMainForm::AboutBox() {
    TAboutForm about(this);
    about.exec();
}

// ---- window events --------------------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* event) {
    bool kill = false;
    if (calculating_ && !threadLost_) {
        if (askUser(QMessageBox::Question, kTitle, "Calculation running, do you want to kill it?",
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        kill = true;
    }
    if (modified_ && !SavePrompt()) {
        event->ignore();
        return;
    }
    // The GUI editors save what they hold as they close; one the user keeps open keeps
    // the program open too.
    for (auto* editor : findChildren<NuvixUserGui::TUserForm*>(Qt::FindDirectChildrenOnly)) {
        if (editor->isVisible() && !editor->close()) {
            event->ignore();
            return;
        }
    }
    if (kill) {
        // A running calculation cannot be stopped from outside safely: end the process
        // without waiting for the calculation thread, and the programs execute started
        // with it (they run in process groups of their own).
        if (recovery_) recovery_->Finish();
        EndChildProcesses();
        std::_Exit(0);
    }
    event->accept();
    if (recovery_) recovery_->Finish(); // a clean exit: nothing to recover
    // The program ends with its main window. Our other windows (the output window, and
    // any window that only hides when closed) must not keep it running as the last
    // visible window: they stop counting for "quit on last window closed" and go now.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == this || !window->isVisible()) continue;
        window->setAttribute(Qt::WA_QuitOnClose, false);
        window->hide();
    }
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    // Only the first file of a drop counts; its path is used whole.
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    const QString path = urls.first().toLocalFile();
    QMetaObject::invokeMethod(
        this, [this, path] { OpenDroppedOrArgument(path); }, Qt::QueuedConnection);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        for (QWidget* window : toolWindows_)
            if (window && watched == window) UpdateWindowMenu();
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1) {
            // The help of the function name at the caret of the editor that has the key.
            if (TEditPanel* panel = CurrentPanel(); panel && watched == panel->MemoEdit()) {
                QPlainTextEdit* editor = panel->MemoEdit();
                helpBrowser->ShowHelpAt(editor->toPlainText(), editor->textCursor().position());
                return true;
            }
        }
        if (key->modifiers() & Qt::KeypadModifier) {
            if ((key->key() == Qt::Key_Comma || key->key() == Qt::Key_Period) && key->text() != ".") {
                // The keypad's decimal key always types '.', whatever the keyboard locale.
                QKeyEvent dot(QEvent::KeyPress, Qt::Key_Period, Qt::KeypadModifier, ".");
                QApplication::sendEvent(watched, &dot);
                return true;
            }
            if (key->key() == Qt::Key_Enter) {
                // The editor still gets its line break; then the calculation starts.
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (actionStart->isEnabled()) Start();
                    },
                    Qt::QueuedConnection);
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace NuvixApp
