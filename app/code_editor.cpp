// TCodeEditor: gutter painting, extra selections and the editing keys of the script editor.
#include "app/code_editor.h"

#include <QKeyEvent>
#include <QPainter>
#include <QSettings>
#include <QTextBlock>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

#include "app/bracket_match.h"

namespace NuvixApp {

namespace {

const QColor kCurrentLine(255, 255, 200);
const QColor kBracketPartner(180, 230, 255);
const QColor kGutterBack(240, 240, 240);
const QColor kGutterText(128, 128, 128);
const QColor kErrorLine(255, 0, 0); // the lamp's red

// The leading spaces and tabs of `line`.
QString LeadingWhiteSpace(const QString& line) {
    int n = 0;
    while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) ++n;
    return line.left(n);
}

} // namespace

// The strip left of the text; it paints and explains itself through the editor.
class TCodeEditor::TGutter final : public QWidget {
public:
    explicit TGutter(TCodeEditor* editor) : QWidget(editor), editor_(editor) { setObjectName("gutter"); }
    QSize sizeHint() const override { return {editor_->GutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintGutter(event); }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const int line = editor_->LineAtGutterY(help->pos().y());
            if (line >= 0 && line == editor_->errorLine_)
                QToolTip::showText(help->globalPos(), editor_->errorMessage_.toHtmlEscaped(), this);
            else
                QToolTip::hideText();
            return true;
        }
        return QWidget::event(event);
    }

private:
    TCodeEditor* editor_; // the parent
};

TCodeEditor::TCodeEditor(QWidget* parent) : QPlainTextEdit(parent), gutter_(new TGutter(this)) {
    tabWidth_ = std::clamp(QSettings().value("editor/tabWidth", 4).toInt(), 1, 16);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutterWidth(); });
    connect(this, &QPlainTextEdit::updateRequest, this, &TCodeEditor::UpdateGutter);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TCodeEditor::UpdateExtraSelections);
    UpdateGutterWidth();
    UpdateExtraSelections();
}

void TCodeEditor::SetErrorLine(int line, const QString& message) {
    if (line == errorLine_ && message == errorMessage_) return;
    errorLine_ = line;
    errorMessage_ = message;
    gutter_->update();
}

void TCodeEditor::SetTabWidth(int width) {
    tabWidth_ = std::clamp(width, 1, 16);
}

int TCodeEditor::GutterWidth() const {
    int digits = 1;
    for (int max = std::max(1, blockCount()); max >= 10; max /= 10) ++digits;
    digits = std::max(digits, 3); // no jump of the text while a file grows past 99 lines
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

int TCodeEditor::LineAtGutterY(int y) const {
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= y) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && y < bottom) return block.blockNumber();
        block = block.next();
        top = bottom;
    }
    return -1;
}

void TCodeEditor::UpdateGutterWidth() {
    setViewportMargins(GutterWidth(), 0, 0, 0);
}

void TCodeEditor::UpdateGutter(const QRect& rect, int dy) {
    if (dy != 0)
        gutter_->scroll(0, dy);
    else
        gutter_->update(0, rect.y(), gutter_->width(), rect.height());
    if (rect.contains(viewport()->rect())) UpdateGutterWidth();
}

void TCodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect r = contentsRect();
    gutter_->setGeometry(QRect(r.left(), r.top(), GutterWidth(), r.height()));
}

void TCodeEditor::PaintGutter(QPaintEvent* event) {
    QPainter painter(gutter_);
    painter.fillRect(event->rect(), kGutterBack);
    painter.setFont(font());
    const int current = textCursor().blockNumber();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int lineHeight = fontMetrics().height();
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= event->rect().top()) {
            const int number = block.blockNumber();
            QFont font = painter.font();
            font.setBold(number == current || number == errorLine_);
            painter.setFont(font);
            if (number == errorLine_) {
                painter.fillRect(0, top, gutter_->width(), bottom - top, kErrorLine);
                painter.setPen(Qt::white);
            } else {
                painter.setPen(number == current ? Qt::black : kGutterText);
            }
            painter.drawText(0, top, gutter_->width() - 4, lineHeight, Qt::AlignRight, QString::number(number + 1));
        }
        block = block.next();
        top = bottom;
    }
}

