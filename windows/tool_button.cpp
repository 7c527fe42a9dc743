// The picture buttons of the output windows' tool bars.
#include "windows/tool_button.h"

#include <QPushButton>

namespace NuvixWindows {

QPushButton* MakeToolButton(QWidget* parent, const char* name, const QString& text, QStyle::StandardPixmap icon,
                            int width) {
    auto* button = new QPushButton(parent->style()->standardIcon(icon), text, parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumSize(width, 25);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace NuvixWindows
