// TCodeEditor: gutter painting, extra selections and the editing keys of the script editor.
#include "app/code_editor.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStringListModel>
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

TCodeEditor::TCodeEditor(QWidget* parent)
    : QPlainTextEdit(parent), gutter_(new TGutter(this)), completer_(new QCompleter(this)),
      words_(new QStringListModel(this)) {
    callTipLabel_ = new QLabel(this, Qt::ToolTip);
    callTipLabel_->setObjectName("callTip");
    callTipLabel_->setTextFormat(Qt::RichText);
    callTipLabel_->setForegroundRole(QPalette::ToolTipText);
    callTipLabel_->setBackgroundRole(QPalette::ToolTipBase);
    callTipLabel_->setAutoFillBackground(true);
    callTipLabel_->setFrameStyle(QFrame::Box | QFrame::Plain);
    callTipLabel_->setMargin(2);
    completer_->setModel(words_);
    completer_->setWidget(this);
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& word) { InsertCompletion(word); });
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

namespace {

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == '_' || c == '$';
}

} // namespace

QString TCodeEditor::WordBeforeCaret() const {
    const QTextCursor cursor = textCursor();
    const QString line = cursor.block().text().left(cursor.positionInBlock());
    int start = static_cast<int>(line.size());
    while (start > 0 && IsNameChar(line[start - 1])) --start;
    // A number is no name.
    if (start < line.size() && line[start].isDigit()) return {};
    return line.mid(start);
}

void TCodeEditor::UpdateCompletion() {
    const QString prefix = WordBeforeCaret();
    if (prefix.size() < 2 || !completionSource) {
        completer_->popup()->hide();
        return;
    }
    candidates_ = completionSource();
    missingName_.clear();
    QStringList words;
    for (const TCompletion& c : candidates_) words << c.word;
    words_->setStringList(words);
    completer_->setCompletionPrefix(prefix);
    // Nothing to offer, or only what is typed already.
    if (completer_->completionCount() == 0 ||
        (completer_->completionCount() == 1 && completer_->currentCompletion().compare(prefix, Qt::CaseInsensitive) == 0)) {
        completer_->popup()->hide();
        return;
    }
    completer_->popup()->setCurrentIndex(completer_->completionModel()->index(0, 0));
    QRect rect = cursorRect();
    rect.translate(viewportMargins().left(), 0);
    rect.setWidth(completer_->popup()->sizeHintForColumn(0) + completer_->popup()->verticalScrollBar()->sizeHint().width());
    completer_->complete(rect);
}

void TCodeEditor::InsertCompletion(const QString& word) {
    const QString prefix = WordBeforeCaret();
    const auto it = std::find_if(candidates_.begin(), candidates_.end(),
                                 [&](const TCompletion& c) { return c.word == word; });
    const bool function = it != candidates_.end() && !it->callForm.isEmpty();
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, static_cast<int>(prefix.size()));
    cursor.insertText(function ? word + "()" : word);
    if (function) cursor.movePosition(QTextCursor::Left); // into the first argument
    cursor.endEditBlock();
    setTextCursor(cursor);
    UpdateCallTip();
}

void TCodeEditor::UpdateCallTip() {
    const QTextCursor cursor = textCursor();
    const TCallAt call = CallAt(cursor.block().text().left(cursor.positionInBlock()));
    QString form;
    if (!call.name.isEmpty() && completionSource) {
        auto find = [&] {
            for (const TCompletion& c : candidates_)
                if (!c.callForm.isEmpty() && c.word.compare(call.name, Qt::CaseInsensitive) == 0) return c.callForm;
            return QString();
        };
        form = find();
        // Names typed since the last fetch (a define above) are looked up once.
        if (form.isEmpty() && call.name != missingName_) {
            candidates_ = completionSource();
            form = find();
            if (form.isEmpty()) missingName_ = call.name;
        }
    }
    if (form.isEmpty()) {
        callTipLabel_->hide();
        callTip_.clear();
        return;
    }
    callTip_ = CallFormHtml(form, call.argument);
    callTipLabel_->setText(callTip_);
    callTipLabel_->adjustSize();
    callTipLabel_->move(viewport()->mapToGlobal(cursorRect().bottomLeft() + QPoint(0, 4)));
    callTipLabel_->show();
}

void TCodeEditor::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    // The completion popup takes the focus while it shows; the tip stays for it.
    if (!completer_->popup()->isVisible()) callTipLabel_->hide();
}

void TCodeEditor::keyPressEvent(QKeyEvent* event) {
    if (completer_->popup()->isVisible()) {
        // The popup's keys: the completer takes them.
        switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            event->ignore();
            return;
        default:
            break;
        }
    }
    HandleKey(event);
    if (!completionSource) return;
    const QString typed = event->text();
    if (!typed.isEmpty() && IsNameChar(typed.back()) && !(event->modifiers() & Qt::ControlModifier))
        UpdateCompletion();
    else if (completer_->popup()->isVisible() && (typed.isEmpty() || !IsNameChar(typed.back())) &&
             event->key() != Qt::Key_Backspace)
        completer_->popup()->hide();
    else if (event->key() == Qt::Key_Backspace && completer_->popup()->isVisible())
        UpdateCompletion();
    UpdateCallTip();
}

void TCodeEditor::HandleKey(QKeyEvent* event) {
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
