// TUserForm: a panel of control objects on a grid, shown as a runtime panel of the control
// window (its objects realised as live controls).
#pragma once

#include <QWidget>
#include <string>
#include <unordered_map>

#include "usergui/gui_file.h"
#include "usergui/runtime_panel.h"

class QScrollArea;

namespace NuvixParser {
class TEvent;
}

namespace NuvixUserGui {

class TLiveControl;

class TUserForm : public QWidget {
    Q_OBJECT
public:
    enum class TState { Idle, Runtime };

    // The panel of the GUI file `fileName`, not loaded yet. User changes of its controls
    // signal `guiEvent` when there is one (a runtime panel's is the run's, which outlives it).
    TUserForm(std::string fileName, NuvixParser::TEvent* guiEvent, QWidget* parent = nullptr);
    ~TUserForm() override;

    // Reads the file; unless the result is Ok the panel has no objects. A file that cannot
    // be read gives an empty panel.
    NuvixParser::TGuiLoadResult Load();
    // The runtime state, for good: every object realised as a live control, no editing.
    void EnterRuntime();
    TState State() const { return state_; }

    const std::string& FileName() const { return panel_.FileName(); }
    const NuvixParser::TEditObjectList& Objects() const { return panel_.Objects(); }
    // The object scripts know as `control`, or none; its live control, or none.
    NuvixParser::TEditObject* Find(int control) const { return panel_.Find(control); }
    TLiveControl* LiveControl(const NuvixParser::TEditObject& object) const;

    // The script functions' access to the controls; a set is shown at once.
    bool SetProperty(int control, int property, const NuvixParser::TReturnValue& value);
    bool GetProperty(int control, int property, NuvixParser::TReturnValue& value) const;
    bool HasChanged(int control);

    // The area the objects are placed on (grid origin at its top left).
    QWidget* DrawArea() const { return drawArea_; }

private:
    void RealiseAll();
    void FitDrawArea();

    NuvixParser::TRuntimePanel panel_;
    TState state_ = TState::Idle;
    QScrollArea* scroll_ = nullptr;
    QWidget* drawArea_ = nullptr;
    // Owned by the draw area; one per realised object.
    std::unordered_map<const NuvixParser::TEditObject*, TLiveControl*> live_;
};

} // namespace NuvixUserGui
