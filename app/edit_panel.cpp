// TEditPanel: editor, result line and radix selector of one calculator panel.
#include "app/edit_panel.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QVBoxLayout>

#include "app/code_editor.h"
#include "app/engine_text.h"
#include "app/find_bar.h"
#include "app/mark_highlighter.h"
#include "windows/cp1252.h"

#include <algorithm>

namespace NuvixApp {
namespace {

const char* const kResultHint = "Displays the calculation result";

} // namespace

TEditPanel::TEditPanel(bool withResult, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    memoEdit_ = new TCodeEditor(this);
    memoEdit_->setObjectName("memoEdit");
    QFont font("Courier New", 10);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    memoEdit_->setFont(font);
    memoEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoEdit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memoEdit_, 1);
    findBar_ = new TFindBar(memoEdit_, this);
    layout->addWidget(findBar_);
    // The editing keys belong to the panel that has the focus (the main window's own keys,
    // F1, F2 and F4, are not among them).
    auto key = [this](const QList<QKeySequence>& keys, auto slot) {
        auto* a = new QAction(this);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, slot);
        addAction(a);
    };
    key({QKeySequence("Ctrl+F")}, [this] { findBar_->OpenFind(); });
    key({QKeySequence("Ctrl+H")}, [this] { findBar_->OpenReplace(); });
    key({QKeySequence(Qt::Key_F3)}, [this] { findBar_->FindNext(); });
    key({QKeySequence(Qt::SHIFT | Qt::Key_F3)}, [this] { findBar_->FindPrevious(); });
    key({QKeySequence("Ctrl+G")}, [this] { GoToLineDialog(); });
    key({QKeySequence::ZoomIn, QKeySequence("Ctrl+=")}, [this] { Zoom(1); });
    key({QKeySequence::ZoomOut}, [this] { Zoom(-1); });
    key({QKeySequence("Ctrl+0")}, [this] { SetFontSize(kDefaultFontSize); });
    connect(memoEdit_, &TCodeEditor::zoomRequested, this, [this](int steps) { Zoom(steps); });
    highlighter_ = new TMarkHighlighter(memoEdit_->document(), this);
    connect(memoEdit_, &QPlainTextEdit::textChanged, this, [this] {
        if (notify && changeHook) changeHook(this);
    });

    resultPanel_ = new QWidget(this);
    resultPanel_->setObjectName("pnlResult");
    auto* strip = new QHBoxLayout(resultPanel_);
    strip->setContentsMargins(0, 0, 0, 0);
    edtResult_ = new QLineEdit(resultPanel_);
    edtResult_->setObjectName("edtResult");
    edtResult_->setReadOnly(true);
    edtResult_->setToolTip(kResultHint);
    cbRadix_ = new QComboBox(resultPanel_);
    cbRadix_->setObjectName("cbRadix");
    cbRadix_->addItems({"Decimal", "Hexadecimal", "Binary"});
    cbRadix_->setCurrentIndex(0);
    cbRadix_->setToolTip("Changes the radix of the calculation result");
    strip->addWidget(edtResult_, 1);
    strip->addWidget(cbRadix_);
    layout->addWidget(resultPanel_);
    resultPanel_->setVisible(withResult);
    ApplyFontSize(QSettings().value("editor/fontSize", kDefaultFontSize).toInt());
}

namespace {

constexpr int kMinFontSize = 6, kMaxFontSize = 48;

} // namespace

int TEditPanel::FontSize() const {
    return memoEdit_->font().pointSize();
}

void TEditPanel::Zoom(int steps) {
    SetFontSize(FontSize() + steps);
}

void TEditPanel::SetFontSize(int points) {
    points = std::clamp(points, kMinFontSize, kMaxFontSize);
    QSettings().setValue("editor/fontSize", points);
    // Every panel of the window shows the same size.
    for (TEditPanel* panel : window()->findChildren<TEditPanel*>()) panel->ApplyFontSize(points);
    ApplyFontSize(points); // also when the panel has no window yet
}

void TEditPanel::ApplyFontSize(int points) {
    points = std::clamp(points, kMinFontSize, kMaxFontSize);
    QFont font = memoEdit_->font();
    font.setPointSize(points);
    memoEdit_->setFont(font);
    // The result line keeps its proportion to the editor (16 px at the default 10 points).
    const int resultPixels = 16 * points / kDefaultFontSize;
    edtResult_->setStyleSheet(
        QString("QLineEdit { background: black; color: yellow; font: bold %1px Arial; }").arg(resultPixels));
}

QPlainTextEdit* TEditPanel::MemoEdit() const {
    return memoEdit_;
}

void TEditPanel::GoToLineDialog() {
    bool ok = false;
    const int current = memoEdit_->textCursor().blockNumber() + 1;
    const int line = QInputDialog::getInt(this, "Go to line", "Line:", current, 1, memoEdit_->blockCount(), 1, &ok);
    if (ok) memoEdit_->GoToLine(line);
    memoEdit_->setFocus();
}

NuvixParser::TRadix TEditPanel::Radix() const {
    switch (cbRadix_->currentIndex()) {
    case 1: return NuvixParser::TRadix::Hexadecimal;
    case 2: return NuvixParser::TRadix::Binary;
    default: return NuvixParser::TRadix::Decimal;
    }
}

void TEditPanel::ShowResult(const QString& text) {
    edtResult_->setText(text);
    edtResult_->setCursorPosition(0);
    edtResult_->setToolTip(text.isEmpty() ? kResultHint : text);
}

std::string TEditPanel::Text() const {
    return EngineText().Bytes();
}

TEngineText TEditPanel::EngineText() const {
    return TEngineText::OfDocument(*memoEdit_->document());
}

void TEditPanel::SetText(const std::string& bytes) {
    highlighter_->ClearMarks();
    memoEdit_->setPlainText(NuvixWindows::FromCp1252(bytes));
}

void TEditPanel::ApplyHighlighting(const std::vector<NuvixParser::TCodePosInfo>& marks) {
    if (marks.empty()) return;
    // The document reports new formats as a change of its contents; it is none.
    const bool savedNotify = notify;
    notify = false;
    highlighter_->SetMarks(marks, EngineText());
    notify = savedNotify;
}

} // namespace NuvixApp
