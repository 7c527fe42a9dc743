// TSvgCanvas: the plot canvas as an SVG document, for plots written without a display.
#pragma once

#include <string>

#include "instruments/plot_canvas.h"

namespace NuvixParser {

// Texts are set in the plot window's sans-serif face (Arial or a face of the same widths),
// measured from a table of its character widths, so the layout needs no font engine. Runs
// of connected lines become one path; coordinates keep their fractions.
class TSvgCanvas final : public TPlotCanvas {
public:
    static constexpr int kFontPixels = 12;

    void SetFont(TPlotFont font) override { font_ = font; }
    int TextWidth(std::string_view text) override;
    int TextHeight(std::string_view text) override;
    void DrawText(int x, int y, std::string_view text) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void FillRectangle(int left, int top, int right, int bottom, TRgb colour) override;
    void SetPen(TRgb colour, int width) override;

    // The whole document: a white background of the size and everything drawn so far.
    std::string Document(int width, int height);

private:
    int FontPixels() const { return font_ == TPlotFont::Small ? kFontPixels - 1 : kFontPixels; }
    std::string Stroke() const;
    void FlushPath();

    std::string body_;
    std::string path_; // the open run of lines, "M x y L x y ..."
    TPlotFont font_ = TPlotFont::Normal;
    TRgb pen_;
    int penWidth_ = 1;
    int x_ = 0, y_ = 0;
};

} // namespace NuvixParser
