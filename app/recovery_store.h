// TRecoveryStore: snapshots of unsaved documents, so that a crash or a power cut loses at
// most the last 30 seconds of typing.
#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class QLockFile;

namespace NuvixApp {

// A snapshot a calculator left behind without a clean exit.
struct TRecoverySnapshot {
    QString dataPath;     // the document as a macro file
    QString documentPath; // the file the document belongs to; empty for an unnamed one
    QDateTime time;       // when it was written
};

// Each running calculator owns one session in the folder: "<name>.zma" (the document as a
// macro file), "<name>.path" (its file's path) and "<name>.lock", held from the first
// snapshot while the calculator runs. The name carries the process id and the start time, so two calculators never share
// a file; a session whose lock nobody holds any more (QLockFile knows a dead owner) was
// not closed cleanly.
class TRecoveryStore final {
public:
    explicit TRecoveryStore(const QString& directory);
    ~TRecoveryStore(); // keeps the snapshot: only Remove() means a clean exit
    TRecoveryStore(const TRecoveryStore&) = delete;
    TRecoveryStore& operator=(const TRecoveryStore&) = delete;

    // $XDG_STATE_HOME/varnexcalc, or ~/.local/state/varnexcalc.
    static QString DefaultDirectory();

    // Snapshots of sessions that ended without a clean exit, newest first (the lone locks
    // of ended sessions are removed on the way).
    std::vector<TRecoverySnapshot> Orphans() const;
    // The bytes of a snapshot; false when it cannot be read.
    static bool Read(const TRecoverySnapshot& snapshot, std::string& bytes);
    // Deletes an orphan's files.
    static void Discard(const TRecoverySnapshot& snapshot);

    // Writes this calculator's snapshot through a temporary file and a rename, so a crash
    // while writing leaves the previous snapshot whole; false on failure.
    bool Write(const std::string& bytes, const QString& documentPath);
    // Deletes this calculator's snapshot (a clean exit, or a document with nothing unsaved).
    void Remove();
    // A clean exit: the snapshot and the session's lock go.
    void Finish();
    QString DataPath() const;

private:
    QString directory_;
    QString base_;                    // directory and session name, without extension
    std::unique_ptr<QLockFile> lock_; // held while this calculator runs
};

} // namespace NuvixApp
