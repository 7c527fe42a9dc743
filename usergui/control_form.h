// TControlForm: the runtime panel window "Varnex Calculator Controls", one tab per panel.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "instruments/panel_host.h"

class QTabWidget;

namespace NuvixUserGui {

class TUserForm;

// One per process, created hidden. Panels are numbered from 0, each on the tab of its
// number; tabs are made up to the highest number used and captioned "Panel " + (number + 1)
// unless named. A lone panel shows no tab strip. Closing the window only hides it; the
// panels live until the run that loaded them ends (CloseAll).
class TControlForm final : public QWidget {
    Q_OBJECT
public:
    explicit TControlForm(QWidget* parent = nullptr);
    ~TControlForm() override;

    // The window as the panel functions reach it from the calculation thread: each call is
    // handled on the GUI thread and returns when it was.
    NuvixParser::TPanelHost& PanelHost();

    // The same on the GUI thread.
    bool CreatePanel(int panel, const std::string& fileName, NuvixParser::TEvent& guiEvent);
    void CloseAll();
    void NamePanel(int panel, const std::string& name);
    bool SetProperty(int panel, int control, int property, const NuvixParser::TReturnValue& value);
    bool GetProperty(int panel, int control, int property, NuvixParser::TReturnValue& value);
    bool HasChanged(int panel, int control);

    // Panel `panel`, or none.
    TUserForm* Panel(int panel) const;
    // Entry n holds panel n or none; the list keeps its length when the panels close.
    int PanelListLength() const { return static_cast<int>(panels_.size()); }
    QTabWidget* Tabs() const { return tabs_; }

    // Tells the user that a GUI file could not be read (tests answer instead of a user).
    std::function<void(const QString& message)> showError;

private:
    class TGuiThreadPanels;
    void MakeTabsUpTo(int panel);
    // The window as large as its largest panel needs, within the screen's free area.
    void FitToPanels();

    QTabWidget* tabs_ = nullptr;
    // Not owned: each panel belongs to the page of its tab.
    std::vector<TUserForm*> panels_;
    std::unique_ptr<TGuiThreadPanels> host_;
};

} // namespace NuvixUserGui
