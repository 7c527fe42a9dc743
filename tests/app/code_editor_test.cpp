// The script editor's own keys: bracket partners, indentation, comments, find and replace,
// going to a line, and the error line in the gutter.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "app/bracket_match.h"
#include "app/code_editor.h"
#include "app/edit_panel.h"
#include "app/find_bar.h"
#include "app/main_form.h"

namespace {

using NuvixApp::BracketPartner;
using NuvixApp::TCodeEditor;
using NuvixApp::TEditPanel;
using NuvixApp::TFindBar;
using NuvixApp::TMainForm;

// ---- bracket partners -----------------------------------------------------------------------

struct TPartnerRow {
    const char* text;
    int position;
    int partner;
};

TEST(BracketPartner, PairsBracketsAndCommentsAsTheParserReadsThem) {
    const TPartnerRow rows[] = {
        {"sin(1)", 3, 5},
        {"sin(1)", 5, 3},
        {"a[1] + (b[(2)])", 1, 3},
        {"a[1] + (b[(2)])", 7, 14},
        {"a[1] + (b[(2)])", 9, 13},
        {"a[1] + (b[(2)])", 10, 12},
        {"a[1] + (b[(2)])", 14, 7},
        {"/* c */ 1", 0, 5},
        {"/* c */ 1", 5, 0},
        {"/* a /* b */ c */ 1", 0, 15},   // comments nest
        {"/* a /* b */ c */ 1", 5, 10},
        {"/* a /* b */ c */ 1", 15, 0},
        {"(1 /* ) */ + 2)", 0, 14},       // a bracket in a comment is text
        {"(1 /* ) */ + 2)", 6, -1},
        {"f('(', \")\", 1)", 1, 13},      // and in quoted literals
        {"f('(', \")\", 1)", 3, -1},
        {"('it''s)')", 0, 9},              // a doubled quote stays inside the literal
        {"(1", 0, -1},                     // unclosed
        {"1)", 1, -1},                     // stray closer
        {"(1]", 0, -1},                    // kinds disagree
        {"1 */", 2, -1},                   // "*/" outside a comment
        {"/* open", 0, -1},
        {"sin(1)", 0, -1},                 // no delimiter there
        {"", 0, -1},
    };
    for (const TPartnerRow& row : rows) {
        EXPECT_EQ(BracketPartner(QString::fromUtf8(row.text), row.position), row.partner)
            << row.text << " at " << row.position;
    }
}

// ---- editing keys ---------------------------------------------------------------------------

// Selects from `anchor` to `position` in the editor.
void Select(QPlainTextEdit& editor, int anchor, int position) {
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
}

TEST(EditorIndentation, TabAndShiftTabMoveEveryLineTheSelectionTouches) {
    TCodeEditor editor;
    editor.setPlainText("a = 1,\nb = 2,\nc = 3");
    // From inside the first line to the very start of the third: two lines move.
    Select(editor, 2, 14);
    QTest::keyClick(&editor, Qt::Key_Tab);
    EXPECT_EQ(editor.toPlainText(), "    a = 1,\n    b = 2,\nc = 3");
    QTest::keyClick(&editor, Qt::Key_Tab);
    EXPECT_EQ(editor.toPlainText(), "        a = 1,\n        b = 2,\nc = 3") << "the lines stay selected";
    QTest::keyClick(&editor, Qt::Key_Backtab);
    EXPECT_EQ(editor.toPlainText(), "    a = 1,\n    b = 2,\nc = 3");
    editor.undo();
    EXPECT_EQ(editor.toPlainText(), "        a = 1,\n        b = 2,\nc = 3") << "one undo step per key";

    // Unindenting takes what there is: fewer spaces than a step, or a tab.
    editor.setPlainText("  x\n\ty\n      z");
    Select(editor, 0, editor.document()->characterCount() - 1);
    QTest::keyClick(&editor, Qt::Key_Backtab);
    EXPECT_EQ(editor.toPlainText(), "x\ny\n  z");
}

TEST(EditorIndentation, TabWithoutSelectionGoesToTheNextStopAndEnterKeepsTheIndent) {
    TCodeEditor editor;
    editor.SetTabWidth(4);
    editor.setPlainText("ab");
    editor.moveCursor(QTextCursor::End);
    QTest::keyClick(&editor, Qt::Key_Tab);
    EXPECT_EQ(editor.toPlainText(), "ab  ");

    editor.setPlainText("if(x,\n    y = 1,");
    editor.moveCursor(QTextCursor::End);
    QTest::keyClick(&editor, Qt::Key_Return);
    QTest::keyClicks(&editor, "z");
    EXPECT_EQ(editor.toPlainText(), "if(x,\n    y = 1,\n    z");
    // A break inside the indentation keeps only what stands before the caret.
    editor.setPlainText("    q");
    Select(editor, 2, 2);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(editor.toPlainText(), "  \n    q");
}

TEST(EditorComments, CtrlSlashWrapsAndUnwrapsTheSelectedLines) {
    TCodeEditor editor;
    editor.setPlainText("  a = 1,\n  b = 2,\nc");
    Select(editor, 3, 12);
    QTest::keyClick(&editor, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(editor.toPlainText(), "  /* a = 1,\n  b = 2, */\nc");
    QTest::keyClick(&editor, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(editor.toPlainText(), "  a = 1,\n  b = 2,\nc");
    editor.undo();
    EXPECT_EQ(editor.toPlainText(), "  /* a = 1,\n  b = 2, */\nc") << "one undo step";
}

TEST(EditorNavigation, CtrlMJumpsToThePartnerAndGoToLineClamps) {
    TCodeEditor editor;
    editor.setPlainText("x = (1 +\n  [2]) /* c */");
    Select(editor, 4, 4);
    QTest::keyClick(&editor, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(editor.textCursor().position(), 14);
    // From just after the closer back again.
    Select(editor, 15, 15);
    QTest::keyClick(&editor, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(editor.textCursor().position(), 4);
    Select(editor, 2, 2);
    EXPECT_FALSE(editor.JumpToBracketPartner());

    editor.GoToLine(2);
    EXPECT_EQ(editor.textCursor().position(), 9);
    editor.GoToLine(99);
    EXPECT_EQ(editor.textCursor().blockNumber(), 1);
    editor.GoToLine(0);
    EXPECT_EQ(editor.textCursor().position(), 0);
}

// ---- find and replace -----------------------------------------------------------------------

struct TFindFixture {
    QWidget host;
    QPlainTextEdit* editor = new QPlainTextEdit(&host);
    TFindBar* bar = new TFindBar(editor, &host);
    void Find(const QString& text) {
        bar->OpenFind();
        bar->FindEdit()->clear();
        QTest::keyClicks(bar->FindEdit(), text); // incremental, as typed
    }
    QString Selected() const { return editor->textCursor().selectedText(); }
    int At() const { return editor->textCursor().selectionStart(); }
};

TEST(FindBar, TypingFindsIncrementallyAndF3WrapsRound) {
    TFindFixture f;
    f.editor->setPlainText("Sum = sum(a),\nsummary = 1,\nsum");
    f.Find("su");
    EXPECT_EQ(f.At(), 0);
    QTest::keyClicks(f.bar->FindEdit(), "m(");
    EXPECT_EQ(f.At(), 6) << "the match grows from where it stood, then moves on";
    f.bar->FindEdit()->setText("sum");
    EXPECT_TRUE(f.bar->FindNext());
    EXPECT_EQ(f.At(), 14);
    EXPECT_TRUE(f.bar->FindNext());
    EXPECT_EQ(f.At(), 27);
    EXPECT_TRUE(f.bar->FindNext());
    EXPECT_EQ(f.At(), 0) << "round the end";
    EXPECT_TRUE(f.bar->FindPrevious());
    EXPECT_EQ(f.At(), 27) << "round the start";
}

struct TOptionRow {
    const char* what;
    bool matchCase, wholeWords, regex;
    const char* pattern;
    std::vector<int> starts; // every match from the start of the text, in order
};

TEST(FindBar, CaseWholeWordAndRegularExpressionToggles) {
    const QString text = "Sum = sum(a),\nsummary = sum2 + x1";
    const TOptionRow rows[] = {
        {"any case", false, false, false, "sum", {0, 6, 14, 24}},
        {"match case", true, false, false, "Sum", {0}},
        {"whole words", false, true, false, "sum", {0, 6}},
        {"regex", false, false, true, "[a-z]+[0-9]", {24, 31}},
        {"regex and case", true, false, true, "S[a-z]+", {0}},
        {"regex, whole words", false, true, true, "x[0-9]", {31}},
        {"no match", false, false, false, "nothing", {}},
        {"invalid regex", false, false, true, "(", {}},
    };
    for (const TOptionRow& row : rows) {
        TFindFixture f;
        f.editor->setPlainText(text);
        f.bar->CaseBox()->setChecked(row.matchCase);
        f.bar->WordBox()->setChecked(row.wholeWords);
        f.bar->RegexBox()->setChecked(row.regex);
        f.Find(row.pattern);
        std::vector<int> starts;
        f.editor->moveCursor(QTextCursor::Start);
        while (f.bar->FindNext() && (starts.empty() || f.At() > starts.back())) starts.push_back(f.At());
        EXPECT_EQ(starts, row.starts) << row.what;
    }
}

TEST(FindBar, ReplaceAllIsOneUndoStep) {
    TFindFixture f;
    const QString text = "a = 1,\nab = a + 2,\na * a";
    f.editor->setPlainText(text);
    f.bar->OpenReplace();
    f.bar->WordBox()->setChecked(true);
    f.bar->FindEdit()->setText("a");
    f.bar->ReplaceEdit()->setText("volts");
    EXPECT_EQ(f.bar->ReplaceAll(), 4);
    EXPECT_EQ(f.editor->toPlainText(), "volts = 1,\nab = volts + 2,\nvolts * volts");
    f.editor->undo();
    EXPECT_EQ(f.editor->toPlainText(), text);
    EXPECT_FALSE(f.editor->document()->isUndoAvailable()) << "setPlainText started the history";

    // Regular expressions replace with their groups; a pattern that can match nothing
    // replaces only what it matches.
    f.bar->WordBox()->setChecked(false);
    f.bar->RegexBox()->setChecked(true);
    f.bar->FindEdit()->setText("([a-z]+) = ([0-9]+)");
    f.bar->ReplaceEdit()->setText("\\2 = \\1");
    EXPECT_EQ(f.bar->ReplaceAll(), 1);
    EXPECT_EQ(f.editor->toPlainText(), "1 = a,\nab = a + 2,\na * a");
    f.bar->FindEdit()->setText("x*");
    f.bar->ReplaceEdit()->setText("y");
    EXPECT_EQ(f.bar->ReplaceAll(), 0);
}

TEST(FindBar, ReplaceReplacesTheSelectedMatchAndMovesOn) {
    TFindFixture f;
    f.editor->setPlainText("x + x + x");
    f.Find("x");
    f.bar->ReplaceEdit()->setText("y");
    EXPECT_EQ(f.At(), 0);
    EXPECT_TRUE(f.bar->ReplaceCurrent());
    EXPECT_EQ(f.editor->toPlainText(), "y + x + x");
    EXPECT_EQ(f.At(), 4);
    Select(*f.editor, 0, 1); // "y" is no match: nothing is replaced, the next match is found
    EXPECT_FALSE(f.bar->ReplaceCurrent());
    EXPECT_EQ(f.editor->toPlainText(), "y + x + x");
    EXPECT_EQ(f.At(), 4);
    f.editor->setReadOnly(true); // while calculating
    EXPECT_FALSE(f.bar->ReplaceCurrent());
    EXPECT_EQ(f.bar->ReplaceAll(), 0);
    EXPECT_EQ(f.editor->toPlainText(), "y + x + x");
}

TEST(FindBar, TheKeysOfThePanelOpenTheBarAndSearch) {
    TMainForm form;
    form.askUser = [](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
        return QMessageBox::No;
    };
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    TEditPanel* panel = form.CurrentPanel();
    QPlainTextEdit* editor = panel->MemoEdit();
    editor->setPlainText("t = 1,\nt + t");
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(panel->FindBar()->isVisible());
    QTest::keyClicks(panel->FindBar()->FindEdit(), "t");
    EXPECT_EQ(editor->textCursor().selectionStart(), 0);
    QTest::keyClick(panel->FindBar()->FindEdit(), Qt::Key_F3);
    EXPECT_EQ(editor->textCursor().selectionStart(), 7);
    QTest::keyClick(panel->FindBar()->FindEdit(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(editor->textCursor().selectionStart(), 0);
    QTest::keyClick(panel->FindBar()->FindEdit(), Qt::Key_Escape);
    EXPECT_FALSE(panel->FindBar()->isVisible());
    EXPECT_TRUE(editor->hasFocus());
}

// ---- zoom -----------------------------------------------------------------------------------

TEST(EditorZoom, KeysAndWheelResizeEveryPanelAndTheSizeIsRemembered) {
    QSettings().remove("editor/fontSize");
    {
        TMainForm form;
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        form.NewPanel();
        TEditPanel* panel = form.CurrentPanel();
        const int start = panel->FontSize();
        ASSERT_EQ(start, TEditPanel::kDefaultFontSize);
        const int resultStart = panel->EdtResult()->fontInfo().pixelSize();
        const int gutterStart = panel->Editor()->GutterWidth();
        panel->MemoEdit()->setFocus();
        QTest::keyClick(panel->MemoEdit(), Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(panel->MemoEdit(), Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(panel->MemoEdit(), Qt::Key_Minus, Qt::ControlModifier);
        EXPECT_EQ(panel->FontSize(), start + 1);
        QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(panel->MemoEdit()->viewport(), &wheel);
        EXPECT_EQ(panel->FontSize(), start + 3);
        EXPECT_GT(panel->EdtResult()->fontInfo().pixelSize(), resultStart) << "the result grows along";
        EXPECT_GT(panel->Editor()->GutterWidth(), gutterStart) << "and the gutter with its numbers";
        EXPECT_EQ(form.Panel(0)->FontSize(), start + 3) << "every panel of the window";
        panel->SetFontSize(1000);
        EXPECT_LT(panel->FontSize(), 100) << "clamped";
        panel->SetFontSize(start + 3);
    }
    TMainForm again;
    EXPECT_EQ(again.CurrentPanel()->FontSize(), TEditPanel::kDefaultFontSize + 3) << "remembered";
    again.CurrentPanel()->SetFontSize(TEditPanel::kDefaultFontSize);
}

// ---- the error line -------------------------------------------------------------------------

TEST(EditorGutter, MarksTheErrorLineWhileTheLampIsRed) {
    TMainForm form;
    TEditPanel* panel = form.CurrentPanel();
    auto* editor = panel->Editor();
    editor->setPlainText("a = 1,\nb = sin(2,\nc = 3");
    ASSERT_TRUE(form.ErrorState());
    EXPECT_GE(editor->ErrorLine(), 1);
    EXPECT_FALSE(editor->ErrorMessage().isEmpty());
    editor->setPlainText("a = 1,\nb = (2 +) 3");
    EXPECT_EQ(editor->ErrorLine(), 1);
    // Pointing at the red line number shows the message.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QWidget* gutter = editor->Gutter();
    auto tipAtLine = [&](int line) {
        for (int y = 0; y < gutter->height(); ++y) {
            if (editor->LineAtGutterY(y) != line) continue;
            QHelpEvent help(QEvent::ToolTip, QPoint(2, y), gutter->mapToGlobal(QPoint(2, y)));
            QApplication::sendEvent(gutter, &help);
            return QToolTip::text();
        }
        return QString("<line not drawn>");
    };
    EXPECT_EQ(tipAtLine(1), editor->ErrorMessage().toHtmlEscaped());
    editor->setPlainText("a = 1,\nb = 2,\nc = 3");
    ASSERT_FALSE(form.ErrorState());
    EXPECT_EQ(editor->ErrorLine(), -1);
    EXPECT_GT(editor->GutterWidth(), 0);
}

} // namespace
