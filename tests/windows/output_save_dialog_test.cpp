// The output window's "Save As Text" dialog: its filters let the user see every file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "windows/output_form.h"

namespace {

// The names the dialog's file list shows (and enables) in its current folder.
QStringList ListedFiles(const QFileDialog& dialog) {
    QStringList names;
    const auto* view = dialog.findChild<QListView*>("listView");
    if (!view || !view->model()) return names;
    const QAbstractItemModel& model = *view->model();
    for (int row = 0; row < model.rowCount(view->rootIndex()); ++row) {
        const QModelIndex index = model.index(row, 0, view->rootIndex());
        if (model.flags(index) & Qt::ItemIsEnabled) names << index.data().toString();
    }
    return names;
}

// The dialog is named for what it saves, and its last filter shows every file.
TEST(OutputSaveDialog, NamedForTheOutputAndItsLastFilterShowsFilesWithoutAnExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"readings", "notes.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    NuvixWindows::TOutputForm form;
    form.show();
    QStringList filters, listedByFilter;
    QString title;
    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        sawDialog = true;
        title = dialog->windowTitle();
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setDirectory(dir.path());
        filters = dialog->nameFilters();
        // The last filter is the one that is meant to show everything.
        dialog->selectNameFilter(filters.value(filters.size() - 1));
        // The list fills in the background; a list that stays short is judged below.
        (void)QTest::qWaitFor([&] { return ListedFiles(*dialog).size() == 2; }, 5000);
        listedByFilter = ListedFiles(*dialog);
        dialog->reject();
    });
    form.findChild<QPushButton*>("btnSave")->click();
    ASSERT_TRUE(sawDialog);
    // The window saves its text output; it is not the plot window.
    EXPECT_TRUE(title.contains("output", Qt::CaseInsensitive)) << title.toStdString();
    EXPECT_FALSE(title.contains("plot", Qt::CaseInsensitive)) << title.toStdString();
    EXPECT_GE(filters.size(), 2);
    listedByFilter.sort();
    EXPECT_EQ(listedByFilter, QStringList({"notes.txt", "readings"}));
}

} // namespace
