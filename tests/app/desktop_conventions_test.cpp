// The main window as a Linux desktop user expects it: captions shown as typed, the result's
// start in view, the Edit and Window menus, the panel tabs' menu, the usual keys, the
// splitter, recent files told apart, the manual without a viewer and the About box.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/about_form.h"
#include "app/edit_panel.h"
#include "app/help_browser.h"
#include "app/main_form.h"
#include "app/recent_files.h"
#include "tests/app/qt_test_environment.h"
#include "tests/shown_text.h"
#include "windows/window_placement.h"

namespace {

using NuvixApp::TMainForm;
using NuvixTest::ShownText;

struct TWindow {
    TMainForm form;
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::No;
    std::optional<QString> newName;
    QStringList namesAskedFor;

    TWindow() {
        form.askUser = [this](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
            asked << text;
            return answer;
        };
        form.askPanelName = [this](const QString& caption) {
            namesAskedFor << caption;
            return newName;
        };
    }
    QPlainTextEdit* Editor() const { return form.CurrentPanel()->MemoEdit(); }
    QAction* MenuAction(QMenu* menu, const QString& text) const {
        for (QAction* a : menu->actions())
            if (ShownText(a->text()) == text) return a;
        return nullptr;
    }
};

// A caption with '&' shows as typed on its tab, is saved as typed and comes back so.
TEST(DesktopConventions, APanelCaptionWithAnAmpersandShowsAndSavesAsTyped) {
    QTemporaryDir dir;
    const QString path = dir.filePath("fit.zma");
    TWindow w;
    w.form.Panel(0)->MemoEdit()->setPlainText("define(f(x);x)"); // a file of panels, not one script
    w.newName = "Fit data & more";
    std::unique_ptr<QMenu> menu(w.form.TabMenu(1));
    w.MenuAction(menu.get(), "Rename...")->trigger();
    EXPECT_EQ(w.namesAskedFor, QStringList{"Calculator 1"});
    const QString shown = w.form.Tabs()->tabText(1);
    EXPECT_EQ(ShownText(shown), "Fit data & more");
    EXPECT_TRUE(QKeySequence::mnemonic(shown).isEmpty());
    EXPECT_EQ(w.form.PanelCaption(1), "Fit data & more");
    ASSERT_TRUE(w.form.SaveToFile(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("/*$$panel:Fit data & more$$*/"));

    TWindow reopened;
    ASSERT_TRUE(reopened.form.OpenFile(path));
    EXPECT_EQ(ShownText(reopened.form.Tabs()->tabText(1)), "Fit data & more");
    // The rename dialog offers the caption as typed, too.
    reopened.form.RenameDialog(1);
    EXPECT_EQ(reopened.namesAskedFor, QStringList{"Fit data & more"});
}

// The tab strip's menu acts on the tab it was opened on; a double click renames.
TEST(DesktopConventions, PanelTabsHaveAMenuAndRenameOnDoubleClick) {
    TWindow w;
    w.form.NewPanel();
    w.form.NewPanel();
    w.form.Tabs()->setCurrentIndex(1);
    {
        std::unique_ptr<QMenu> global(w.form.TabMenu(0));
        EXPECT_FALSE(w.MenuAction(global.get(), "Rename...")->isEnabled());
        EXPECT_FALSE(w.MenuAction(global.get(), "Delete panel")->isEnabled());
        EXPECT_TRUE(w.MenuAction(global.get(), "New panel")->isEnabled());
    }
    {
        std::unique_ptr<QMenu> third(w.form.TabMenu(2));
        w.MenuAction(third.get(), "Delete panel")->trigger();
    }
    ASSERT_EQ(w.form.PanelCount(), 3);
    EXPECT_EQ(w.form.PanelCaption(1), "Calculator 1");
    EXPECT_EQ(w.form.PanelCaption(2), "Calculator 3") << "the tab the menu was opened on goes";
    {
        std::unique_ptr<QMenu> beside(w.form.TabMenu(-1));
        w.MenuAction(beside.get(), "New panel")->trigger();
    }
    EXPECT_EQ(w.form.PanelCount(), 4);

    w.form.resize(700, 500);
    w.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
    QTabBar* bar = w.form.Tabs()->tabBar();
    w.newName = "Heater";
    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(w.form.PanelCaption(2), "Heater");
    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    EXPECT_EQ(w.form.PanelCaption(0), "Global");
    EXPECT_EQ(w.namesAskedFor, QStringList{"Calculator 3"}) << "the Global panel is not offered for renaming";
}

// A long result shows its start; the whole of it is the tooltip.
TEST(DesktopConventions, ALongResultShowsItsStart) {
    TWindow w;
    w.form.resize(600, 450);
    w.form.show();
    QString script = "'p[0]=1.2345678901234";
    for (int i = 1; i < 12; ++i) script += QString(" p[%1]=3.99958551081227").arg(i);
    w.Editor()->setPlainText(script + "'");
    w.form.actionStart->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.form.Calculating(); }, 20000));
    QLineEdit* result = w.form.CurrentPanel()->EdtResult();
    ASSERT_TRUE(result->text().startsWith("p[0]=1.2345678901234 p[1]="));
    ASSERT_GT(result->fontMetrics().horizontalAdvance(result->text()), result->width()) << "not long enough";
    EXPECT_EQ(result->cursorPosition(), 0);
    EXPECT_EQ(result->toolTip(), result->text());
    // The caret's place on screen: at the left edge, where the text starts.
    EXPECT_LT(result->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 10);
}

