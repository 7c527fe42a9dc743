// TUserForm: a panel of control objects on a grid: the GUI editor's window, and (tool strip
// hidden, objects realised as live controls) a runtime panel of the control window.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "instruments/panels/gui_file.h"
#include "instruments/panels/panel_editor.h"
#include "usergui/parm_forms.h"
#include "instruments/panels/runtime_panel.h"

class QAction;
class QFontMetrics;
class QKeyEvent;
class QScrollArea;
class QToolBar;

namespace NuvixParser {
class TEvent;
}

namespace NuvixUserGui {

class TLiveControl;

class TUserForm : public QWidget {
    Q_OBJECT
public:
    // The panel of the GUI file `fileName`, not loaded yet. User changes of its live
    // controls signal `guiEvent` when there is one (a runtime panel's is the run's, which
    // outlives it).
    TUserForm(std::string fileName, NuvixParser::TEvent* guiEvent, QWidget* parent = nullptr);
    ~TUserForm() override;

    // An editor window of the GUI file `path` (a file that does not exist yet is an empty
    // panel), shown, owned by `owner` and freed when closed. None when the file cannot be
    // loaded; `error` then tells the user why, if anything is to be told.
    static TUserForm* OpenEditor(const QString& path, QWidget* owner, QString* error);

    // Reads the file; unless the result is Ok the panel has no objects. A file that cannot
    // be read gives an empty panel.
    NuvixParser::TGuiLoadResult Load();
    // The runtime state, for good: every object realised as a live control, no editing.
    void EnterRuntime();
    NuvixParser::TEditState State() const { return editor_->State(); }
    NuvixParser::TPanelEditor& Editor() { return *editor_; }

    const std::string& FileName() const { return panel_.FileName(); }
    const NuvixParser::TEditObjectList& Objects() const { return panel_.Objects(); }
    // The object scripts know as `control`, or none; its live control, or none.
    NuvixParser::TEditObject* Find(int control) const { return panel_.Find(control); }
    TLiveControl* LiveControl(const NuvixParser::TEditObject& object) const;

    // The script functions' access to the controls; a set is shown at once.
    bool SetProperty(int control, int property, const NuvixParser::TReturnValue& value);
    bool GetProperty(int control, int property, NuvixParser::TReturnValue& value) const;
    bool HasChanged(int control);

    // ---- the editor ----
    // Writes the objects to the file; false after telling the user "Error writing file!".
    bool Save();
    // The open parameter dialog, or none.
    TParmForm* OpenDialog() const { return dialog_; }
    // The area the objects are placed on (grid origin at its top left).
    QWidget* DrawArea() const;
    // A runtime panel asks for room for all its objects (its window sizes itself by it).
    QSize sizeHint() const override;
    // An object's caption ("id: text") as the editor draws it into `width` pixels: whole
    // when it fits, else its start with an ellipsis, so the id stays in view.
    static QString FitCaption(const QString& caption, const QFontMetrics& metrics, int width);

    // Tool strip: the six New buttons by type id, then the others.
    QAction* actionNew[NuvixParser::kEditObjectTypes] = {};
    QAction* actionTest = nullptr;
    QAction* actionDuplicate = nullptr;
    QAction* actionDelete = nullptr;
    QAction* actionSave = nullptr;
    QAction* actionUndo = nullptr;
    QAction* actionRedo = nullptr;

    // Questions and messages, and the "Save GUI file" dialog (tests answer instead of a
    // user); the latter gives an empty text when cancelled.
    using TAskUser = std::function<QMessageBox::StandardButton(
        QMessageBox::Icon icon, const QString& caption, const QString& text, QMessageBox::StandardButtons)>;
    TAskUser askUser;
    std::function<QString(const QString& currentPath)> chooseSavePath;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class TDrawArea;
    friend class TDrawArea;

    void CreateToolStrip();
    // After every event: live controls, size, pointer, buttons, caption, drawing.
    void Sync();
    void RealiseAll();
    void UnrealiseAll();
    void FitDrawArea();
    void CloseDialog();
    void ShowDialog(NuvixParser::TEditObject& object, QPoint at);
    void NewClicked(int typeId);
    void SetCaption();
    // Delete and the arrows of the editor; false for a key it leaves to others.
    bool EditKey(const QKeyEvent* event);
    bool WriteTo(const std::string& path);

    NuvixParser::TRuntimePanel panel_;
    std::unique_ptr<NuvixParser::TPanelEditor> editor_;
    unsigned realisedGeneration_ = 0;
    QToolBar* toolStrip_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    TDrawArea* drawArea_ = nullptr;
    // Owned by the draw area; one per realised object.
    std::unordered_map<const NuvixParser::TEditObject*, TLiveControl*> live_;
    QPointer<TParmForm> dialog_;
};

} // namespace NuvixUserGui
