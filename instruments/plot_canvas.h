// TPlotCanvas: the drawing surface a plot is painted on (screen, picture, printer, tests).
#pragma once

#include <cstdint>
#include <string_view>

namespace NuvixParser {

struct TRgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const TRgb&) const = default;
};

// The three fonts of a plot, all of one face: Normal for the title and the tick labels,
// Small (one point less) for exponents, Rotated (Normal turned by 90 degrees, running
// upward) for the label of the vertical axis.
enum class TPlotFont { Normal, Small, Rotated };

// Texts are 8-bit (the middle dot of "1.0 ·10" is byte 0xB7). Coordinates are pixels from
// the top-left corner. Rectangle and Ellipse take a bounding box whose right and bottom
// edges lie outside the figure, and LineTo does not draw its end point, as on the
// window system the plots were first drawn for; canvases of other systems convert.
class TPlotCanvas {
public:
    virtual ~TPlotCanvas() = default;

    virtual void SetFont(TPlotFont font) = 0;
    // In the current font; a rotated text measures along its run.
    virtual int TextWidth(std::string_view text) = 0;
    virtual int TextHeight(std::string_view text) = 0;
    // The top-left corner of the text, in its reading direction, at (x, y).
    virtual void DrawText(int x, int y, std::string_view text) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // The outline in the pen; no fill.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    // The box filled in one colour, without an outline (the legend's background).
    virtual void FillRectangle(int left, int top, int right, int bottom, TRgb colour) = 0;
    virtual void SetPen(TRgb colour, int width) = 0;
};

} // namespace NuvixParser