int TCodeEditor::DelimiterAtCaret(const QString& text) const {
    const int pos = textCursor().position();
    // After the caret first, then before it; a two-character delimiter may also start two
    // characters back (the caret right after "*/").
    for (int at : {pos, pos - 1}) {
        if (DelimiterLength(text, at) > 0) return at;
    }
    if (DelimiterLength(text, pos - 2) == 2) return pos - 2;
    return -1;
}

void TCodeEditor::UpdateExtraSelections() {
    QList<QTextEdit::ExtraSelection> selections;
    QTextEdit::ExtraSelection line;
    line.format.setBackground(kCurrentLine);
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    line.cursor = textCursor();
    line.cursor.clearSelection();
    selections.append(line);

    // The whole text is read only when a delimiter character is next to the caret: typing
    // in a long file otherwise costs no more than moving the caret.
    const int pos = textCursor().position();
    const QTextDocument* doc = document();
    auto isDelimiterChar = [doc](int at) {
        const QChar c = doc->characterAt(at);
        return c == '(' || c == ')' || c == '[' || c == ']' || c == '/' || c == '*';
    };
    if (isDelimiterChar(pos) || isDelimiterChar(pos - 1)) {
        const QString text = toPlainText();
        const int at = DelimiterAtCaret(text);
        const int partner = at >= 0 ? BracketPartner(text, at) : -1;
        if (partner >= 0) {
            for (int p : {at, partner}) {
                QTextEdit::ExtraSelection mark;
                mark.format.setBackground(kBracketPartner);
                mark.cursor = QTextCursor(document());
                mark.cursor.setPosition(p);
                mark.cursor.setPosition(p + DelimiterLength(text, p), QTextCursor::KeepAnchor);
                selections.append(mark);
            }
        }
    }
    setExtraSelections(selections);
    gutter_->update(); // the current line's number is drawn bold
}

bool TCodeEditor::JumpToBracketPartner() {
    const QString text = toPlainText();
    const int at = DelimiterAtCaret(text);
    const int partner = at >= 0 ? BracketPartner(text, at) : -1;
    if (partner < 0) return false;
    QTextCursor cursor = textCursor();
    cursor.setPosition(partner);
    setTextCursor(cursor);
    return true;
}

void TCodeEditor::GoToLine(int line) {
    const int number = std::clamp(line, 1, blockCount()) - 1;
    QTextCursor cursor(document()->findBlockByNumber(number));
    setTextCursor(cursor);
    centerCursor();
}

namespace {

// The blocks a selection touches: a selection that ends at the start of a line does not
// take that line along.
std::pair<QTextBlock, QTextBlock> SelectedBlocks(const QTextCursor& cursor) {
    QTextDocument* doc = cursor.document();
    const int start = cursor.selectionStart();
    int end = cursor.selectionEnd();
    QTextBlock last = doc->findBlock(end);
    if (end > start && last.position() == end) last = last.previous();
    return {doc->findBlock(start), last};
}

// Selects the whole lines from `first` to `last`, so that a second Tab moves them again.
void SelectLines(QTextCursor& cursor, const QTextBlock& first, const QTextBlock& last) {
    cursor.setPosition(first.position());
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
}

} // namespace

void TCodeEditor::IndentSelection() {
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        const int column = cursor.positionInBlock();
        cursor.insertText(QString(tabWidth_ - column % tabWidth_, ' '));
        setTextCursor(cursor);
        return;
    }
    const auto [first, last] = SelectedBlocks(cursor);
    cursor.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        QTextCursor at(b);
        at.insertText(QString(tabWidth_, ' '));
        if (b == last) break;
    }
    cursor.endEditBlock();
    SelectLines(cursor, first, last);
    setTextCursor(cursor);
}

