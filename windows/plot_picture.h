// Plot pictures as files: a drawing on a QPainter canvas as an image, a PNG file or a
// one-page PDF document.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <functional>

#include "instruments/plot_canvas.h"

namespace NuvixWindows {

// Paints onto a canvas of the given size in pixels.
using TDrawingRoutine = std::function<void(NuvixParser::TPlotCanvas& canvas, int width, int height)>;

// The drawing on white, `size` pixels large, in the plot font.
QImage PictureImage(const TDrawingRoutine& draw, QSize size);
// That image as a PNG file; empty when it could not be encoded.
QByteArray PngPicture(const TDrawingRoutine& draw, QSize size);
// The drawing laid out at `layout` pixels, as on the screen, and drawn finer into an image
// of `pixels`, marked with `dotsPerInch`: the same picture at a printer's resolution.
QByteArray PngPicture(const TDrawingRoutine& draw, QSize layout, QSize pixels, int dotsPerInch);
// One page of `pageMm` millimetres without margins, the drawing `pixels` large filling
// it: the page's resolution is chosen so, and fonts keep their size in points on it.
// Empty when the document could not be written.
QByteArray PdfPicture(const TDrawingRoutine& draw, QSize pixels, QSizeF pageMm);
// The page size of a picture of `pixels` at 96 pixels per inch, the resolution that
// plots on screen are laid out for.
QSizeF PageMillimetres(QSize pixels);

} // namespace NuvixWindows
