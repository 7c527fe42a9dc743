// The main window driven as a user would: panels, syntax check, runs, results and files.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/edit_panel.h"
#include "app/file_association.h"
#include "app/main_form.h"
#include "instruments/run_context.h"
#include "windows/output_form.h"
#include "tests/app/qt_test_environment.h"

namespace {

using NuvixApp::TMainForm;

const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new NuvixTest::TQtEnvironment);

// A main window whose questions are answered by the test, recording what was asked.
struct TWindow {
    TMainForm form;
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::No;

    TWindow() {
        form.askUser = [this](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
            asked << text;
            return answer;
        };
    }
    void Type(int tab, const QString& text) {
        form.Tabs()->setCurrentIndex(tab);
        form.Panel(tab)->MemoEdit()->setPlainText(text);
    }
    // Starts the active panel and waits for its result line.
    QString Run() {
        form.Panel(form.Tabs()->currentIndex())->EdtResult()->clear();
        form.actionStart->trigger();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form.Calculating(); }, 20000)) << "the run did not end";
        return form.CurrentPanel()->EdtResult()->text();
    }
};

TEST(MainForm, NewDocumentHasGlobalAndFirstCalculatorPanel) {
    TWindow w;
    ASSERT_EQ(w.form.PanelCount(), 2);
    EXPECT_EQ(w.form.Tabs()->tabText(0), "Global");
    EXPECT_EQ(w.form.Tabs()->tabText(1), "Calculator 1");
    EXPECT_EQ(w.form.Tabs()->currentIndex(), 1);
    EXPECT_FALSE(w.form.Panel(0)->ResultPanel()->isVisibleTo(&w.form));
    EXPECT_TRUE(w.form.Panel(1)->ResultPanel()->isVisibleTo(&w.form));
    EXPECT_EQ(w.form.windowTitle(), "The Varnex Calculator");
    EXPECT_TRUE(w.form.actionStart->isEnabled());
    EXPECT_FALSE(w.form.actionBreak->isEnabled());
    EXPECT_FALSE(w.form.actionSave->isEnabled());
    EXPECT_FALSE(w.form.Modified());
}

TEST(MainForm, SyntaxCheckDrivesLampStartAndShowError) {
    TWindow w;
    w.Type(1, "1 + (2 * ");
    EXPECT_TRUE(w.form.ErrorState());
    EXPECT_EQ(w.form.lblError->text(), "Error");
    EXPECT_FALSE(w.form.actionStart->isEnabled());
    EXPECT_TRUE(w.form.btnShowError->isEnabled());
    EXPECT_TRUE(w.form.Modified());
    EXPECT_EQ(w.form.StatusText(0), "Changed");

    // The error is at the end of the text: the selection reaches the end.
    w.form.ShowError();
    EXPECT_EQ(w.form.StatusText(1), "Expression or identifier expected");
    const QTextCursor c = w.form.CurrentPanel()->MemoEdit()->textCursor();
    EXPECT_EQ(c.selectionEnd(), 9);

    w.Type(1, "1 + (2 * 3)");
    EXPECT_FALSE(w.form.ErrorState());
    EXPECT_EQ(w.form.lblError->text(), "Ok");
    EXPECT_TRUE(w.form.actionStart->isEnabled());
    EXPECT_FALSE(w.form.btnShowError->isEnabled());
}

TEST(MainForm, StartShowsResultsInThePanelsRadix) {
    TWindow w;
    w.Type(1, "define(f(x);x*2), f(21)");
    EXPECT_EQ(w.Run(), "42");
    EXPECT_EQ(w.form.StatusText(1), "Calculation finished");

    w.form.CurrentPanel()->CbRadix()->setCurrentIndex(1);
    EXPECT_EQ(w.form.CurrentPanel()->EdtResult()->text(), "42") << "changing the radix redisplays nothing";
    w.Type(1, "-1");
    EXPECT_EQ(w.Run(), "FFFFFFFF");
    w.Type(1, "'text'");
    EXPECT_EQ(w.Run(), "text");
    w.Type(1, "0/0");
    EXPECT_EQ(w.Run(), "Number too large, display in decimal mode");
    w.form.CurrentPanel()->CbRadix()->setCurrentIndex(2);
    w.Type(1, "5");
    EXPECT_EQ(w.Run(), "101");

    w.Type(1, "x + 1");
    EXPECT_EQ(w.Run(), "Error: Variable x has no value");
    EXPECT_EQ(w.form.StatusText(1), "Calculation terminated");
}

