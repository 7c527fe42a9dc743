// TRecoveryStore: session files, their locks and the atomic writing of snapshots.
#include "app/recovery_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <algorithm>
#include <atomic>

namespace NuvixApp {

namespace {

bool WriteWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path); // a temporary file in the same folder, renamed over the old one
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString Base(const QString& dataPath) {
    return dataPath.left(dataPath.size() - 4); // without ".zma"
}

} // namespace

TRecoveryStore::TRecoveryStore(const QString& directory) : directory_(directory) {
    QDir().mkpath(directory_);
    // Process id, start time and a count within the process (tests run several windows).
    static std::atomic<int> sessions{0};
    base_ = QDir(directory_).filePath(QString("session-%1-%2-%3")
                                          .arg(QCoreApplication::applicationPid())
                                          .arg(QDateTime::currentMSecsSinceEpoch())
                                          .arg(sessions++));
    // Taken with the first snapshot (a calculator that never has unsaved work leaves no
    // trace), then held for the whole session: only a dead owner frees it.
    lock_ = std::make_unique<QLockFile>(base_ + ".lock");
    lock_->setStaleLockTime(0);
}

TRecoveryStore::~TRecoveryStore() = default;

QString TRecoveryStore::DefaultDirectory() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG base directories ignore a relative XDG_STATE_HOME.
    if (state.isEmpty() || QDir::isRelativePath(state)) state = QDir::homePath() + "/.local/state";
    return state + "/varnexcalc";
}

QString TRecoveryStore::DataPath() const {
    return base_ + ".zma";
}

std::vector<TRecoverySnapshot> TRecoveryStore::Orphans() const {
    std::vector<TRecoverySnapshot> found;
    const QDir dir(directory_);
    for (const QFileInfo& info : dir.entryInfoList({"session-*.zma"}, QDir::Files)) {
        const QString base = Base(info.absoluteFilePath());
        if (base == QFileInfo(base_).absoluteFilePath()) continue;
        QLockFile owner(base + ".lock");
        owner.setStaleLockTime(0);
        if (!owner.tryLock(0)) continue; // its calculator still runs
        owner.unlock();
        TRecoverySnapshot snapshot{info.absoluteFilePath(), QString(), info.lastModified()};
        QFile path(base + ".path");
        if (path.open(QIODevice::ReadOnly)) snapshot.documentPath = QString::fromUtf8(path.readAll());
        found.push_back(snapshot);
    }
    // Locks of sessions that ended before writing anything (or whose snapshot went) are
    // litter once their owner is gone.
    for (const QFileInfo& info : dir.entryInfoList({"session-*.lock"}, QDir::Files)) {
        const QString base = info.absoluteFilePath().chopped(5);
        if (base == QFileInfo(base_).absoluteFilePath() || QFile::exists(base + ".zma")) continue;
        QLockFile owner(info.absoluteFilePath());
        owner.setStaleLockTime(0);
        if (owner.tryLock(0)) owner.unlock(); // unlocking removes the file
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.time > b.time; });
    return found;
}

bool TRecoveryStore::Read(const TRecoverySnapshot& snapshot, std::string& bytes) {
    QFile file(snapshot.dataPath);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    bytes.assign(all.constData(), static_cast<std::size_t>(all.size()));
    return true;
}

void TRecoveryStore::Discard(const TRecoverySnapshot& snapshot) {
    const QString base = Base(snapshot.dataPath);
    QFile::remove(base + ".path");
    QFile::remove(snapshot.dataPath);
    QFile::remove(base + ".lock");
}

bool TRecoveryStore::Write(const std::string& bytes, const QString& documentPath) {
    QDir().mkpath(directory_);
    if (!lock_->isLocked()) lock_->tryLock(0);
    // The path first: a snapshot is never found without the file it belongs to.
    return WriteWhole(base_ + ".path", documentPath.toUtf8()) &&
           WriteWhole(DataPath(), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void TRecoveryStore::Remove() {
    QFile::remove(DataPath());
    QFile::remove(base_ + ".path");
}

void TRecoveryStore::Finish() {
    Remove();
    lock_->unlock();
}

} // namespace NuvixApp
