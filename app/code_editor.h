// TCodeEditor: the script editor of a panel: line-number gutter, current line, error line,
// bracket partners, indentation and going to a line.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <functional>
#include <vector>

#include "app/completion.h"

class QCompleter;
class QLabel;
class QStringListModel;

namespace NuvixApp {

class TCodeEditor final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TCodeEditor(QWidget* parent = nullptr);

    // The line (0-based block number) the syntax check found its error in, marked red in
    // the gutter with `message` as its tooltip; -1 clears the mark.
    void SetErrorLine(int line, const QString& message);
    int ErrorLine() const { return errorLine_; }
    QString ErrorMessage() const { return errorMessage_; }

    // Spaces one indentation step is wide (the setting "editor/tabWidth", 4 by default).
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int width);

    // Tab and Shift+Tab on a selection: every line the selection touches moves one step,
    // as one undo step. Without a selection Tab inserts spaces to the next step.
    void IndentSelection();
    void UnindentSelection();
    // Enter: a line break followed by the leading white space of the current line.
    void NewLineKeepingIndent();
    // Ctrl+/: wraps the selected lines (or the current line) in /* */, or unwraps them
    // when they are wrapped already; one undo step.
    void ToggleComment();

    // Ctrl+M: the caret moves to the partner of the bracket or comment delimiter at (or
    // just before) it; false when there is none.
    bool JumpToBracketPartner();
    // Ctrl+G: the caret to the start of line `line` (1-based, clamped to the text).
    void GoToLine(int line);

    // The names offered while a name is typed (two characters or more); choosing a
    // function inserts "name()" with the caret inside. Inside a call a tooltip shows its
    // call form with the current argument in bold.
    std::function<std::vector<TCompletion>()> completionSource;
    QCompleter* Completer() const { return completer_; }
    // The call form shown for the caret's call, empty when none, and the tooltip window
    // that shows it (a child of the editor, kept by the editor rather than QToolTip, which
    // hides itself on every key).
    QString CallTip() const { return callTip_; }
    QLabel* CallTipLabel() const { return callTipLabel_; }

    // The gutter, for painting and tooltips (a child widget).
    QWidget* Gutter() const { return gutter_; }
    int GutterWidth() const;
    // The 0-based line drawn at height `y` of the gutter, -1 below the text.
    int LineAtGutterY(int y) const;

signals:
    // Ctrl+wheel: one step larger (positive) or smaller (negative).
    void zoomRequested(int steps);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    class TGutter;
    friend class TGutter;
    void PaintGutter(QPaintEvent* event);
    void UpdateGutterWidth();
    void UpdateGutter(const QRect& rect, int dy);
    void UpdateExtraSelections();
    // The editing keys proper (keyPressEvent adds completion around them).
    void HandleKey(QKeyEvent* event);
    void UpdateCompletion();
    void InsertCompletion(const QString& word);
    void UpdateCallTip();
    QString WordBeforeCaret() const;
    // The delimiter at the caret or just before it: its position, or -1.
    int DelimiterAtCaret(const QString& text) const;

    QWidget* gutter_; // a TGutter, a child widget
    int errorLine_ = -1;
    QString errorMessage_;
    int tabWidth_ = 4;
    QCompleter* completer_;       // a child object
    QStringListModel* words_;     // a child object, the completer's model
    std::vector<TCompletion> candidates_; // as last fetched from completionSource
    QString missingName_;         // a call name not among them at the last fetch
    QString callTip_;
    QLabel* callTipLabel_; // a child window
};

} // namespace NuvixApp