// Undo, Redo, Cut and Copy follow the editor: what it holds, what is selected, and
// whether it may be changed.
TEST(DesktopConventions, EditMenuFollowsTheEditor) {
    TWindow w;
    auto states = [&] {
        return QString("%1%2%3%4")
            .arg(w.form.actionUndo->isEnabled())
            .arg(w.form.actionRedo->isEnabled())
            .arg(w.form.actionCut->isEnabled())
            .arg(w.form.actionCopy->isEnabled());
    };
    EXPECT_EQ(states(), "0000") << "an empty editor, nothing selected";
    w.Editor()->insertPlainText("1+2");
    EXPECT_EQ(states(), "1000");
    w.Editor()->selectAll();
    EXPECT_EQ(states(), "1011");
    w.Editor()->undo();
    EXPECT_EQ(states(), "0100");
    w.form.Tabs()->setCurrentIndex(0);
    EXPECT_EQ(states(), "0000") << "the Global panel has its own history";
    w.form.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(states(), "0100");
    w.Editor()->redo();
    w.Editor()->selectAll();
    w.form.actionStart->trigger();
    EXPECT_EQ(states(), "0001") << "while calculating the editor is read-only";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.form.Calculating(); }, 20000));
    EXPECT_EQ(states(), "1011");
}

// The Window menu brings back the other windows and ticks those that are open.
TEST(DesktopConventions, WindowMenuShowsAndBringsBackTheOtherWindows) {
    TWindow w;
    EXPECT_FALSE(w.form.actionOutputWindow->isEnabled()) << "no windows to offer yet";
    QWidget output, plots, controls;
    w.form.SetToolWindows(&output, &plots, &controls);
    QAction* actions[] = {w.form.actionOutputWindow, w.form.actionPlotWindow, w.form.actionControlWindow};
    for (QAction* a : actions) {
        EXPECT_TRUE(a->isEnabled());
        EXPECT_FALSE(a->isChecked());
    }
    plots.show();
    EXPECT_TRUE(w.form.actionPlotWindow->isChecked()) << "a window a script showed is ticked";
    w.form.actionOutputWindow->trigger();
    EXPECT_TRUE(output.isVisible());
    EXPECT_TRUE(w.form.actionOutputWindow->isChecked());
    w.form.actionPlotWindow->trigger();
    EXPECT_FALSE(plots.isVisible());
    output.close();
    EXPECT_FALSE(w.form.actionOutputWindow->isChecked()) << "a closed window loses its tick";
    EXPECT_FALSE(controls.isVisible());
    EXPECT_EQ(ShownText(w.form.menuWindow->title()), "Window");

    // At the program's end the other windows may go first; the menu forgets them.
    auto* gone = new QWidget;
    w.form.SetToolWindows(&output, &plots, gone);
    gone->show();
    delete gone;
    output.show();
    EXPECT_TRUE(w.form.actionOutputWindow->isChecked());
    EXPECT_FALSE(w.form.actionControlWindow->isEnabled());
}

