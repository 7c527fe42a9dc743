// TWindowPlacement: saving and restoring window geometry, and the on-screen rule.
#include "windows/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QWidget>
#include <algorithm>

namespace NuvixWindows {
namespace {

// How much of the title-bar strip must lie on a screen for the user to grab the window.
constexpr int kStripHeight = 24;
constexpr int kGrabWidth = 80;

qint64 Area(const QRect& r) {
    return r.isValid() ? qint64(r.width()) * r.height() : 0;
}

} // namespace

std::unique_ptr<QSettings> ProgramSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("varnexcalc"),
                                       QStringLiteral("varnexcalc"));
}

QRect OnScreen(const QRect& window, const QList<QRect>& screens) {
    if (screens.isEmpty() || !window.isValid()) return window;
    const QRect strip(window.left(), window.top(), window.width(), kStripHeight);
    for (const QRect& screen : screens) {
        const QRect seen = strip & screen;
        if (seen.width() >= std::min(kGrabWidth, window.width()) && seen.height() >= kStripHeight) return window;
    }
    const QRect* target = &screens.first();
    for (const QRect& screen : screens)
        if (Area(window & screen) > Area(window & *target)) target = &screen;
    QRect placed(window.topLeft(), window.size().boundedTo(target->size()));
    placed.moveLeft(std::clamp(placed.left(), target->left(), target->right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), target->top(), target->bottom() + 1 - placed.height()));
    return placed;
}

TWindowPlacement::TWindowPlacement(QWidget& window, const QString& key)
    : QObject(&window), window_(window), key_(key) {
    Restore();
    window_.installEventFilter(this);
}

void TWindowPlacement::Restore() {
    const std::unique_ptr<QSettings> settings = ProgramSettings();
    const QRect saved = settings->value(key_ + QStringLiteral("/geometry")).toRect();
    if (!saved.isValid()) return;
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen()) screens << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen()) screens << screen->availableGeometry();
    window_.setGeometry(OnScreen(saved, screens));
    if (settings->value(key_ + QStringLiteral("/maximized")).toBool())
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
}

void TWindowPlacement::Save() const {
    const std::unique_ptr<QSettings> settings = ProgramSettings();
    // The normal geometry is the one to come back to when a maximised window is restored.
    const bool maximized = window_.isMaximized();
    settings->setValue(key_ + QStringLiteral("/geometry"), maximized ? window_.normalGeometry() : window_.geometry());
    settings->setValue(key_ + QStringLiteral("/maximized"), maximized);
    for (const QPointer<QSplitter>& splitter : splitters_)
        if (splitter) settings->setValue(key_ + QLatin1Char('/') + splitter->objectName(), splitter->saveState());
}

void TWindowPlacement::Keep(QSplitter& splitter) {
    splitters_ << &splitter;
    const QByteArray state =
        ProgramSettings()->value(key_ + QLatin1Char('/') + splitter.objectName()).toByteArray();
    if (!state.isEmpty()) splitter.restoreState(state);
}

bool TWindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Hide && !window_.isMinimized()) Save();
    return QObject::eventFilter(watched, event);
}

} // namespace NuvixWindows