TEST(MainForm, ScriptOutputReachesTheOutputWindowInOrder) {
    // The whole road: typed script, Start, the calculation thread printing through the
    // blocking hand-over, the result line.
    TWindow w;
    NuvixWindows::TOutputForm output;
    w.form.SetRunWindows(NuvixParser::TRunContext{&output.TextOutput(), nullptr, nullptr});
    w.Type(1, "print('a'), print('b'), println('c'), for(i=1;i<4;i+=1;println(i^2)), print('d'), 7*6");
    const QString result = w.Run();
    EXPECT_EQ(result, "42");
    EXPECT_EQ(output.Lines(), QStringList({"abc", "1", "4", "9", "d"}));
    EXPECT_TRUE(output.isVisible());
}

TEST(MainForm, GlobalPanelDefinitionsAndDollarVariablesReachCalculatorPanels) {
    TWindow w;
    w.Type(0, "define(sq(v);v*v), $base = 3");
    EXPECT_FALSE(w.form.actionStart->isEnabled()) << "the Global panel cannot be started";
    w.Type(1, "sq($base) + 1");
    EXPECT_EQ(w.Run(), "10");
    // A Global program that fails keeps the panel from running.
    w.Type(0, "define(sq(v);v*v), $base = nothing");
    w.form.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(w.Run(), "Error: Variable nothing has no value");
}

TEST(MainForm, CalculatingLocksEditorsAndTabsUntilBreak) {
    TWindow w;
    w.form.NewPanel();
    w.Type(1, "i = 0, while(1; i += 1)");
    w.form.actionStart->trigger();
    ASSERT_TRUE(w.form.Calculating());
    EXPECT_EQ(w.form.StatusText(1), "Running...");
    EXPECT_TRUE(w.form.Panel(1)->MemoEdit()->isReadOnly());
    EXPECT_TRUE(w.form.Panel(0)->MemoEdit()->isReadOnly());
    EXPECT_FALSE(w.form.actionStart->isEnabled());
    EXPECT_TRUE(w.form.actionBreak->isEnabled());
    EXPECT_FALSE(w.form.actionNewPanel->isEnabled());
    EXPECT_FALSE(w.form.actionDeletePanel->isEnabled());
    EXPECT_FALSE(w.form.actionNew->isEnabled());
    w.form.Tabs()->setCurrentIndex(2);
    EXPECT_EQ(w.form.Tabs()->currentIndex(), 1) << "switching tabs is refused while calculating";
    w.form.NewPanel();
    EXPECT_EQ(w.form.PanelCount(), 3);

    w.form.actionBreak->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.form.Calculating(); }, 20000));
    EXPECT_EQ(w.form.CurrentPanel()->EdtResult()->text(), "Error: Breaked");
    EXPECT_EQ(w.form.StatusText(1), "Calculation terminated");
    EXPECT_FALSE(w.form.Panel(1)->MemoEdit()->isReadOnly());
    EXPECT_TRUE(w.form.actionStart->isEnabled());
}

