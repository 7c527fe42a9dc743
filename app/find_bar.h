// TFindBar: the find and replace strip under a script editor.
#pragma once

#include <QTextDocument>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextCursor;

namespace NuvixApp {

class TFindBar final : public QWidget {
    Q_OBJECT
public:
    // Searches in `editor` (not owned; it outlives the bar).
    TFindBar(QPlainTextEdit* editor, QWidget* parent);

    // Ctrl+F shows the find row, Ctrl+H the replace row as well; both take the editor's
    // selection (within one line) as the text to find.
    void OpenFind();
    void OpenReplace();
    void Close();

    // F3 and Shift+F3: the next or previous match, round the end of the text; false (and
    // the find field red) when there is none.
    bool FindNext();
    bool FindPrevious();
    // Replaces the selected match and goes to the next; false when the selection is not a
    // match.
    bool ReplaceCurrent();
    // Every match in the text, as one undo step; the number replaced.
    int ReplaceAll();

    QLineEdit* FindEdit() const { return findEdit_; }
    QLineEdit* ReplaceEdit() const { return replaceEdit_; }
    QCheckBox* CaseBox() const { return caseBox_; }
    QCheckBox* WordBox() const { return wordBox_; }
    QCheckBox* RegexBox() const { return regexBox_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Typing in the find field searches again from where the current match starts.
    void Incremental();
    // The match at or after (before, backward) `from`, wrapping round; null when none.
    QTextCursor Find(int from, bool backward) const;
    QTextCursor FindFrom(int from, QTextDocument::FindFlags flags) const;
    QTextDocument::FindFlags Flags() const;
    // The text that replaces the match `match` (regular expressions expand \1 and so on).
    QString Replacement(const QTextCursor& match) const;
    bool Go(bool backward, int from);
    void TakeSelection();

    QPlainTextEdit* editor_; // not owned
    QLineEdit* findEdit_;
    QLineEdit* replaceEdit_;
    QCheckBox* caseBox_;
    QCheckBox* wordBox_;
    QCheckBox* regexBox_;
    QWidget* replaceRow_;
};

} // namespace NuvixApp
