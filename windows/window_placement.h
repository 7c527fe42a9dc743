// TWindowPlacement: a top-level window's place and size, kept between runs.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <memory>

class QSettings;
class QSplitter;
class QWidget;

namespace NuvixWindows {

// The program's own settings (an INI file in the user's configuration folder; tests move
// it with QSettings::setPath). The application name cannot be used for this: the main
// window puts the file title into it.
std::unique_ptr<QSettings> ProgramSettings();

// A saved window rectangle as it may be shown on the current screens (their available
// areas, the first one the primary). It is kept while its top strip, where the title bar
// is, lies on a screen far enough to be grabbed; otherwise it goes onto the screen it
// overlaps most (else the primary), shrunk to fit and moved as little as possible.
QRect OnScreen(const QRect& window, const QList<QRect>& screens);

// Restores a window's place and size (and maximised state) from the program's settings at
// construction and saves them whenever the window hides, which also happens when it is
// closed. A child of the window; one per window, under its own key.
class TWindowPlacement final : public QObject {
    Q_OBJECT
public:
    TWindowPlacement(QWidget& window, const QString& key);

    void Restore();
    void Save() const;
    // Keeps the division of one of the window's splitters with the window's place, under
    // the splitter's object name; restores it now.
    void Keep(QSplitter& splitter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    QString key_;
    QList<QPointer<QSplitter>> splitters_;
};

} // namespace NuvixWindows
