// File > "&Create / Edit GUI...": editors opened from the main window, several at once, and
// saved when the main window closes.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "usergui/user_form.h"

namespace {

using NuvixApp::TMainForm;
using NuvixUserGui::TUserForm;

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program's QApplication comes from the environment main_form_test.cpp registers for
// all of app_tests.
TEST(GuiEditorMenu, TheFileMenuOpensEditorsThatSaveWhenTheProgramCloses) {
    TMainForm form;
    QStringList asked;
    form.askUser = [&asked](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
        asked << text;
        return QMessageBox::No;
    };
    QMenu* file = form.menuBar()->actions().first()->menu();
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(form.actionEditGui));
    EXPECT_EQ(form.actionEditGui->text(), "&Create / Edit GUI...");

    QTemporaryDir dir;
    const QString first = dir.filePath("a.gui"), second = dir.filePath("b.gui");
    TUserForm* a = form.OpenGuiEditor(first);
    TUserForm* b = form.OpenGuiEditor(second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(a->isVisible() && b->isVisible());
    EXPECT_TRUE(a->isWindow());
    a->actionNew[4]->trigger();
    QTest::mouseClick(a->DrawArea(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(a->Objects().size(), 1u);

    // A file with a bad number is told and opens nothing.
    const QString bad = dir.filePath("bad.gui");
    QFile badFile(bad);
    ASSERT_TRUE(badFile.open(QIODevice::WriteOnly));
    badFile.write("4,x,0,15,4,1,Go\r\n");
    badFile.close();
    EXPECT_EQ(form.OpenGuiEditor(bad), nullptr);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("'x'"));

    EXPECT_TRUE(form.close());
    EXPECT_EQ(Bytes(first), "4,0,0,15,4,1,Button\r\n");
    EXPECT_FALSE(QFile::exists(second)); // nothing drawn, nothing written
}

// A name chosen in the open dialog that does not exist yet becomes a new panel only when
// the user agrees; an existing file opens without a question.
TEST(GuiEditorMenu, ANewFileIsCreatedOnlyWhenTheUserAgrees) {
    TMainForm form;
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::No;
    form.askUser = [&](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
        asked << text;
        return answer;
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("new.gui");
    EXPECT_EQ(form.OpenOrCreateGuiEditor(path), nullptr);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(path));
    answer = QMessageBox::Yes;
    TUserForm* editor = form.OpenOrCreateGuiEditor(path);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(asked.size(), 2);
    editor->actionNew[0]->trigger();
    QTest::mouseClick(editor->DrawArea(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(editor->close());
    ASSERT_TRUE(QFileInfo::exists(path));
    TUserForm* again = form.OpenOrCreateGuiEditor(path);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(again->Objects().size(), 1u);
    EXPECT_TRUE(form.close());
}

} // namespace
