// The script editor: colouring as presentation, undo of the user's edits, exact bytes
// and positions between editor and engine.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

#include "app/edit_panel.h"
#include "app/main_form.h"

namespace {

using NuvixApp::TEditPanel;
using NuvixApp::TMainForm;

const QColor kMaroon(128, 0, 0), kBlue(0, 0, 255), kBlack(0, 0, 0), kGreen(0, 128, 0);

struct TWindow {
    TMainForm form;
    TWindow() {
        form.askUser = [](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
            return QMessageBox::No;
        };
    }
    QPlainTextEdit* Editor() { return form.CurrentPanel()->MemoEdit(); }
    // Waits out the pause after typing, after which the colouring runs.
    static void WaitForColouring() { QTest::qWait(350); }
};

// The colour drawn at an editor position, from the layout's formats or else the text's
// own (invalid when nothing colours it).
QColor ColourAt(const QPlainTextEdit* editor, int position) {
    const QTextBlock block = editor->document()->findBlock(position);
    if (!block.isValid() || position >= editor->document()->characterCount() - 1) return {};
    const int offset = position - block.position();
    for (const QTextLayout::FormatRange& r : block.layout()->formats())
        if (offset >= r.start && offset < r.start + r.length) return r.format.foreground().color();
    QTextCursor cursor(editor->document());
    cursor.setPosition(position + 1); // the format of the character before the cursor
    const QTextCharFormat format = cursor.charFormat();
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : QColor();
}

void KeyCtrl(QWidget* editor, Qt::Key key, int times = 1) {
    for (int i = 0; i < times; ++i) QTest::keyClick(editor, key, Qt::ControlModifier);
}

TEST(EditorUndo, UndoAndRedoAreExactlyTheUsersEdits) {
    TWindow w;
    // Shown and active, so that the window's shortcuts take part as they do for a user.
    w.form.show();
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    QPlainTextEdit* editor = w.Editor();
    editor->setFocus();
    QTest::keyClicks(editor, "sin(1)");
    w.WaitForColouring();
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClicks(editor, "2+");
    w.WaitForColouring();
    ASSERT_EQ(editor->toPlainText(), "2+sin(1)");
    ASSERT_EQ(ColourAt(editor, 0), kBlue) << "the colouring ran";

    KeyCtrl(editor, Qt::Key_Z);
    EXPECT_EQ(editor->toPlainText(), "sin(1)");
    w.WaitForColouring(); // re-colours the text, which must keep the redo step
    EXPECT_EQ(ColourAt(editor, 3), kMaroon);
    KeyCtrl(editor, Qt::Key_Z);
    EXPECT_EQ(editor->toPlainText(), "");
    KeyCtrl(editor, Qt::Key_Z);
    EXPECT_EQ(editor->toPlainText(), "");

    KeyCtrl(editor, Qt::Key_Y);
    EXPECT_EQ(editor->toPlainText(), "sin(1)");
    w.WaitForColouring();
    KeyCtrl(editor, Qt::Key_Y);
    EXPECT_EQ(editor->toPlainText(), "2+sin(1)");
    w.WaitForColouring();
    EXPECT_EQ(ColourAt(editor, 6), kBlue);
}

TEST(EditorUndo, UndoBackToTheSavedTextStillCountsAsAChange) {
    TWindow w;
    QPlainTextEdit* editor = w.Editor();
    QTest::keyClicks(editor, "1+2");
    w.WaitForColouring();
    w.form.SetModified(false); // as after saving
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClicks(editor, "3*");
    KeyCtrl(editor, Qt::Key_Z);
    ASSERT_EQ(editor->toPlainText(), "1+2");
    // Every syntax check marks the document modified, the one after an undo included.
    EXPECT_TRUE(w.form.Modified());
    EXPECT_EQ(w.form.StatusText(0), "Changed");
}

TEST(EditorColouring, IsNoEditAndKeepsSelectionAndScrollPosition) {
    TWindow w;
    QString text;
    for (int i = 0; i < 300; ++i) text += QString("a%1 = sin(%1) * 2,\n").arg(i);
    text += "1";
    w.form.show();
    QPlainTextEdit* editor = w.Editor();
    editor->setPlainText(text); // one undo step
    const int undoSteps = editor->document()->availableUndoSteps();
    QTextCursor selection = editor->textCursor();
    selection.setPosition(2000);
    selection.setPosition(2040, QTextCursor::KeepAnchor);
    editor->setTextCursor(selection);
    editor->verticalScrollBar()->setValue(120);
    w.form.SetModified(false);

    w.form.ApplyHighlighting();

    EXPECT_EQ(ColourAt(editor, 0), kGreen) << "the colouring ran";
    EXPECT_EQ(editor->document()->availableUndoSteps(), undoSteps);
    EXPECT_FALSE(editor->document()->isRedoAvailable());
    EXPECT_FALSE(w.form.Modified());
    EXPECT_EQ(editor->textCursor().anchor(), 2000);
    EXPECT_EQ(editor->textCursor().position(), 2040);
    EXPECT_EQ(editor->verticalScrollBar()->value(), 120);
}

TEST(EditorColouring, TypedTextKeepsTheColoursAroundItUntilTheNextColouring) {
    TWindow w;
    QPlainTextEdit* editor = w.Editor();
    editor->setPlainText("x = 12,\ny = sin(x)");
    w.form.ApplyHighlighting();
    ASSERT_EQ(ColourAt(editor, 12), kBlack); // the s of sin
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    cursor.insertText("abc\n");
    // The marks moved with the text: 12 is still blue, sin black, its bracket maroon.
    EXPECT_EQ(ColourAt(editor, 8), kBlue);
    EXPECT_EQ(ColourAt(editor, 16), kBlack);
    EXPECT_EQ(ColourAt(editor, 19), kMaroon);
}

TEST(EditorBytes, NoBreakSpaceReachesTheEngineAndTheFile) {
    TEditPanel panel(true);
    const std::string script = "a\xA0=\xA0" "1,\n'\xA0'";
    panel.SetText(script);
    EXPECT_EQ(panel.Text(), script);
}

TEST(EditorPositions, CharactersBeyondTheBasicPlaneShiftNoMark) {
    TWindow w;
    QPlainTextEdit* editor = w.Editor();
    // Editor positions: ' 0, the emoji 1 and 2, ' 3, + 4, sin 5-7, ( 8, 1 9, ) 10.
    editor->setPlainText(QString::fromUtf8("'\xF0\x9F\x98\x80'+sin(1)"));
    EXPECT_EQ(w.form.CurrentPanel()->Text(), "'?'+sin(1)");
    w.form.ApplyHighlighting();
    EXPECT_EQ(ColourAt(editor, 2), kBlue) << "the whole string is a string";
    EXPECT_EQ(ColourAt(editor, 4), kBlack);
    EXPECT_EQ(ColourAt(editor, 7), kBlack) << "the n of sin";
    EXPECT_EQ(ColourAt(editor, 8), kMaroon);
    EXPECT_EQ(ColourAt(editor, 9), kBlue);
    EXPECT_EQ(ColourAt(editor, 10), kMaroon);
}

TEST(EditorPositions, ShowErrorSelectsTheFaultyCharactersAfterAnEmoji) {
    TWindow w;
    QPlainTextEdit* editor = w.Editor();
    editor->setPlainText(QString::fromUtf8("'\xF0\x9F\x98\x80\xF0\x9F\x98\x80' + 2 3 + 4"));
    ASSERT_TRUE(w.form.ErrorState());
    w.form.ShowError();
    EXPECT_EQ(editor->textCursor().selectedText(), "3");
}

} // namespace
