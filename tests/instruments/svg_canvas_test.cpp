// TSvgCanvas: paths, pens, text placement and 8-bit text in the SVG document.
#include <gtest/gtest.h>

#include <string>

#include "instruments/svg_canvas.h"

namespace {

using NuvixParser::TPlotFont;
using NuvixParser::TSvgCanvas;

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(SvgCanvas, JoinsARunOfLinesIntoOnePathPerPen) {
    TSvgCanvas canvas;
    canvas.SetPen({0, 0, 255}, 2);
    canvas.MoveTo(1, 2);
    canvas.LineTo(3, 4);
    canvas.LineTo(5, 6);
    canvas.SetPen({255, 0, 0}, 2); // a new pen ends the path
    canvas.LineTo(7, 8);
    canvas.MoveTo(0, 0); // so does a move
    canvas.LineTo(1, 1);
    const std::string svg = canvas.Document(10, 10);
    EXPECT_NE(svg.find("<path d=\"M1 2 L3 4 L5 6\" fill=\"none\" stroke=\"rgb(0,0,255)\" stroke-width=\"2\"/>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<path d=\"M5 6 L7 8\" fill=\"none\" stroke=\"rgb(255,0,0)\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("<path d=\"M0 0 L1 1\""), std::string::npos) << svg;
    EXPECT_EQ(Count(svg, "<path"), 3);
}

TEST(SvgCanvas, WritesTextAsEscapedUtf8AtItsTopLeftCorner) {
    TSvgCanvas canvas;
    canvas.DrawText(5, 20, "a<b & \x80\xB7\x01");
    canvas.SetFont(TPlotFont::Rotated);
    canvas.DrawText(3, 100, "U");
    const std::string svg = canvas.Document(10, 10);
    EXPECT_NE(svg.find("y=\"32\""), std::string::npos) << svg; // the baseline, a font size lower
    EXPECT_NE(svg.find(">a&lt;b &amp; \xE2\x82\xAC\xC2\xB7 </text>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("transform=\"translate(3,100) rotate(-90)\""), std::string::npos) << svg;
}

// Bounding boxes leave their right and bottom edges out, as the plot drawing expects.
TEST(SvgCanvas, ShapesFillTheirBoxWithoutItsFarEdges) {
    TSvgCanvas canvas;
    canvas.Rectangle(10, 20, 31, 41);
    canvas.Ellipse(0, 0, 5, 5);
    canvas.Ellipse(10, 10, 14, 14); // a box of an odd width: the centre lies between pixels
    canvas.FillRectangle(1, 2, 5, 7, {255, 255, 255});
    const std::string svg = canvas.Document(50, 50);
    EXPECT_NE(svg.find("<rect x=\"10\" y=\"20\" width=\"20\" height=\"20\" fill=\"none\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("<ellipse cx=\"2\" cy=\"2\" rx=\"2\" ry=\"2\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("<ellipse cx=\"11.5\" cy=\"11.5\" rx=\"1.5\" ry=\"1.5\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("<rect x=\"1\" y=\"2\" width=\"4\" height=\"5\" fill=\"rgb(255,255,255)\" stroke=\"none\""),
              std::string::npos)
        << svg;
}

// The window and its PNG pictures draw a pen of width 0 one pixel wide; so does the SVG.
TEST(SvgCanvas, APenOfWidthZeroDrawsOnePixelWide) {
    TSvgCanvas canvas;
    canvas.SetPen({0, 0, 255}, 0);
    canvas.MoveTo(1, 2);
    canvas.LineTo(3, 4);
    const std::string svg = canvas.Document(10, 10);
    EXPECT_NE(svg.find("stroke-width=\"1\""), std::string::npos) << svg;
    EXPECT_EQ(svg.find("stroke-width=\"0\""), std::string::npos) << svg;
}

// Texts are set in a sans-serif face and measured by its widths: narrow letters take less
// room than wide ones, as a viewer draws them.
TEST(SvgCanvas, MeasuresTextsInTheSansSerifFace) {
    TSvgCanvas canvas;
    EXPECT_LT(canvas.TextWidth("iiii"), canvas.TextWidth("0000"));
    EXPECT_LT(canvas.TextWidth("0000"), canvas.TextWidth("MMMM"));
    EXPECT_EQ(canvas.TextWidth("10"), (2 * 556 * TSvgCanvas::kFontPixels + 999) / 1000);
    canvas.DrawText(0, 0, "U");
    const std::string svg = canvas.Document(10, 10);
    EXPECT_NE(svg.find("sans-serif"), std::string::npos) << svg;
    EXPECT_EQ(svg.find("monospace"), std::string::npos) << svg;
}

} // namespace
