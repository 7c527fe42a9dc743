// Autosave and recovery: snapshots of unsaved documents, what a clean exit leaves (nothing),
// and what the next start offers after a calculator ended without one.
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/edit_panel.h"
#include "app/main_form.h"
#include "app/recovery_store.h"

namespace {

using NuvixApp::TMainForm;
using NuvixApp::TRecoveryStore;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList SessionFiles(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList({"session-*"}, QDir::Files);
}

struct TCalculator {
    TMainForm form;
    int questions = 0;
    bool recover = true;
    explicit TCalculator(const QTemporaryDir& dir) {
        form.askUser = [](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
            return QMessageBox::No; // "save the changes?" no
        };
        form.askRecover = [this](const QString&) {
            ++questions;
            return recover;
        };
        form.EnableRecovery(dir.path());
    }
    QPlainTextEdit* Editor() { return form.CurrentPanel()->MemoEdit(); }
};

TEST(Recovery, UnsavedWorkIsSnapshottedAndACleanExitLeavesNoFile) {
    QTemporaryDir dir;
    {
        TCalculator calc(dir);
        calc.form.Autosave();
        EXPECT_EQ(SessionFiles(dir), QStringList()) << "nothing unsaved, nothing written";
        QTest::keyClicks(calc.Editor(), "volts = 3.3");
        calc.form.Autosave();
        const QByteArray snapshot = ReadAll(calc.form.RecoveryFile());
        EXPECT_TRUE(snapshot.contains("volts = 3.3")) << snapshot.constData();
        calc.form.SetModified(false); // as after saving
        calc.form.Autosave();
        EXPECT_FALSE(QFile::exists(calc.form.RecoveryFile()));
        calc.form.SetModified(true);
        calc.form.Autosave();
        ASSERT_TRUE(QFile::exists(calc.form.RecoveryFile()));
        EXPECT_TRUE(calc.form.close());
        EXPECT_EQ(SessionFiles(dir), QStringList()) << "a clean exit leaves no recovery file";
    }
    EXPECT_EQ(SessionFiles(dir), QStringList());
}

TEST(Recovery, TwoRunningCalculatorsNeverShareOrOfferEachOthersSnapshot) {
    QTemporaryDir dir;
    TCalculator first(dir);
    TCalculator second(dir);
    EXPECT_NE(first.form.RecoveryFile(), second.form.RecoveryFile());
    QTest::keyClicks(first.Editor(), "a = 1");
    first.form.Autosave();
    EXPECT_FALSE(second.form.OfferRecovery());
    EXPECT_EQ(second.questions, 0) << "the first calculator still runs";
    EXPECT_TRUE(QFile::exists(first.form.RecoveryFile()));
}

// The files of a calculator that was killed: a snapshot without a live lock.
struct TOrphan {
    QString data, path;
    TOrphan(const QTemporaryDir& dir, const QByteArray& bytes, const QString& documentPath) {
        data = dir.filePath("session-1-1-0.zma");
        path = dir.filePath("session-1-1-0.path");
        WriteAll(data, bytes);
        WriteAll(path, documentPath.toUtf8());
    }
};

TEST(Recovery, RecoverGivesTheSnapshotBackWithoutTouchingTheSavedFile) {
    QTemporaryDir dir;
    const QString saved = dir.filePath("measure.zma");
    WriteAll(saved, "saved before the crash");
    // Two panels, Windows-1252 bytes and a no-break space: the snapshot as written.
    const QByteArray bytes = "/*$$panel:Global$$*/\ng = 9.81,\n/*$$panel:Calculator 1$$*/\n'\xB5\xA0V' + 1";
    {
        // Written by a store as a calculator would, then its process "dies" (the lock goes).
        TCalculator writer(dir);
        writer.form.NewDocument();
    }
    TOrphan orphan(dir, bytes, saved);
    TCalculator calc(dir);
    ASSERT_TRUE(calc.form.OfferRecovery());
    EXPECT_EQ(calc.questions, 1);
    EXPECT_TRUE(calc.form.Modified()) << "recovered text is unsaved";
    EXPECT_EQ(calc.form.FilePath(), saved);
    EXPECT_EQ(ReadAll(saved), "saved before the crash");
    EXPECT_FALSE(QFile::exists(orphan.data)) << "the calculator's own snapshot replaces the orphan";
    EXPECT_EQ(ReadAll(calc.form.RecoveryFile()), bytes) << "byte for byte";
    EXPECT_EQ(calc.form.Panel(1)->Text(), "'\xB5\xA0V' + 1");
}

TEST(Recovery, DiscardDeletesTheSnapshotAndKeepsTheNewDocument) {
    QTemporaryDir dir;
    TOrphan orphan(dir, "lost = 1", QString());
    TCalculator calc(dir);
    calc.recover = false;
    EXPECT_FALSE(calc.form.OfferRecovery());
    EXPECT_EQ(calc.questions, 1);
    EXPECT_FALSE(QFile::exists(orphan.data));
    EXPECT_FALSE(QFile::exists(orphan.path));
    EXPECT_FALSE(calc.form.Modified());
    EXPECT_EQ(calc.form.CurrentPanel()->Text(), "");
    EXPECT_FALSE(calc.form.OfferRecovery());
    EXPECT_EQ(calc.questions, 1) << "offered once";
}

TEST(Recovery, LoneLocksOfEndedSessionsAreSweptAndLiveOnesKept) {
    QTemporaryDir dir;
    // A lock in QLockFile's own form whose process is gone.
    WriteAll(dir.filePath("session-3-3-0.lock"),
             "4194000\nvarnexcalc\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    TCalculator live(dir);
    QTest::keyClicks(live.Editor(), "1");
    live.form.Autosave();
    TCalculator calc(dir);
    EXPECT_FALSE(calc.form.OfferRecovery());
    EXPECT_FALSE(QFile::exists(dir.filePath("session-3-3-0.lock")));
    EXPECT_EQ(SessionFiles(dir).size(), 3) << "the live session's snapshot, path and lock";
}

TEST(Recovery, StateFolderFollowsXdgStateHome) {
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/tmp/state-here");
    EXPECT_EQ(TRecoveryStore::DefaultDirectory(), "/tmp/state-here/varnexcalc");
    qputenv("XDG_STATE_HOME", "relative/ignored");
    EXPECT_EQ(TRecoveryStore::DefaultDirectory(), QDir::homePath() + "/.local/state/varnexcalc");
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(TRecoveryStore::DefaultDirectory(), QDir::homePath() + "/.local/state/varnexcalc");
    if (!saved.isEmpty()) qputenv("XDG_STATE_HOME", saved);
}

} // namespace
