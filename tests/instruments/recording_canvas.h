// A canvas for tests: fixed text metrics, and every drawing call recorded as a line of text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "instruments/plot_canvas.h"

namespace NuvixTest {

// Every character of the normal (and rotated) font is 5 x 12 pixels, of the small font
// 4 x 8.
class TRecordingCanvas final : public NuvixParser::TPlotCanvas {
public:
    static constexpr int kNormalWidth = 5, kNormalHeight = 12, kSmallWidth = 4, kSmallHeight = 8;

    void SetFont(NuvixParser::TPlotFont font) override { font_ = font; }
    int TextWidth(std::string_view text) override {
        return static_cast<int>(text.size()) * (font_ == NuvixParser::TPlotFont::Small ? kSmallWidth : kNormalWidth);
    }
    int TextHeight(std::string_view) override {
        return font_ == NuvixParser::TPlotFont::Small ? kSmallHeight : kNormalHeight;
    }
    // Text N 10,20 '0.5' (N normal, S small, R rotated)
    void DrawText(int x, int y, std::string_view text) override {
        const char* font = font_ == NuvixParser::TPlotFont::Small ? "S" : font_ == NuvixParser::TPlotFont::Rotated ? "R" : "N";
        calls.push_back("Text " + std::string(font) + " " + Point(x, y) + " '" + std::string(text) + "'");
    }
    void MoveTo(int x, int y) override { calls.push_back("Move " + Point(x, y)); }
    void LineTo(int x, int y) override { calls.push_back("Line " + Point(x, y)); }
    void Rectangle(int l, int t, int r, int b) override { calls.push_back("Rect " + Point(l, t) + " " + Point(r, b)); }
    void Ellipse(int l, int t, int r, int b) override { calls.push_back("Ellipse " + Point(l, t) + " " + Point(r, b)); }
    void FillRectangle(int l, int t, int r, int b, NuvixParser::TRgb c) override {
        calls.push_back("Fill " + Point(l, t) + " " + Point(r, b) + " " + std::to_string(c.r) + "," +
                        std::to_string(c.g) + "," + std::to_string(c.b));
    }
    void SetPen(NuvixParser::TRgb c, int width) override {
        calls.push_back("Pen " + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + " " +
                        std::to_string(width));
    }

    // The recorded calls that begin with `prefix`.
    std::vector<std::string> Only(std::string_view prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.starts_with(prefix)) out.push_back(c);
        return out;
    }

    std::vector<std::string> calls;

private:
    static std::string Point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    NuvixParser::TPlotFont font_ = NuvixParser::TPlotFont::Normal;
};

} // namespace NuvixTest
