// TEditPanel: editor, result line and radix selector of one calculator panel.
#include "app/edit_panel.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "windows/cp1252.h"

namespace NuvixApp {

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
    // Highlighting changes formats only, with the notify flag cleared.
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
    edtResult_->setToolTip("Displays the calculation result");
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

std::string TEditPanel::Text() const {
    // QPlainTextEdit separates lines with U+2029 internally; toPlainText gives '\n'.
    return NuvixWindows::ToCp1252(memoEdit_->toPlainText());
}

void TEditPanel::SetText(const std::string& bytes) {
    memoEdit_->setPlainText(NuvixWindows::FromCp1252(bytes));
}

void TEditPanel::ApplyHighlighting(const std::vector<NuvixParser::TCodePosInfo>& marks) {
    if (marks.empty()) return;
    static const QColor kColours[] = {
        QColor(0, 128, 0), QColor(128, 0, 0), QColor(0, 0, 255),     QColor(0, 0, 0),
        QColor(0, 0, 0),   QColor(0, 0, 255), QColor(128, 128, 128),
    };
    const bool savedNotify = notify;
    notify = false;
    QTextDocument* doc = memoEdit_->document();
    const int hScroll = memoEdit_->horizontalScrollBar()->value();
    const int vScroll = memoEdit_->verticalScrollBar()->value();
    const QTextCursor selection = memoEdit_->textCursor();
    const int length = doc->characterCount() - 1;

    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const int start = std::max(0, marks[i].position);
        const int end = i + 1 < marks.size() ? std::max(start, marks[i + 1].position) : start + 99999;
        if (start >= length) break;
        QTextCharFormat format;
        const int kind = marks[i].kind >= 0 && marks[i].kind <= 6 ? marks[i].kind : 0;
        format.setForeground(kColours[kind]);
        format.setFontWeight(QFont::Normal);
        format.setFontItalic(kind == NuvixParser::TCodePosInfo::kComment);
        cursor.setPosition(start);
        cursor.setPosition(std::min(end, length), QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
    cursor.endEditBlock();

    memoEdit_->setTextCursor(selection);
    memoEdit_->horizontalScrollBar()->setValue(hScroll);
    memoEdit_->verticalScrollBar()->setValue(vScroll);
    notify = savedNotify;
}

} // namespace NuvixApp
