// TPainterCanvas: plot drawing operations as QPainter calls.
#include "windows/painter_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include "windows/cp1252.h"

namespace NuvixWindows {

QFont PlotFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

TPainterCanvas::TPainterCanvas(QPainter& painter, const QFont& font) : painter_(painter), normal_(font), small_(font) {
    if (font.pointSizeF() > 1)
        small_.setPointSizeF(font.pointSizeF() - 1);
    else if (font.pixelSize() > 1)
        small_.setPixelSize(font.pixelSize() - 1);
    painter_.setFont(normal_);
    painter_.setBrush(Qt::NoBrush);
}

void TPainterCanvas::SetFont(NuvixParser::TPlotFont font) {
    rotated_ = font == NuvixParser::TPlotFont::Rotated;
    painter_.setFont(font == NuvixParser::TPlotFont::Small ? small_ : normal_);
}

int TPainterCanvas::TextWidth(std::string_view text) {
    return painter_.fontMetrics().horizontalAdvance(FromCp1252(text));
}

int TPainterCanvas::TextHeight(std::string_view) {
    return painter_.fontMetrics().height();
}

void TPainterCanvas::DrawText(int x, int y, std::string_view text) {
    const int ascent = painter_.fontMetrics().ascent();
    if (!rotated_) {
        painter_.drawText(x, y + ascent, FromCp1252(text));
        return;
    }
    // Runs upward from (x, y), the tops of the letters facing left.
    painter_.save();
    painter_.translate(x, y);
    painter_.rotate(-90);
    painter_.drawText(0, ascent, FromCp1252(text));
    painter_.restore();
}

void TPainterCanvas::MoveTo(int x, int y) {
    x_ = x;
    y_ = y;
}

void TPainterCanvas::LineTo(int x, int y) {
    painter_.drawLine(x_, y_, x, y);
    x_ = x;
    y_ = y;
}

void TPainterCanvas::Rectangle(int left, int top, int right, int bottom) {
    painter_.drawRect(left, top, right - left - 1, bottom - top - 1);
}

void TPainterCanvas::Ellipse(int left, int top, int right, int bottom) {
    painter_.drawEllipse(left, top, right - left - 1, bottom - top - 1);
}

void TPainterCanvas::SetPen(NuvixParser::TRgb colour, int width) {
    painter_.setPen(QPen(QColor(colour.r, colour.g, colour.b), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

} // namespace NuvixWindows
