// TPainterCanvas: the plot canvas on a QPainter (screen, image, SVG, PDF, printer).
#pragma once

#include <QFont>

#include "instruments/plot_canvas.h"

class QPainter;

namespace NuvixWindows {

// The font plots are drawn in: Arial, or the sans-serif face standing in for it, at the
// application's default size.
QFont PlotFont();

// Converts the canvas's conventions to Qt's: texts are placed by their top-left corner
// instead of the baseline, and the bounding boxes of rectangles and ellipses leave their
// right and bottom edges out. The painter is not owned and stays as the canvas leaves it.
class TPainterCanvas final : public NuvixParser::TPlotCanvas {
public:
    // `font`: the Normal font; Small is one point less, Rotated the same turned upward.
    TPainterCanvas(QPainter& painter, const QFont& font);

    void SetFont(NuvixParser::TPlotFont font) override;
    int TextWidth(std::string_view text) override;
    int TextHeight(std::string_view text) override;
    void DrawText(int x, int y, std::string_view text) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void FillRectangle(int left, int top, int right, int bottom, NuvixParser::TRgb colour) override;
    void SetPen(NuvixParser::TRgb colour, int width) override;

private:
    QPainter& painter_;
    QFont normal_, small_;
    bool rotated_ = false;
    int x_ = 0, y_ = 0;
};

} // namespace NuvixWindows