// Ctrl+Q quits, Ctrl+Shift+S opens Save As.
TEST(DesktopConventions, TheUsualKeysQuitAndSaveAs) {
    TWindow w;
    w.form.show();
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    QString dialogTitle;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialogTitle = dialog->windowTitle();
            dialog->reject();
        }
    });
    QTest::keyClick(w.Editor(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialogTitle, "Save as");
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    QTest::keyClick(w.Editor(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.form.isVisible()) << "Ctrl+Q closes the window";
}

// The help area can be made taller or shorter than it starts.
TEST(DesktopConventions, ASplitterDividesEditorsAndHelp) {
    TWindow w;
    w.form.resize(700, 600);
    w.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
    ASSERT_NE(w.form.splitter, nullptr);
    ASSERT_EQ(w.form.splitter->count(), 2);
    EXPECT_EQ(w.form.splitter->widget(0), w.form.Tabs());
    EXPECT_EQ(w.form.splitter->widget(1), w.form.helpBrowser);
    const int total = w.form.splitter->sizes().value(0) + w.form.splitter->sizes().value(1);
    w.form.splitter->setSizes({total - 300, 300});
    EXPECT_EQ(w.form.helpBrowser->height(), 300) << "the help area grows as far as the user drags it";
}

// Same-named files in different folders are told apart; each shows its path as tooltip.
TEST(DesktopConventions, RecentFilesOfTheSameNameAreToldApart) {
    struct TCase {
        QStringList files;
        QStringList names;
    };
    const TCase kCases[] = {
        {{"/lab/a/run.zma", "/lab/b/run.zma", "/lab/other.zma"}, {"run.zma (a)", "run.zma (b)", "other.zma"}},
        {{"/x/data/run.zma", "/y/data/run.zma"}, {"run.zma (x/data)", "run.zma (y/data)"}},
        {{"/run.zma", "/lab/run.zma"}, {"run.zma (/)", "run.zma (lab)"}},
        {{"/lab/one.zma", "/lab/two.zma"}, {"one.zma", "two.zma"}},
    };
    for (const TCase& c : kCases) EXPECT_EQ(NuvixApp::TRecentFiles(c.files).Names(), c.names) << c.files.join(' ').toStdString();

    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("A & B") && QDir(dir.path()).mkpath("C"));
    NuvixWindows::ProgramSettings()->remove("recentFiles");
    TWindow w;
    for (const char* folder : {"A & B", "C"}) {
        const QString path = dir.filePath(QString(folder) + "/run.zma");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        ASSERT_TRUE(w.form.OpenFile(path));
    }
    const QList<QAction*> items = w.form.menuRecentFiles->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(ShownText(items[0]->text()), "1 run.zma (C)");
    EXPECT_EQ(ShownText(items[1]->text()), "2 run.zma (A & B)");
    EXPECT_EQ(items[1]->toolTip(), QFileInfo(dir.filePath("A & B/run.zma")).absoluteFilePath());
    EXPECT_TRUE(w.form.menuRecentFiles->toolTipsVisible());
}

// Without a program for PDF files the user learns where the manual is and may open its
// folder; a viewer that starts is no news.
TEST(DesktopConventions, TheManualWithoutAViewerSaysWhereItIs) {
    QTemporaryDir dir;
    const QString manual = dir.filePath("varnexcalc.pdf");
    auto script = [&](const char* name, const char* body) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("#!/bin/sh\n") + body + "\n");
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return path;
    };
    struct TCase {
        const char* what;
        QString opener;
        bool told;
    };
    const TCase kCases[] = {
        {"no opener installed", dir.filePath("no-such-opener"), true},
        {"an opener that finds no viewer", script("fails", "exit 3"), true},
        {"a viewer that starts", script("works", "exit 0"), false},
    };
    for (const TCase& c : kCases) {
        TWindow w;
        w.form.documentOpener = c.opener;
        w.form.OpenManual(manual);
        (void)QTest::qWaitFor([&] { return !w.asked.isEmpty(); }, c.told ? 5000 : 500);
        ASSERT_EQ(w.asked.size(), c.told ? 1 : 0) << c.what;
        if (c.told) {
            EXPECT_TRUE(w.asked[0].contains(manual)) << w.asked[0].toStdString();
        }
    }
}

// The About box: the program's icon, version and licence, and the project page the README names.
TEST(DesktopConventions, AboutBoxShowsIconVersionLicenceAndTheReadmesLink) {
    QFile readme(VARNEX_SOURCE_DIR "/README.md");
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QRegularExpressionMatch link = QRegularExpression("Project page: <([^>]+)>").match(text);
    ASSERT_TRUE(link.hasMatch()) << "the README names the project page";

    NuvixApp::TAboutForm about;
    const QImage icon = about.lblIcon->pixmap().toImage();
    ASSERT_FALSE(icon.isNull()) << "the program's icon";
    EXPECT_NE(icon.pixelColor(icon.width() / 2, icon.height() / 2).alpha(), 0) << "an icon with nothing drawn";
    EXPECT_TRUE(about.lblVersion->text().contains(VARNEX_PROJECT_VERSION));
    EXPECT_TRUE(about.lblLicence->text().contains("MIT"));
    EXPECT_TRUE(about.lblLink->text().contains("href=\"" + link.captured(1) + "\""));
}

} // namespace
