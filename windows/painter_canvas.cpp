// TPainterCanvas: plot drawing operations as QPainter calls.
#include "windows/painter_canvas.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>

#include <algorithm>

#include "windows/cp1252.h"

namespace NuvixWindows {

QFont PlotFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

namespace {

// A font sized in pixels of the screen. A drawing is laid out in the screen's pixels; on a
// device of finer pixels (a printer, a PDF page) whose painter is scaled to the drawing's
// size, a font sized in points would measure and draw in the device's own pixels, and so
// come out as many times too large as the device's pixels are finer.
QFont InScreenPixels(QFont font) {
    if (font.pixelSize() <= 0) font.setPixelSize(std::max(1, QFontInfo(font).pixelSize()));
    return font;
}

// One point less, or one pixel less for a font sized in pixels.
QFont Smaller(QFont font) {
    if (font.pixelSize() > 1)
        font.setPixelSize(font.pixelSize() - 1);
    else if (font.pointSizeF() > 1)
        font.setPointSizeF(font.pointSizeF() - 1);
    return font;
}

} // namespace

// A font that leaves its size open (PlotFont) takes the application's, as on the screen,
// before the small one is made from it.
TPainterCanvas::TPainterCanvas(QPainter& painter, const QFont& font)
    : painter_(painter), normal_(InScreenPixels(font.resolve(QGuiApplication::font()))),
      small_(InScreenPixels(Smaller(font.resolve(QGuiApplication::font())))) {
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

void TPainterCanvas::FillRectangle(int left, int top, int right, int bottom, NuvixParser::TRgb colour) {
    painter_.fillRect(left, top, right - left, bottom - top, QColor(colour.r, colour.g, colour.b));
}

void TPainterCanvas::SetPen(NuvixParser::TRgb colour, int width) {
    painter_.setPen(QPen(QColor(colour.r, colour.g, colour.b), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

} // namespace NuvixWindows
