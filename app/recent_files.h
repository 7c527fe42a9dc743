// TRecentFiles: the macro files opened or saved last, for File > Recent files.
#pragma once

#include <QStringList>

class QSettings;

namespace NuvixApp {

// Newest first, each file once (by absolute path), at most kCount of them.
class TRecentFiles {
public:
    static constexpr int kCount = 8;

    TRecentFiles() = default;
    explicit TRecentFiles(const QStringList& files);

    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Files() const { return files_; }
    // What the menu shows for each file, in the same order: its name, and for names that
    // several files share, the end of its folder's path as far back as tells them apart,
    // as in "run.zma (lab1)" and "run.zma (lab2)".
    QStringList Names() const;

    static TRecentFiles Load(const QSettings& settings);
    void Save(QSettings& settings) const;

private:
    QStringList files_;
};

} // namespace NuvixApp
