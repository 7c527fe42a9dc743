// TUserForm: loading a panel, the editor's window (tool strip, drawing area, dialogs, save
// and close), realising objects, and the property calls of scripts.
#include "usergui/user_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "usergui/live_control.h"
#include "usergui/parm_forms.h"
#include "windows/cp1252.h"

namespace NuvixUserGui {

using namespace NuvixParser;

namespace {

const QColor kBlue(0, 0, 255);

QRect ToQRect(const TPixelRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

Qt::CursorShape CursorOf(TPointerShape shape) {
    switch (shape) {
    case TPointerShape::Move:
        return Qt::SizeAllCursor;
    case TPointerShape::NwSe:
        return Qt::SizeFDiagCursor;
    case TPointerShape::NeSw:
        return Qt::SizeBDiagCursor;
    case TPointerShape::Vertical:
        return Qt::SizeVerCursor;
    case TPointerShape::Horizontal:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

TPixel PixelOf(const QPointF& p) {
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

TMouseButton ButtonOf(const QMouseEvent* e) {
    return e->button() == Qt::LeftButton ? TMouseButton::Left : TMouseButton::Other;
}

} // namespace

// The drawing area: the editor's grid and outlines, or only the background behind live
// controls. Mouse events go to the editor's state machine.
class TUserForm::TDrawArea final : public QWidget {
public:
    explicit TDrawArea(TUserForm& form) : form_(form) {
        setObjectName(QStringLiteral("drawArea"));
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* e) override { Down(e, false); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { Down(e, true); }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!Editing()) return;
        // The area keeps the mouse while a button is held: leaving it shows as a move
        // outside, which ends a drag as leaving does.
        if (!rect().contains(e->position().toPoint())) {
            form_.editor_->MouseLeave();
        } else {
            form_.editor_->MouseMove(PixelOf(e->position()), e->buttons().testFlag(Qt::LeftButton));
        }
        form_.Sync();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (!Editing()) return;
        form_.editor_->MouseUp(PixelOf(e->position()), ButtonOf(e));
        form_.Sync();
    }
    // Before the scroll area, which would take the arrows for scrolling.
    void keyPressEvent(QKeyEvent* e) override {
        if (!form_.EditKey(e)) QWidget::keyPressEvent(e);
    }
    void leaveEvent(QEvent*) override {
        if (!Editing()) return;
        form_.editor_->MouseLeave();
        form_.Sync();
    }

private:
    // A runtime panel's area only lies behind its controls.
    bool Editing() const { return form_.State() != TEditState::Runtime; }
    void Down(QMouseEvent* e, bool doubleClick) {
        if (!Editing()) return;
        const TEditEffect effect = form_.editor_->MouseDown(PixelOf(e->position()), ButtonOf(e), doubleClick);
        if (effect.closeDialog) form_.CloseDialog();
        if (effect.openDialog) form_.ShowDialog(*effect.openDialog, e->globalPosition().toPoint());
        form_.Sync();
    }

    TUserForm& form_;
};

void TUserForm::TDrawArea::paintEvent(QPaintEvent* event) {
    const TPanelEditor& editor = *form_.editor_;
    if (editor.State() == TEditState::Test || editor.State() == TEditState::Runtime) return;
    QPainter painter(this);
    // The grid: a blue dot at every point of it.
    const QRect dirty = event->rect();
    QList<QPoint> dots;
    for (int y = dirty.top() / kGridPixels * kGridPixels; y <= dirty.bottom(); y += kGridPixels)
        for (int x = dirty.left() / kGridPixels * kGridPixels; x <= dirty.right(); x += kGridPixels)
            dots.append(QPoint(x, y));
    painter.setPen(kBlue);
    painter.drawPoints(dots.data(), static_cast<int>(dots.size()));

    for (const TEditObjectPtr& o : editor.Objects()) {
        const QColor colour = editor.Selected(o.get()) || editor.InBand(o.get()) ? kBlue : QColor(Qt::black);
        const QRect r = ToQRect(ObjectPixels(o->rect));
        // The inside in the background colour: the grid does not run through the text.
        painter.fillRect(r.adjusted(1, 1, 0, 0), palette().color(QPalette::Window));
        painter.setPen(colour);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r);
        // The text stays inside the outline; one too long for it keeps its start, the id.
        // An upright object too narrow for it (a vertical bar) has it written upwards.
        QRect inside = r.adjusted(2, 1, -1, 0);
        const QString text = QString::number(o->id) + QStringLiteral(": ") + NuvixWindows::FromCp1252(o->EditorText());
        painter.save();
        painter.setClipRect(inside);
        if (painter.fontMetrics().horizontalAdvance(text) > inside.width() && inside.height() > inside.width()) {
            painter.translate(inside.bottomLeft() + QPoint(0, 1));
            painter.rotate(-90);
            inside = QRect(0, 0, inside.height(), inside.width());
        }
        const QString shown = FitCaption(text, painter.fontMetrics(), inside.width());
        painter.drawText(inside, (shown == text ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextSingleLine,
                         shown);
        painter.restore();
        if (!editor.ShowsHandles(o.get())) continue;
        for (int h = 0; h < 8; ++h) painter.fillRect(ToQRect(HandleSquare(o->rect, h)), colour);
    }
    if (editor.State() == TEditState::Placing) {
        painter.setPen(kBlue);
        painter.drawRect(ToQRect(editor.PlacingOutline()));
    }
    if (editor.State() == TEditState::Band) {
        painter.setPen(QPen(kBlue, 1, Qt::DashLine));
        painter.drawRect(ToQRect(editor.BandRect()));
    }
}

QString TUserForm::FitCaption(const QString& caption, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(caption) <= width) return caption;
    return metrics.elidedText(caption, Qt::ElideRight, std::max(0, width));
}

// ---- construction -------------------------------------------------------------------------

TUserForm::TUserForm(std::string fileName, TEvent* guiEvent, QWidget* parent)
    : QWidget(parent), panel_(std::move(fileName), guiEvent),
      editor_(std::make_unique<TPanelEditor>(panel_.Objects())) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    CreateToolStrip();
    layout->addWidget(toolStrip_);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    drawArea_ = new TDrawArea(*this);
    scroll_->setWidget(drawArea_);
    layout->addWidget(scroll_);

    askUser = [this](QMessageBox::Icon icon, const QString& caption, const QString& text,
                     QMessageBox::StandardButtons buttons) {
        QMessageBox box(icon, caption, text, buttons, this);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    chooseSavePath = [this](const QString& currentPath) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save GUI file"), currentPath,
                                            QStringLiteral("GUI Files (*.gui);;All Files (*)"));
    };
}

// The dialog and the live controls go before the objects they point to.
TUserForm::~TUserForm() {
    delete dialog_;
    delete scroll_;
}

void TUserForm::CreateToolStrip() {
    toolStrip_ = new QToolBar(this);
    toolStrip_->setObjectName(QStringLiteral("toolStrip"));
    toolStrip_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const char* kNewTexts[kEditObjectTypes] = {"New Label", "New Display", "New Scrollbar",
                                               "New Edit",  "New Button",  "New Checkbox"};
    for (int t = 0; t < kEditObjectTypes; ++t) {
        actionNew[t] = toolStrip_->addAction(QString::fromLatin1(kNewTexts[t]));
        actionNew[t]->setCheckable(true);
        connect(actionNew[t], &QAction::triggered, this, [this, t] { NewClicked(t); });
    }
    toolStrip_->addSeparator();
    actionTest = toolStrip_->addAction(QStringLiteral("Test"));
    actionTest->setCheckable(true);
    connect(actionTest, &QAction::triggered, this, [this] {
        CloseDialog();
        editor_->ToggleTest();
        Sync();
    });
    actionDuplicate = toolStrip_->addAction(QStringLiteral("Duplicate"));
    connect(actionDuplicate, &QAction::triggered, this, [this] {
        editor_->Duplicate();
        Sync();
    });
    actionDelete = toolStrip_->addAction(QStringLiteral("Delete"));
    connect(actionDelete, &QAction::triggered, this, [this] {
        editor_->Delete();
        Sync();
    });
    actionSave = toolStrip_->addAction(QStringLiteral("Save"));
    connect(actionSave, &QAction::triggered, this, [this] { Save(); });
    toolStrip_->addSeparator();
    actionUndo = toolStrip_->addAction(QStringLiteral("Undo"));
    actionUndo->setShortcuts(QKeySequence::keyBindings(QKeySequence::Undo));
    actionRedo = toolStrip_->addAction(QStringLiteral("Redo"));
    // Ctrl+Y and Ctrl+Shift+Z on every desktop.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& key : {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))})
        if (!redoKeys.contains(key)) redoKeys.append(key);
    actionRedo->setShortcuts(redoKeys);
    for (QAction* a : {actionUndo, actionRedo}) a->setShortcutContext(Qt::WindowShortcut);
    connect(actionUndo, &QAction::triggered, this, [this] {
        CloseDialog();
        editor_->Undo();
        Sync();
    });
    connect(actionRedo, &QAction::triggered, this, [this] {
        CloseDialog();
        editor_->Redo();
        Sync();
    });
    // The drawing area keeps the keyboard when a button is clicked.
    for (QAction* a : toolStrip_->actions())
        if (QWidget* button = toolStrip_->widgetForAction(a)) button->setFocusPolicy(Qt::NoFocus);
}

TUserForm* TUserForm::OpenEditor(const QString& path, QWidget* owner, QString* error) {
    auto* form = new TUserForm(NuvixWindows::ToCp1252(path), nullptr, owner);
    form->setWindowFlag(Qt::Window);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setMinimumWidth(345);
    // Wide enough for every button of the tool strip.
    form->resize(std::max(560, form->toolStrip_->sizeHint().width()), 420);
    const TGuiLoadResult loaded = form->Load();
    if (!loaded.Ok()) {
        if (error) *error = NuvixWindows::FromCp1252(loaded.message);
        delete form;
        return nullptr;
    }
    form->SetCaption();
    form->show();
    form->drawArea_->setFocus();
    return form;
}

// ---- loading, states, live controls ---------------------------------------------------------

TGuiLoadResult TUserForm::Load() {
    CloseDialog();
    UnrealiseAll();
    const TGuiLoadResult result = panel_.Load();
    editor_->Reset();
    realisedGeneration_ = editor_->Generation();
    Sync();
    return result;
}

void TUserForm::EnterRuntime() {
    CloseDialog();
    editor_->EnterRuntime();
    toolStrip_->hide();
    drawArea_->setFocusPolicy(Qt::NoFocus);
    Sync();
}

void TUserForm::Sync() {
    const bool live = State() == TEditState::Test || State() == TEditState::Runtime;
    if (!live) {
        UnrealiseAll();
    } else if (realisedGeneration_ != editor_->Generation() || live_.size() != panel_.Objects().size()) {
        // Undo or redo replaced the objects under their controls.
        UnrealiseAll();
        RealiseAll();
    } else if (live_.empty()) {
        RealiseAll();
    }
    realisedGeneration_ = editor_->Generation();
    FitDrawArea();
    drawArea_->setCursor(CursorOf(editor_->Pointer()));
    const int placing = editor_->PlacingType();
    for (int t = 0; t < kEditObjectTypes; ++t) actionNew[t]->setChecked(placing == t);
    actionTest->setChecked(State() == TEditState::Test);
    actionDuplicate->setEnabled(State() == TEditState::Selection);
    actionDelete->setEnabled(State() == TEditState::Selection);
    actionUndo->setEnabled(editor_->CanUndo() || State() == TEditState::Moving || State() == TEditState::Resizing);
    actionRedo->setEnabled(editor_->CanRedo());
    SetCaption();
    drawArea_->update();
}

void TUserForm::RealiseAll() {
    // A runtime panel's objects report to the run (the panel's hook); in the editor's test
    // state a user change is one step of the editor's history.
    if (State() == TEditState::Runtime)
        panel_.Reindex();
    else
        for (const TEditObjectPtr& object : panel_.Objects())
            object->SetChangeHook([this](TEditObject&) {
                editor_->Changed();
                SetCaption();
                actionUndo->setEnabled(editor_->CanUndo());
            });
    for (const TEditObjectPtr& object : panel_.Objects()) live_[object.get()] = Realise(*object, drawArea_);
}

void TUserForm::UnrealiseAll() {
    for (auto& [object, live] : live_) delete live;
    live_.clear();
}

// The draw area covers every object, so the scroll area can reach each of them, and at
// least the visible part.
void TUserForm::FitDrawArea() {
    int right = 0, bottom = 0;
    for (const TEditObjectPtr& object : panel_.Objects()) {
        const TPixelRect r = ObjectPixels(object->rect);
        right = std::max(right, r.right + 1);
        bottom = std::max(bottom, r.bottom + 1);
    }
    drawArea_->setMinimumSize(right, bottom);
}

QSize TUserForm::sizeHint() const {
    if (State() != TEditState::Runtime) return QWidget::sizeHint();
    return drawArea_->minimumSize();
}

QWidget* TUserForm::DrawArea() const {
    return drawArea_;
}

TLiveControl* TUserForm::LiveControl(const TEditObject& object) const {
    const auto it = live_.find(&object);
    return it == live_.end() ? nullptr : it->second;
}

// ---- the editor's dialogs, keys, saving and closing ----------------------------------------

void TUserForm::NewClicked(int typeId) {
    CloseDialog();
    if (editor_->PlacingType() == typeId) {
        editor_->CancelPlacing(); // the button that was down, clicked again
    } else {
        if (State() == TEditState::Placing) editor_->CancelPlacing();
        const QPoint at = drawArea_->mapFromGlobal(QCursor::pos());
        editor_->NewObject(typeId, {at.x(), at.y()});
    }
    Sync();
}

// Hiding the dialog hands its fields to the object (also when a click into the drawing
// area destroys it).
void TUserForm::CloseDialog() {
    if (!dialog_) return;
    TParmForm* dialog = dialog_;
    dialog_ = nullptr;
    dialog->hide();
    delete dialog;
}

void TUserForm::ShowDialog(TEditObject& object, QPoint at) {
    CloseDialog();
    dialog_ = OpenParameterDialog(object, this, at);
    dialog_->applied = [this] {
        editor_->Changed();
        Sync();
    };
}

bool TUserForm::EditKey(const QKeyEvent* event) {
    // Keys reach the editor only while its window is the active one.
    if (State() == TEditState::Runtime || !isActiveWindow()) return false;
    if (State() == TEditState::Placing && event->key() == Qt::Key_Escape) {
        editor_->CancelPlacing();
        Sync();
        return true;
    }
    // Without a selection the keys are the scroll area's and the buttons'.
    if (State() != TEditState::Selection) return false;
    const bool resize = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Delete:
        editor_->Delete();
        break;
    case Qt::Key_Left:
        editor_->Nudge(-1, 0, resize);
        break;
    case Qt::Key_Right:
        editor_->Nudge(1, 0, resize);
        break;
    case Qt::Key_Up:
        editor_->Nudge(0, -1, resize);
        break;
    case Qt::Key_Down:
        editor_->Nudge(0, 1, resize);
        break;
    default:
        return false;
    }
    Sync();
    return true;
}