void TCodeEditor::UnindentSelection() {
    QTextCursor cursor = textCursor();
    const bool whole = cursor.hasSelection();
    const auto [first, last] = SelectedBlocks(cursor);
    cursor.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        const QString text = b.text();
        int n = 0;
        if (!text.isEmpty() && text[0] == '\t') {
            n = 1;
        } else {
            while (n < tabWidth_ && n < text.size() && text[n] == ' ') ++n;
        }
        if (n > 0) {
            QTextCursor at(b);
            at.setPosition(b.position() + n, QTextCursor::KeepAnchor);
            at.removeSelectedText();
        }
        if (b == last) break;
    }
    cursor.endEditBlock();
    if (whole) SelectLines(cursor, first, last);
    setTextCursor(cursor);
}

void TCodeEditor::NewLineKeepingIndent() {
    QTextCursor cursor = textCursor();
    const QString indent = LeadingWhiteSpace(cursor.block().text()).left(cursor.positionInBlock());
    cursor.beginEditBlock();
    cursor.insertBlock();
    cursor.insertText(indent);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void TCodeEditor::ToggleComment() {
    QTextCursor cursor = textCursor();
    const auto [first, last] = SelectedBlocks(cursor);
    const QString firstText = first.text();
    const QString lastText = last.text();
    const int open = static_cast<int>(LeadingWhiteSpace(firstText).size());
    const QString trimmedLast = lastText.trimmed();
    const bool wrapped = firstText.mid(open).startsWith("/*") && trimmedLast.endsWith("*/") &&
                         (first != last || firstText.trimmed().size() >= 4);
    cursor.beginEditBlock();
    if (wrapped) {
        // The closing "*/" (and a space before it) first, so the opening's position holds.
        int close = static_cast<int>(lastText.lastIndexOf("*/"));
        int closeLength = 2;
        if (close > 0 && lastText[close - 1] == ' ') {
            --close;
            ++closeLength;
        }
        QTextCursor at(last);
        at.setPosition(last.position() + close);
        at.setPosition(last.position() + close + closeLength, QTextCursor::KeepAnchor);
        at.removeSelectedText();
        const int openLength = firstText.mid(open).startsWith("/* ") ? 3 : 2;
        at.setPosition(first.position() + open);
        at.setPosition(first.position() + open + openLength, QTextCursor::KeepAnchor);
        at.removeSelectedText();
    } else {
        QTextCursor at(last);
        at.movePosition(QTextCursor::EndOfBlock);
        at.insertText(" */");
        at.setPosition(first.position() + open);
        at.insertText("/* ");
    }
    cursor.endEditBlock();
    if (cursor.hasSelection()) SelectLines(cursor, first, last);
    setTextCursor(cursor);
}

void TCodeEditor::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        // The panel zooms its editor and result together and remembers the size.
        const int steps = event->angleDelta().y() / 120;
        if (steps != 0) emit zoomRequested(steps);
        event->accept();
        return;
    }
    QPlainTextEdit::wheelEvent(event);
}

void TCodeEditor::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // The numbers are drawn in the editor's font: a zoom widens or narrows the gutter.
        UpdateGutterWidth();
        const QRect r = contentsRect();
        gutter_->setGeometry(QRect(r.left(), r.top(), GutterWidth(), r.height()));
        gutter_->update();
    }
}

void TCodeEditor::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (!isReadOnly()) {
        if (event->key() == Qt::Key_Tab && mods == Qt::NoModifier) {
            IndentSelection();
            return;
        }
        if (event->key() == Qt::Key_Backtab) {
            UnindentSelection();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
            NewLineKeepingIndent();
            return;
        }
        // Ctrl+/ also where the slash needs Shift.
        if (event->key() == Qt::Key_Slash && (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
            ToggleComment();
            return;
        }
    }
    if (event->key() == Qt::Key_M && mods == Qt::ControlModifier) {
        JumpToBracketPartner();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace NuvixApp
