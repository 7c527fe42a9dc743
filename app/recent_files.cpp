// TRecentFiles: the list rules and its place in the settings.
#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

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

TRecentFiles TRecentFiles::Load(const QSettings& settings) {
    return TRecentFiles(settings.value(kKey).toStringList());
}

void TRecentFiles::Save(QSettings& settings) const {
    settings.setValue(kKey, files_);
}

} // namespace NuvixApp
