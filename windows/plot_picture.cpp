// Plot pictures as files: QImage for PNG, QPdfWriter for PDF, both drawn by the plot
// canvas on a QPainter.
#include "windows/plot_picture.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "windows/painter_canvas.h"

namespace NuvixWindows {

QImage PictureImage(const TDrawingRoutine& draw, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TPainterCanvas canvas(painter, PlotFont());
    draw(canvas, size.width(), size.height());
    return image;
}

QByteArray PngPicture(const TDrawingRoutine& draw, QSize size) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!PictureImage(draw, size).save(&buffer, "PNG")) return {};
    return bytes;
}

QByteArray PngPicture(const TDrawingRoutine& draw, QSize layout, QSize pixels, int dotsPerInch) {
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMetre = static_cast<int>(std::lround(dotsPerInch / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    {
        // Fonts are sized in the layout's pixels, so they scale with the painter.
        QPainter painter(&image);
        painter.scale(static_cast<double>(pixels.width()) / std::max(1, layout.width()),
                      static_cast<double>(pixels.height()) / std::max(1, layout.height()));
        TPainterCanvas canvas(painter, PlotFont());
        draw(canvas, layout.width(), layout.height());
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return bytes;
}

// The painter is not scaled: a scaled painter would draw texts measured in the device's
// own pixels once more enlarged. Instead the device's resolution makes its pixels those
// of the drawing.
QByteArray PdfPicture(const TDrawingRoutine& draw, QSize pixels, QSizeF pageMm) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setCreator(QStringLiteral("The Varnex Calculator"));
    const double dpi = pixels.width() * 25.4 / std::max(pageMm.width(), 1e-3);
    pdf.setResolution(std::max(1, static_cast<int>(std::lround(dpi))));
    pdf.setPageLayout(QPageLayout(QPageSize(pageMm, QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&pdf)) return {};
    TPainterCanvas canvas(painter, PlotFont());
    draw(canvas, pdf.width(), pdf.height());
    if (!painter.end()) return {};
    return bytes;
}

QSizeF PageMillimetres(QSize pixels) {
    return QSizeF(pixels.width() * 25.4 / 96, pixels.height() * 25.4 / 96);
}

} // namespace NuvixWindows
