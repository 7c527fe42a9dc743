// TEditPanel: editor, result line and radix selector of one calculator panel.
#include "app/edit_panel.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/engine_text.h"
#include "app/mark_highlighter.h"
#include "windows/cp1252.h"

namespace NuvixApp {
namespace {

const char* const kResultHint = "Displays the calculation result";

} // namespace

TEditPanel::TEditPanel(bool withResult, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    memoEdit_ = new QPlainTextEdit(this);
    memoEdit_->setObjectName("memoEdit");
    QFont font("Courier New", 10);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    memoEdit_->setFont(font);
    memoEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoEdit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memoEdit_, 1);
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
    edtResult_->setStyleSheet("QLineEdit { background: black; color: yellow; font: bold 16px Arial; }");
    cbRadix_ = new QComboBox(resultPanel_);
    cbRadix_->setObjectName("cbRadix");
    cbRadix_->addItems({"Decimal", "Hexadecimal", "Binary"});
    cbRadix_->setCurrentIndex(0);
    cbRadix_->setToolTip("Changes the radix of the calculation result");
    strip->addWidget(edtResult_, 1);
    strip->addWidget(cbRadix_);
    layout->addWidget(resultPanel_);
    resultPanel_->setVisible(withResult);
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
