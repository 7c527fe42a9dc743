// TFindBar: incremental search, replace and replace-all over the editor's document.
#include "app/find_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

namespace NuvixApp {

TFindBar::TFindBar(QPlainTextEdit* editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    setObjectName("findBar");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(new QLabel("Find:", this));
    findEdit_ = new QLineEdit(this);
    findEdit_->setObjectName("findEdit");
    findEdit_->setClearButtonEnabled(true);
    findRow->addWidget(findEdit_, 1);
    auto addButton = [this](QBoxLayout* row, const QString& caption, const QString& name, auto slot) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        row->addWidget(b);
        return b;
    };
    addButton(findRow, "Previous", "btnFindPrevious", [this] { FindPrevious(); });
    addButton(findRow, "Next", "btnFindNext", [this] { FindNext(); });
    caseBox_ = new QCheckBox("Match case", this);
    wordBox_ = new QCheckBox("Whole words", this);
    regexBox_ = new QCheckBox("Regular expression", this);
    for (QCheckBox* box : {caseBox_, wordBox_, regexBox_}) {
        findRow->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this] { Incremental(); });
    }
    auto* close = new QToolButton(this);
    close->setObjectName("btnFindClose");
    close->setText("x");
    close->setToolTip("Close the find bar (Esc)");
    connect(close, &QToolButton::clicked, this, [this] { Close(); });
    findRow->addWidget(close);
    layout->addLayout(findRow);

    replaceRow_ = new QWidget(this);
    auto* replaceRow = new QHBoxLayout(replaceRow_);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->addWidget(new QLabel("Replace:", replaceRow_));
    replaceEdit_ = new QLineEdit(replaceRow_);
    replaceEdit_->setObjectName("replaceEdit");
    replaceRow->addWidget(replaceEdit_, 1);
    addButton(replaceRow, "Replace", "btnReplace", [this] { ReplaceCurrent(); });
    addButton(replaceRow, "Replace all", "btnReplaceAll", [this] { ReplaceAll(); });
    layout->addWidget(replaceRow_);

    connect(findEdit_, &QLineEdit::textEdited, this, [this] { Incremental(); });
    connect(findEdit_, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    connect(replaceEdit_, &QLineEdit::returnPressed, this, [this] { ReplaceCurrent(); });
    hide();
}

void TFindBar::TakeSelection() {
    const QString selected = editor_->textCursor().selectedText();
    // A selection over a line break (U+2029 in selectedText) is no search text.
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) findEdit_->setText(selected);
}

void TFindBar::OpenFind() {
    TakeSelection();
    replaceRow_->hide();
    show();
    findEdit_->setFocus();
    findEdit_->selectAll();
}

void TFindBar::OpenReplace() {
    TakeSelection();
    replaceRow_->show();
    show();
    findEdit_->setFocus();
    findEdit_->selectAll();
}

void TFindBar::Close() {
    hide();
    editor_->setFocus();
}

void TFindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QTextDocument::FindFlags TFindBar::Flags() const {
    QTextDocument::FindFlags flags;
    if (caseBox_->isChecked()) flags |= QTextDocument::FindCaseSensitively;
    if (wordBox_->isChecked()) flags |= QTextDocument::FindWholeWords;
    return flags;
}

QTextCursor TFindBar::FindFrom(int from, QTextDocument::FindFlags flags) const {
    const QTextDocument* doc = editor_->document();
    if (!regexBox_->isChecked()) return doc->find(findEdit_->text(), from, flags);
    QRegularExpression re(findEdit_->text());
    if (!(flags & QTextDocument::FindCaseSensitively)) re.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
    if (!re.isValid()) return {};
    return doc->find(re, from, flags);
}

QTextCursor TFindBar::Find(int from, bool backward) const {
    if (findEdit_->text().isEmpty()) return {};
    QTextDocument::FindFlags flags = Flags();
    if (backward) flags |= QTextDocument::FindBackward;
    QTextCursor match = FindFrom(from, flags);
    // An empty match (a pattern such as "x*") is no place to stop at.
    if (!match.isNull() && !match.hasSelection()) match = {};
    if (match.isNull()) {
        const int wrap = backward ? editor_->document()->characterCount() - 1 : 0;
        match = FindFrom(wrap, flags);
        if (!match.isNull() && !match.hasSelection()) match = {};
    }
    return match;
}

bool TFindBar::Go(bool backward, int from) {
    const QTextCursor match = Find(from, backward);
    findEdit_->setStyleSheet(match.isNull() && !findEdit_->text().isEmpty() ? "QLineEdit { background: rgb(255,200,200); }"
                                                                            : QString());
    if (match.isNull()) return false;
    editor_->setTextCursor(match);
    editor_->ensureCursorVisible();
    return true;
}

void TFindBar::Incremental() {
    Go(false, editor_->textCursor().selectionStart());
}

bool TFindBar::FindNext() {
    return Go(false, editor_->textCursor().selectionEnd());
}

bool TFindBar::FindPrevious() {
    return Go(true, editor_->textCursor().selectionStart());
}

QString TFindBar::Replacement(const QTextCursor& match) const {
    if (!regexBox_->isChecked()) return replaceEdit_->text();
    QRegularExpression re(findEdit_->text());
    if (!caseBox_->isChecked()) re.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
    QString text = match.selectedText();
    return text.replace(re, replaceEdit_->text());
}

bool TFindBar::ReplaceCurrent() {
    if (editor_->isReadOnly()) return false;
    QTextCursor cursor = editor_->textCursor();
    const QTextCursor match = Find(cursor.selectionStart(), false);
    if (match.isNull() || match.selectionStart() != cursor.selectionStart() ||
        match.selectionEnd() != cursor.selectionEnd()) {
        FindNext();
        return false;
    }
    cursor.insertText(Replacement(match));
    editor_->setTextCursor(cursor);
    FindNext();
    return true;
}

int TFindBar::ReplaceAll() {
    if (editor_->isReadOnly() || findEdit_->text().isEmpty()) return 0;
    int count = 0;
    // One edit block: one undo step, and one change for the live check.
    QTextCursor edit(editor_->document());
    edit.beginEditBlock();
    int from = 0;
    for (;;) {
        QTextCursor match = FindFrom(from, Flags());
        if (match.isNull()) break;
        if (!match.hasSelection()) {
            from = match.position() + 1; // an empty match replaces nothing
            if (from >= editor_->document()->characterCount()) break;
            continue;
        }
        match.insertText(Replacement(match));
        from = match.position();
        ++count;
    }
    edit.endEditBlock();
    return count;
}

} // namespace NuvixApp
