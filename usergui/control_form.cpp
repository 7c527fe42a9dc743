// TControlForm: creating, replacing, naming and closing the runtime panels, and the calls of
// the panel functions handed over from the calculation thread.
#include "usergui/control_form.h"

#include <QMessageBox>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "usergui/user_form.h"
#include "windows/cp1252.h"
#include "windows/gui_thread.h"
#include "windows/mnemonic_text.h"

namespace NuvixUserGui {

using namespace NuvixParser;
using NuvixWindows::CallAndWait;

// The calculation thread's side: every call waits until the GUI thread has handled it, so
// the arguments on the caller's stack stay valid and only the GUI thread touches panels.
class TControlForm::TGuiThreadPanels final : public TPanelHost {
public:
    explicit TGuiThreadPanels(TControlForm& form) : form_(form) {}
    bool CreatePanel(int panel, std::string fileName, TEvent& guiEvent) override {
        return CallAndWait(&form_, [&] { return form_.CreatePanel(panel, fileName, guiEvent); });
    }
    void CloseAll() override {
        CallAndWait(&form_, [&] { form_.CloseAll(); });
    }
    void NamePanel(int panel, std::string name) override {
        CallAndWait(&form_, [&] { form_.NamePanel(panel, name); });
    }
    bool SetProperty(int panel, int control, int property, const TReturnValue& value) override {
        return CallAndWait(&form_, [&] { return form_.SetProperty(panel, control, property, value); });
    }
    bool GetProperty(int panel, int control, int property, TReturnValue& value) override {
        return CallAndWait(&form_, [&] { return form_.GetProperty(panel, control, property, value); });
    }
    bool HasChanged(int panel, int control) override {
        return CallAndWait(&form_, [&] { return form_.HasChanged(panel, control); });
    }

private:
    TControlForm& form_;
};

TControlForm::TControlForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Varnex Calculator Controls"));
    resize(492, 394);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabPanels"));
    layout->addWidget(tabs_);
    showError = [this](const QString& message) {
        QMessageBox::critical(this, QStringLiteral("Varnex Calculator"), message);
    };
    host_ = std::make_unique<TGuiThreadPanels>(*this);
}

TControlForm::~TControlForm() = default;

TPanelHost& TControlForm::PanelHost() {
    return *host_;
}

void TControlForm::MakeTabsUpTo(int panel) {
    while (tabs_->count() <= panel) {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        tabs_->addTab(page, QStringLiteral("Panel %1").arg(tabs_->count() + 1));
    }
}

TUserForm* TControlForm::Panel(int panel) const {
    return IsPanelNumber(panel) && panel < PanelListLength() ? panels_[panel] : nullptr;
}

bool TControlForm::CreatePanel(int panel, const std::string& fileName, TEvent& guiEvent) {
    if (!IsPanelNumber(panel)) return false;
    auto created = std::make_unique<TUserForm>(fileName, &guiEvent);
    const TGuiLoadResult loaded = created->Load();
    if (loaded.status == TGuiLoadStatus::BadNumber) showError(NuvixWindows::FromCp1252(loaded.message));
    if (!loaded.Ok()) return false;

    if (PanelListLength() <= panel) panels_.resize(panel + std::size_t{1}, nullptr);
    delete panels_[panel];
    MakeTabsUpTo(panel);
    QWidget* page = tabs_->widget(panel);
    panels_[panel] = created.release();
    page->layout()->addWidget(panels_[panel]);
    tabs_->tabBar()->setVisible(panels_.size() != 1);
    tabs_->setCurrentIndex(panel);
    if (!isVisible()) show();
    panels_[panel]->EnterRuntime();
    FitToPanels();
    return true;
}

void TControlForm::FitToPanels() {
    layout()->activate();
    QSize wanted = sizeHint().expandedTo(minimumSizeHint());
    if (const QScreen* shown = screen()) {
        // The frame the window system draws around the window takes room too.
        const QSize frame = frameGeometry().size() - geometry().size();
        wanted = wanted.boundedTo(shown->availableGeometry().size() - frame);
    }
    resize(wanted);
}

void TControlForm::CloseAll() {
    for (TUserForm*& panel : panels_) {
        delete panel;
        panel = nullptr;
    }
    while (tabs_->count() > 0) {
        QWidget* page = tabs_->widget(0);
        tabs_->removeTab(0);
        delete page;
    }
    hide();
}

void TControlForm::NamePanel(int panel, const std::string& name) {
    if (!IsPanelNumber(panel)) return;
    MakeTabsUpTo(panel);
    tabs_->setTabText(panel, NuvixWindows::MnemonicSafe(NuvixWindows::FromCp1252(name)));
}

bool TControlForm::SetProperty(int panel, int control, int property, const TReturnValue& value) {
    TUserForm* p = Panel(panel);
    return p && p->SetProperty(control, property, value);
}

bool TControlForm::GetProperty(int panel, int control, int property, TReturnValue& value) {
    const TUserForm* p = Panel(panel);
    return p && p->GetProperty(control, property, value);
}

bool TControlForm::HasChanged(int panel, int control) {
    TUserForm* p = Panel(panel);
    return p && p->HasChanged(control);
}

} // namespace NuvixUserGui
