// TSvgCanvas: drawing operations as SVG elements.
#include "instruments/svg_canvas.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace NuvixParser {
namespace {

// The characters of bytes 0x80 to 0x9F in Windows-1252 (undefined ones keep their number);
// the other bytes are the characters of the same number.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// 8-bit text as UTF-8 with the XML specials escaped; control characters become spaces.
std::string XmlText(std::string_view text) {
    std::string out;
    for (unsigned char b : text) {
        const unsigned c = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b;
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) out += ' ';
        else if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string N(int v) {
    return std::to_string(v);
}

// The shortest text that reads back as the same double: 2.5 stays 2.5, 2 is "2".
std::string N(double v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

// Advance widths of the printable ASCII characters in thousandths of the font size, those
// of Helvetica, which Arial and Liberation Sans share: the SVG names these faces, so the
// layout measures its texts as a viewer draws them. Other characters count as a digit.
constexpr short kSansWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, // space to /
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, // 0 to ?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778, // @ to O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P to _
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // ` to o
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,       // p to ~
};
constexpr int kMiddleDotWidth = 278;

int SansWidth(unsigned char c) {
    if (c >= 32 && c < 127) return kSansWidths[c - 32];
    if (c == 0xB7) return kMiddleDotWidth;
    return kSansWidths['0' - 32];
}

} // namespace

int TSvgCanvas::TextWidth(std::string_view text) {
    long long thousandths = 0;
    for (unsigned char c : text) thousandths += SansWidth(c);
    return static_cast<int>((thousandths * FontPixels() + 999) / 1000);
}

int TSvgCanvas::TextHeight(std::string_view) {
    return FontPixels() + FontPixels() / 6;
}

// A pen of width 0 draws one pixel wide, as on the screen; SVG would draw nothing.
std::string TSvgCanvas::Stroke() const {
    return "stroke=\"rgb(" + N(pen_.r) + "," + N(pen_.g) + "," + N(pen_.b) + ")\" stroke-width=\"" +
           N(std::max(penWidth_, 1)) + "\"";
}

void TSvgCanvas::FlushPath() {
    if (path_.empty()) return;
    body_ += "<path d=\"" + path_ + "\" fill=\"none\" " + Stroke() + "/>\n";
    path_.clear();
}

// The text's top-left corner is at (x, y); SVG places the baseline, a font size lower.
void TSvgCanvas::DrawText(int x, int y, std::string_view text) {
    FlushPath();
    const std::string attributes = "font-family=\"Arial, Liberation Sans, Helvetica, sans-serif\" font-size=\"" + N(FontPixels()) + "\"";
    const int baseline = FontPixels();
    if (font_ == TPlotFont::Rotated)
        body_ += "<text transform=\"translate(" + N(x) + "," + N(y) + ") rotate(-90)\" x=\"0\" y=\"" + N(baseline) +
                 "\" " + attributes + ">" + XmlText(text) + "</text>\n";
    else
        body_ += "<text x=\"" + N(x) + "\" y=\"" + N(y + baseline) + "\" " + attributes + ">" + XmlText(text) +
                 "</text>\n";
}

void TSvgCanvas::MoveTo(int x, int y) {
    x_ = x;
    y_ = y;
    FlushPath();
}

void TSvgCanvas::LineTo(int x, int y) {
    // Appended piece by piece: no temporaries for a path of many points.
    if (path_.empty()) {
        path_ += 'M';
        path_ += N(x_);
        path_ += ' ';
        path_ += N(y_);
    }
    path_ += " L";
    path_ += N(x);
    path_ += ' ';
    path_ += N(y);
    x_ = x;
    y_ = y;
}

void TSvgCanvas::Rectangle(int left, int top, int right, int bottom) {
    FlushPath();
    body_ += "<rect x=\"" + N(left) + "\" y=\"" + N(top) + "\" width=\"" + N(right - left - 1) + "\" height=\"" +
             N(bottom - top - 1) + "\" fill=\"none\" " + Stroke() + "/>\n";
}

void TSvgCanvas::Ellipse(int left, int top, int right, int bottom) {
    FlushPath();
    const double rx = (right - left - 1) / 2.0, ry = (bottom - top - 1) / 2.0;
    body_ += "<ellipse cx=\"" + N(left + rx) + "\" cy=\"" + N(top + ry) + "\" rx=\"" + N(rx) + "\" ry=\"" + N(ry) +
             "\" fill=\"none\" " + Stroke() + "/>\n";
}

void TSvgCanvas::FillRectangle(int left, int top, int right, int bottom, TRgb colour) {
    FlushPath();
    body_ += "<rect x=\"" + N(left) + "\" y=\"" + N(top) + "\" width=\"" + N(right - left) + "\" height=\"" +
             N(bottom - top) + "\" fill=\"rgb(" + N(colour.r) + "," + N(colour.g) + "," + N(colour.b) +
             ")\" stroke=\"none\"/>\n";
}

void TSvgCanvas::SetPen(TRgb colour, int width) {
    if (colour == pen_ && width == penWidth_) return;
    FlushPath(); // a path keeps the pen it began with
    pen_ = colour;
    penWidth_ = width;
}

std::string TSvgCanvas::Document(int width, int height) {
    FlushPath();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + N(width) +
           "\" height=\"" + N(height) + "\" viewBox=\"0 0 " + N(width) + " " + N(height) +
           "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n<rect width=\"100%\" height=\"100%\" "
           "fill=\"white\"/>\n" +
           body_ + "</svg>\n";
}

} // namespace NuvixParser
