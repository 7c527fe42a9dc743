// The picture buttons of the output windows' tool bars.
#pragma once

#include <QString>
#include <QStyle>

class QPushButton;
class QWidget;

namespace NuvixWindows {

// A button with a picture and a text, at least `width` x 25 pixels, that the keyboard reaches
// by Tab only (a click leaves the focus where it was). `name` is its object name.
QPushButton* MakeToolButton(QWidget* parent, const char* name, const QString& text, QStyle::StandardPixmap icon,
                            int width);

} // namespace NuvixWindows