TEST(MainForm, KeypadKeys) {
    TWindow w;
    w.Type(1, "6*7");
    QPlainTextEdit* editor = w.form.CurrentPanel()->MemoEdit();
    editor->moveCursor(QTextCursor::End);
    // The keypad's decimal key types '.' whatever the keyboard layout gives.
    QTest::keyClick(editor, Qt::Key_Comma, Qt::KeypadModifier);
    QTest::keyClick(editor, Qt::Key_5);
    EXPECT_EQ(editor->toPlainText(), "6*7.5");
    // Keypad Enter adds the line break and starts the calculation.
    QTest::keyClick(editor, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(editor->toPlainText(), "6*7.5\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.form.CurrentPanel()->EdtResult()->text().isEmpty(); }, 20000));
    EXPECT_EQ(w.form.CurrentPanel()->EdtResult()->text(), "45");
}

TEST(MainForm, PanelNumbersFollowTheTabCount) {
    TWindow w;
    w.form.NewPanel();
    w.form.NewPanel();
    ASSERT_EQ(w.form.PanelCount(), 4);
    EXPECT_EQ(w.form.Tabs()->tabText(3), "Calculator 3");
    EXPECT_FALSE(w.form.Modified()) << "creating a panel does not mark the document modified";
    w.form.Tabs()->setCurrentIndex(2);
    w.form.DeletePanel();
    EXPECT_TRUE(w.asked.isEmpty()) << "an empty panel is deleted without asking";
    EXPECT_EQ(w.form.Tabs()->currentIndex(), 2);
    w.form.NewPanel();
    EXPECT_EQ(w.form.Tabs()->tabText(3), "Calculator 3");

    // A panel with text asks; No keeps it.
    w.Type(3, "1");
    w.answer = QMessageBox::No;
    w.form.DeletePanel();
    EXPECT_EQ(w.asked.value(0), "Panel is not empty, do you really want to delete it?");
    EXPECT_EQ(w.form.PanelCount(), 4);
    w.answer = QMessageBox::Yes;
    w.form.DeletePanel();
    EXPECT_EQ(w.form.PanelCount(), 3);
    EXPECT_EQ(w.form.Tabs()->currentIndex(), 2) << "deleting the last tab activates the new last tab";
}

TEST(MainForm, NewPanelRunsNoProgramOfAnotherPanel) {
    TWindow w;
    w.Type(1, "40 + 2");
    EXPECT_EQ(w.Run(), "42");
    w.form.NewPanel();
    EXPECT_EQ(w.Run(), "0");
    // Switching back re-checks panel 1 without marking the document modified.
    w.form.SetModified(false);
    w.form.Tabs()->setCurrentIndex(1);
    EXPECT_FALSE(w.form.Modified());
    EXPECT_EQ(w.Run(), "42");
}

TEST(MainForm, RenameMarksModifiedAndAcceptsAnyText) {
    TWindow w;
    w.form.RenamePanel(1, "");
    EXPECT_EQ(w.form.Tabs()->tabText(1), "");
    EXPECT_TRUE(w.form.Modified());
    w.form.RenamePanel(0, "x");
    EXPECT_EQ(w.form.Tabs()->tabText(0), "Global") << "the Global panel keeps its name";
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(MainFormFiles, SaveAndOpenRoundTripByteForByte) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("doc.zma");
    TWindow w;
    w.Type(0, "define(f(x);x)");
    w.Type(1, "f(2),\n'caf\u00e9 \u20ac'");
    w.form.NewPanel();
    w.Type(2, "3");
    w.form.RenamePanel(2, "Sum");
    ASSERT_TRUE(w.form.SaveToFile(path));
    const QByteArray bytes = ReadFile(path);
    EXPECT_EQ(bytes, QByteArray("/*$$panel:Global$$*/\ndefine(f(x);x)/*$$panel:Calculator 1$$*/\nf(2),\n'caf\xe9 "
                                "\x80'/*$$panel:Sum$$*/\n3"));

    TWindow r;
    ASSERT_TRUE(r.form.OpenFile(path));
    ASSERT_EQ(r.form.PanelCount(), 3);
    EXPECT_EQ(r.form.Tabs()->tabText(2), "Sum");
    EXPECT_EQ(r.form.Panel(1)->MemoEdit()->toPlainText(), "f(2),\n'caf\u00e9 \u20ac'");
    EXPECT_EQ(r.form.Tabs()->currentIndex(), 1);
    EXPECT_EQ(r.form.windowTitle(), "The Varnex Calculator - doc.zma");
    EXPECT_FALSE(r.form.Modified());
    EXPECT_EQ(r.Run(), "caf\u00e9 \u20ac");
    ASSERT_TRUE(r.form.SaveToFile(path));
    EXPECT_EQ(ReadFile(path), bytes);
}

TEST(MainFormFiles, FilesFromElsewhereRoundTripUnchanged) {
    struct TCase {
        const char* name;
        QByteArray bytes;
    };
    const TCase kCases[] = {
        {"CR LF, sectioned", "/*$$panel:Global$$*/\ndefine(f(x);x),\r\n$a=1/*$$panel:Calculator 1$$*/\nf(2),\r\n3\r\n"},
        {"CR LF, plain", "a=1,\r\n\r\na*2\r\n"},
        {"LF", "a=1,\nb=2\n"},
        {"no-break spaces", "a\xA0=\xA0" "1,\r\n'\xA0'"},
    };
    QTemporaryDir dir;
    for (const TCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath("elsewhere.zma");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        TWindow w;
        ASSERT_TRUE(w.form.OpenFile(path));
        ASSERT_TRUE(w.form.SaveToFile(path));
        EXPECT_EQ(ReadFile(path), c.bytes);
    }
    // A new document has LF line ends.
    TWindow w;
    w.Type(1, "a=1,\nb");
    const QString path = dir.filePath("new.zma");
    ASSERT_TRUE(w.form.SaveToFile(path));
    EXPECT_EQ(ReadFile(path), QByteArray("a=1,\nb"));
}

TEST(MainFormFiles, PlainFormForAScratchDocument) {
    QTemporaryDir dir;
    const QString path = dir.filePath("plain.zma");
    TWindow w;
    w.Type(1, "1+2");
    ASSERT_TRUE(w.form.SaveToFile(path));
    EXPECT_EQ(ReadFile(path), QByteArray("1+2"));
    TWindow r;
    ASSERT_TRUE(r.form.OpenFile(path));
    EXPECT_EQ(r.form.PanelCount(), 2);
    EXPECT_EQ(r.form.Panel(1)->MemoEdit()->toPlainText(), "1+2");
}

TEST(MainFormFiles, UnreadableFileKeepsTheDocument) {
    TWindow w;
    w.Type(1, "keep me");
    EXPECT_FALSE(w.form.OpenFile("/nonexistent/folder/x.zma"));
    EXPECT_EQ(w.asked.value(0), "Error opening file /nonexistent/folder/x.zma");
    EXPECT_EQ(w.form.Panel(1)->MemoEdit()->toPlainText(), "keep me");
}

TEST(MainFormFiles, FailedSaveKeepsOldFileAndModifiedFlag) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ro.zma");
    TWindow w;
    w.Type(1, "old");
    ASSERT_TRUE(w.form.SaveToFile(path));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    w.Type(1, "new");
    const bool saved = w.form.SaveToFile(path);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (saved) GTEST_SKIP() << "the folder stays writable (running as root); see the next test";
    EXPECT_EQ(ReadFile(path), QByteArray("old"));
    EXPECT_TRUE(w.form.Modified());
    EXPECT_TRUE(w.asked.value(0).startsWith("Cannot write"));
}

TEST(MainFormFiles, SaveIntoAMissingFolderFailsAndSaysSo) {
    TWindow w;
    w.Type(1, "text");
    EXPECT_FALSE(w.form.SaveToFile("/nonexistent/folder/x.zma"));
    EXPECT_TRUE(w.form.Modified());
    EXPECT_TRUE(w.asked.value(0).startsWith("Cannot write /nonexistent/folder/x.zma"));
}

TEST(MainFormFiles, SavePromptOnlyForDocumentsWorthKeeping) {
    TWindow w;
    w.Type(1, "1+1");
    EXPECT_TRUE(w.form.SavePrompt()) << "a small scratch document is dropped without asking";
    EXPECT_TRUE(w.asked.isEmpty());

    w.Type(1, QString(60, 'x'));
    w.answer = QMessageBox::Cancel;
    EXPECT_FALSE(w.form.SavePrompt());
    EXPECT_EQ(w.asked.value(0), "The current file has been modified, do you want to save it?");
    w.answer = QMessageBox::No;
    EXPECT_TRUE(w.form.SavePrompt());

    // The same small document with tab 0 active asks.
    w.asked.clear();
    w.Type(1, "1");
    w.form.Tabs()->setCurrentIndex(0);
    EXPECT_TRUE(w.form.SavePrompt());
    EXPECT_EQ(w.asked.size(), 1);
}

TEST(FileAssociation, WrittenOnceWhenMissingAndNeverOverwritten) {
    QTemporaryDir dir;
    const std::string home = dir.path().toStdString();
    EXPECT_TRUE(NuvixApp::RegisterFileType(home, "/opt/varnex/varnexcalc"));
    const QByteArray desktop = ReadFile(dir.filePath("applications/varnexcalc.desktop"));
    EXPECT_TRUE(desktop.contains("Exec=\"/opt/varnex/varnexcalc\" %f\n"));
    EXPECT_TRUE(desktop.contains("MimeType=application/x-zenthi-macro;"));
    EXPECT_TRUE(ReadFile(dir.filePath("mime/packages/varnexcalc-zma.xml")).contains("<glob pattern=\"*.zma\"/>"));

    // Present files are left as they are (a user may have edited them).
    QFile edited(dir.filePath("applications/varnexcalc.desktop"));
    ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
    edited.write("mine");
    edited.close();
    EXPECT_FALSE(NuvixApp::RegisterFileType(home, "/elsewhere/varnexcalc"));
    EXPECT_EQ(ReadFile(dir.filePath("applications/varnexcalc.desktop")), QByteArray("mine"));
    // Failures are silent: an unwritable place gives no exception and no file.
    EXPECT_FALSE(NuvixApp::RegisterFileType("/proc/varnex-no-such-place", "/x"));
    EXPECT_FALSE(NuvixApp::RegisterFileType("", "/x"));
}

} // namespace