void TUserForm::keyPressEvent(QKeyEvent* event) {
    if (!EditKey(event)) QWidget::keyPressEvent(event);
}

void TUserForm::SetCaption() {
    if (State() == TEditState::Runtime) return;
    setWindowTitle(QStringLiteral("GUI Editor - ") + NuvixWindows::FromCp1252(FileName()) + QStringLiteral("[*]"));
    setWindowModified(editor_->Modified());
}

bool TUserForm::WriteTo(const std::string& path) {
    if (!SaveObjects(path, panel_.Objects())) return false;
    editor_->MarkSaved();
    SetCaption();
    return true;
}

bool TUserForm::Save() {
    CloseDialog();
    if (WriteTo(FileName())) return true;
    askUser(QMessageBox::Warning, QStringLiteral("Varnex Calculator"), QStringLiteral("Error writing file!"),
            QMessageBox::Ok);
    return false;
}

// The file is written when the panel changed since it was loaded or saved; when that
// fails the user may close anyway or choose another file.
void TUserForm::closeEvent(QCloseEvent* event) {
    if (State() == TEditState::Runtime) return QWidget::closeEvent(event);
    CloseDialog();
    if (!editor_->Modified() || WriteTo(FileName())) return event->accept();
    if (askUser(QMessageBox::Warning, QStringLiteral("GUI Editor"), QStringLiteral("Cannot save file, close anyway?"),
                QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok)
        return event->accept();
    const QString path = chooseSavePath(NuvixWindows::FromCp1252(FileName()));
    if (path.isEmpty()) return event->ignore();
    panel_.SetFileName(NuvixWindows::ToCp1252(path));
    if (WriteTo(FileName())) return event->accept();
    // Nothing is lost: the window stays open with its objects.
    askUser(QMessageBox::Warning, QStringLiteral("Varnex Calculator"), QStringLiteral("Error writing file!"),
            QMessageBox::Ok);
    SetCaption();
    event->ignore();
}

// ---- script access ---------------------------------------------------------------------------

bool TUserForm::SetProperty(int control, int property, const TReturnValue& value) {
    TEditObject* object = panel_.Find(control);
    if (!object) return false;
    const bool ok = object->SetProperty(property, value);
    // Also after a refused value: the object keeps what the script set, the screen keeps
    // what it can show.
    if (TLiveControl* live = LiveControl(*object)) live->Apply();
    return ok;
}

bool TUserForm::GetProperty(int control, int property, TReturnValue& value) const {
    return panel_.GetProperty(control, property, value);
}

bool TUserForm::HasChanged(int control) {
    return panel_.HasChanged(control);
}

} // namespace NuvixUserGui
