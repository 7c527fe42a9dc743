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

    static TRecentFiles Load(const QSettings& settings);
    void Save(QSettings& settings) const;

private:
    QStringList files_;
};

} // namespace NuvixApp
