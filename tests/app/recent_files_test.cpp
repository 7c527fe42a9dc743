// File > Recent files: the last eight macro files, newest first, reopened from the menu.
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/edit_panel.h"
#include "app/main_form.h"
#include "app/recent_files.h"
#include "windows/window_placement.h"

namespace {

using NuvixApp::TMainForm;
using NuvixApp::TRecentFiles;

TEST(RecentFiles, NewestFirstEachOnceAtMostEight) {
    TRecentFiles recent;
    for (int i = 1; i <= 10; ++i) recent.Add(QString("/lab/f%1.zma").arg(i));
    recent.Add("/lab/f7.zma");
    recent.Add("/lab/other/../f8.zma"); // the same file by another way
    EXPECT_EQ(recent.Files(), QStringList({"/lab/f8.zma", "/lab/f7.zma", "/lab/f10.zma", "/lab/f9.zma", "/lab/f6.zma",
                                           "/lab/f5.zma", "/lab/f4.zma", "/lab/f3.zma"}));
    recent.Remove("/lab/f10.zma");
    EXPECT_EQ(recent.Files().size(), 7);
    EXPECT_EQ(TRecentFiles(recent.Files()).Files(), recent.Files()) << "a loaded list keeps its order";
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

struct TWindow {
    TMainForm form;
    QStringList asked;
    TWindow() {
        form.askUser = [this](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
            asked << text;
            return QMessageBox::No;
        };
    }
    QStringList MenuTexts() const {
        QStringList texts;
        for (const QAction* a : form.menuRecentFiles->actions()) texts << a->text();
        return texts;
    }
};

TEST(RecentFiles, MenuOffersTheLastEightAndReopensThemInTheNextRun) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    NuvixWindows::ProgramSettings()->remove("recentFiles");
    QStringList paths;
    for (int i = 1; i <= 9; ++i) paths << WriteFile(dir, QString("m%1.zma").arg(i), QByteArray::number(i * 10));
    {
        TWindow w;
        EXPECT_FALSE(w.form.menuRecentFiles->isEnabled()) << "nothing to offer yet";
        for (const QString& path : paths) ASSERT_TRUE(w.form.OpenFile(path));
        EXPECT_EQ(w.MenuTexts(), QStringList({"&1 m9.zma", "&2 m8.zma", "&3 m7.zma", "&4 m6.zma", "&5 m5.zma",
                                              "&6 m4.zma", "&7 m3.zma", "&8 m2.zma"}));
    }
    // The next run offers the same files; choosing one opens it.
    TWindow next;
    ASSERT_EQ(next.MenuTexts().size(), 8);
    EXPECT_TRUE(next.form.menuRecentFiles->isEnabled());
    next.form.menuRecentFiles->actions().at(2)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return next.form.FilePath() == paths[6]; }, 5000));
    EXPECT_EQ(next.form.Panel(1)->MemoEdit()->toPlainText(), "70");
    EXPECT_EQ(next.MenuTexts().value(0), "&1 m7.zma");
}

TEST(RecentFiles, AFileThatIsGoneLeavesTheMenu) {
    QTemporaryDir dir;
    NuvixWindows::ProgramSettings()->remove("recentFiles");
    const QString kept = WriteFile(dir, "kept.zma", "1");
    const QString gone = WriteFile(dir, "gone.zma", "2");
    TWindow w;
    ASSERT_TRUE(w.form.OpenFile(kept));
    ASSERT_TRUE(w.form.OpenFile(gone));
    QFile::remove(gone);
    w.form.menuRecentFiles->actions().at(0)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.MenuTexts().size() == 1; }, 5000));
    EXPECT_EQ(w.MenuTexts(), QStringList({"&1 kept.zma"}));
    EXPECT_EQ(w.asked.value(0), "Error opening file " + gone);
}

} // namespace
