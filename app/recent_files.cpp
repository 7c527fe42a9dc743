// TRecentFiles: the list rules and its place in the settings.
#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace NuvixApp {
namespace {

const char* const kKey = "recentFiles";

QString Absolute(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

TRecentFiles::TRecentFiles(const QStringList& files) {
    // Oldest first, so the first entry ends up in front.
    for (auto it = files.crbegin(); it != files.crend(); ++it)
        if (!it->isEmpty()) Add(*it);
}

void TRecentFiles::Add(const QString& path) {
    const QString file = Absolute(path);
    files_.removeAll(file);
    files_.prepend(file);
    while (files_.size() > kCount) files_.removeLast();
}

void TRecentFiles::Remove(const QString& path) {
    files_.removeAll(Absolute(path));
}

QStringList TRecentFiles::Names() const {
    QStringList names;
    for (const QString& file : files_) names << QFileInfo(file).fileName();
    for (int i = 0; i < files_.size(); ++i) {
        QList<int> same;
        for (int j = 0; j < files_.size(); ++j)
            if (QFileInfo(files_[j]).fileName() == QFileInfo(files_[i]).fileName()) same << j;
        if (same.size() < 2) continue;
        // Folder paths from the outermost folder inwards; the shortest tail that no other
        // file of the same name has is this file's mark.
        const QStringList folders = QFileInfo(files_[i]).absolutePath().split('/', Qt::SkipEmptyParts);
        QString tail;
        for (int take = 1; take <= folders.size(); ++take) {
            tail = folders.mid(folders.size() - take).join('/');
            const bool unique = std::none_of(same.begin(), same.end(), [&](int j) {
                if (j == i) return false;
                const QString other = QFileInfo(files_[j]).absolutePath();
                return other == "/" + tail || other.endsWith("/" + tail);
            });
            if (unique) break;
        }
        if (folders.isEmpty()) tail = "/";
        names[i] += " (" + tail + ")";
    }
    return names;
}

TRecentFiles TRecentFiles::Load(const QSettings& settings) {
    return TRecentFiles(settings.value(kKey).toStringList());
}

void TRecentFiles::Save(QSettings& settings) const {
    settings.setValue(kKey, files_);
}

} // namespace NuvixApp
