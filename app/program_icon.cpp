// The program's icon from its SVG picture, drawn at the sizes windows and dialogs ask for.
#include "app/program_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace NuvixApp {

QIcon ProgramIcon() {
    // Drawn here rather than left to Qt's SVG image plugin, which is loaded only when
    // installed: the library is linked, so the icon is there wherever the program runs.
    QSvgRenderer renderer(QStringLiteral(":/icons/varnexcalc.svg"));
    QIcon icon;
    if (!renderer.isValid()) return icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

} // namespace NuvixApp
