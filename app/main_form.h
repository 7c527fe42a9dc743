// TMainForm: the calculator's main window: editor panels, actions, syntax check, runs.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/recent_files.h"
#include "engine/macro_file.h"
#include "engine/parser.h"
#include "engine/thread_messages.h"
#include "instruments/run_context.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;

namespace NuvixParser {
class TCalculator;
class TReturnValue;
} // namespace NuvixParser

namespace NuvixUserGui {
class TUserForm;
}

namespace NuvixApp {

class TEditPanel;
class THelpBrowser;
class TRecoveryStore;

class TMainForm final : public QMainWindow, private NuvixParser::TRunEndListener {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    // The calculator's parsers know the functions of `registry` (CalculatorRegistry() for
    // the program itself).
    TMainForm(std::shared_ptr<const NuvixParser::TFunctionRegistry> registry, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The windows the calculator's runs write to; set between runs.
    void SetRunWindows(const NuvixParser::TRunContext& windows);

    // ---- document (macro files) ----
    void NewDocument();
    // False (document unchanged) when the file cannot be read; while calculating nothing
    // happens.
    bool OpenFile(const QString& path);
    // The file named when the program was started: opened (the document then counts as
    // unmodified) and, with `run`, calculated at once as if Start was chosen.
    void OpenFromCommandLine(const QString& path, bool run);
    // Writes the document to its file (through a temporary file renamed over it); false
    // on failure, which the user is told about.
    bool SaveToFile(const QString& path);
    // The save prompt before New, Open, drop and close: true to go on.
    bool SavePrompt();
    void SetModified(bool value);
    bool Modified() const { return modified_; }
    QString FilePath() const { return filePath_; }

    // ---- autosave and recovery ----
    // Snapshots of the unsaved document go to `directory` every 30 s and at each run
    // start; a clean exit removes them.
    void EnableRecovery(const QString& directory);
    // Writes the snapshot now when the document has unsaved changes, removes it otherwise.
    void Autosave();
    // Offers the snapshots of calculators that did not exit cleanly, newest first:
    // "Recover" makes one the document (unsaved; its file stays as it is until the user
    // saves), "Discard" deletes it. Returns whether one was recovered.
    bool OfferRecovery();
    // This calculator's snapshot file (empty without recovery).
    QString RecoveryFile() const;
    // The question before a snapshot is recovered: true for "Recover" (tests answer).
    std::function<bool(const QString& text)> askRecover;

    // ---- panels ----
    TEditPanel* CurrentPanel() const;
    TEditPanel* Panel(int index) const;
    int PanelCount() const;
    // A panel's caption as the user named it (the tab shows it with '&' doubled).
    QString PanelCaption(int index) const;
    QTabWidget* Tabs() const { return tabs_; }
    void NewPanel();
    // Asks before deleting a panel with text, unless `ask` is false.
    void DeletePanel(bool ask = true);
    void RenamePanel(int index, const QString& caption);
    // Asks for a new caption of panel `index` (not the Global panel) and renames it.
    void RenameDialog(int index);
    // The context menu of the panel tab `index` (-1: beside the tabs): Rename, Delete and
    // New panel, each acting on that tab. The caller owns it.
    QMenu* TabMenu(int index);
    void ParsePanel(TEditPanel* panel);
    void ApplyHighlighting();

    // ---- calculation ----
    void Start();
    void Break();
    bool Calculating() const { return calculating_; }

    // ---- state shown to the user ----
    void UpdateActions();
    void SetErrorState(bool value);
    bool ErrorState() const { return error_; }
    void ShowError();
    QString StatusText(int field) const;

    QAction* actionNew = nullptr;
    QAction* actionOpen = nullptr;
    QAction* actionSave = nullptr;
    QAction* actionSaveAs = nullptr;
    QAction* actionExit = nullptr;
    QAction* actionStart = nullptr;
    QAction* actionBreak = nullptr;
    QAction* actionNewPanel = nullptr;
    QAction* actionDeletePanel = nullptr;
    QAction* actionRename = nullptr;
    QAction* actionSerialPorts = nullptr;
    QAction* actionEditGui = nullptr; // File > "&Create / Edit GUI..."
    // Edit: enabled as the current editor allows (something to undo, a selection).
    QAction* actionUndo = nullptr;
    QAction* actionRedo = nullptr;
    QAction* actionCut = nullptr;
    QAction* actionCopy = nullptr;
    // Window: brings back the output, plot and control windows; checked while one is open.
    QMenu* menuWindow = nullptr;
    QAction* actionOutputWindow = nullptr;
    QAction* actionPlotWindow = nullptr;
    QAction* actionControlWindow = nullptr;
    // Between the editor panels and the help area; its place is kept with the window's.
    QSplitter* splitter = nullptr;

    QAction* actionManual = nullptr;
    QAction* actionAbout = nullptr;
    QAction* actionInsertGuiCode = nullptr;
    QMenu* menuRecentFiles = nullptr; // newest first, "&1 name" and so on
    QPushButton* btnShowError = nullptr;
    QLabel* lblError = nullptr;
    THelpBrowser* helpBrowser = nullptr;

    // A GUI editor window of the GUI file `path` (several may be open at once); none when
    // the file cannot be loaded, which the user is told when there is something to tell.
    NuvixUserGui::TUserForm* OpenGuiEditor(const QString& path);
    // The file chosen in "Open / Create GUI File": a name that does not exist yet is made
    // only when the user agrees to create it.
    NuvixUserGui::TUserForm* OpenOrCreateGuiEditor(const QString& path);

    // Replaces the current panel's selection by a script that loads the GUI file `path` as
    // panel 0 and reports its events (one undoable edit).
    void InsertGuiCode(const QString& path);

    // The program's other windows, for the Window menu (not owned; none leaves its entry
    // disabled).
    void SetToolWindows(QWidget* output, QWidget* plots, QWidget* controls);
    // Sets each Window entry's check mark to whether its window is open.
    void UpdateWindowMenu();

    // Shows the user manual with the desktop's program for PDF files (`documentOpener`,
    // which a test may replace). When that cannot start or reports failure, the user is
    // told where the manual is and may open its folder.
    void OpenManual(const QString& manual);
    QString documentOpener = "xdg-open";

    // The new caption for a panel, none when the user cancels (tests answer instead).
    std::function<std::optional<QString>(const QString& caption)> askPanelName;

    // Every question and message box goes through here (tests answer instead of a user).
    using TAskUser = std::function<QMessageBox::StandardButton(
        QMessageBox::Icon icon, const QString& caption, const QString& text, QMessageBox::StandardButtons)>;
    TAskUser askUser;

    // Where Help looks for the user manual, in this order: beside the program, in the
    // documentation folder of an installed program, in the working directory.
    static QStringList ManualPlaces();
    // The first place that holds the manual, or an empty text.
    static QString FindManual();

    // The caption: "The Varnex Calculator", and " - " + file title with a file name.
    static QString Caption(const QString& fileTitle);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateLayout();
    TEditPanel* AddPanel(const QString& caption, bool global);
    void DestroyAllTabs();
    void OnTabChanged(int index);
    // Re-check of the newly active panel: the parser then holds its program; the modified
    // flag is put back afterwards.
    void RecheckActive();
    // The gutter of `panel` marks the line of the check's error, or nothing when it passed.
    void MarkErrorLine(TEditPanel* panel, const NuvixParser::TParser& parser);
    void SetCaption();
    // Called on the calculation thread: hands the end of the run to the GUI thread.
    void RunEnded(const NuvixParser::TReturnValue& result) override;
    void OnRunEnded(const NuvixParser::TReturnValue* result);
    void OnThreadLost();
    void OpenDialog();
    void SaveAction();
    void SaveAsDialog();
    void UpdateEditActions();
    void ManualNotShown(const QString& manual);
    void SerialPortsDialog();
    void AboutBox();
    void OpenDroppedOrArgument(const QString& path);
    // Reads a macro file into the document (OpenFile without the recent files list).
    bool LoadDocument(const QString& path);
    // The document as macro file bytes.
    std::string DocumentBytes() const;
    void RememberRecentFile(const QString& path);
    void UpdateRecentMenu();
    void OpenRecent(const QString& path);

    std::unique_ptr<NuvixParser::TCalculator> calculator_;
    NuvixParser::TParser* panelParser_ = nullptr;  // the calculator's
    NuvixParser::TParser* globalParser_ = nullptr; // the calculator's

    QTabWidget* tabs_ = nullptr;
    QLabel* statusField0_ = nullptr;
    QLabel* statusField1_ = nullptr;
    QTimer highlightTimer_;
    std::vector<NuvixParser::TCodePosInfo> marks_;
    TEditPanel* highlightTarget_ = nullptr;

    TRecentFiles recentFiles_;
    std::unique_ptr<TRecoveryStore> recovery_;
    QTimer autosaveTimer_;
    QString filePath_;
    QString fileTitle_;
    bool hasFileName_ = false;
    NuvixParser::TLineEnds lineEnds_ = NuvixParser::TLineEnds::Lf; // as the file was read
    bool modified_ = false;
    bool error_ = false;
    bool calculating_ = false;
    std::atomic<bool> closing_{false}; // read by the thread-lost callback on the worker thread
    bool threadLost_ = false;
    bool switchingTabs_ = false;
    int lastTab_ = -1;
    // Output, plots, controls; not owned, and they may go before this window does.
    QPointer<QWidget> toolWindows_[3];
};

} // namespace NuvixApp
