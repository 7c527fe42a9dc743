// Fuzz target: axis scaling, layout and painting of a plot with any ranges, sizes and
// points (NaN, infinities, denormals, 1e308 included), and its text file.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "instruments/graphic_panel.h"
#include "instruments/plot_model.h"
#include "instruments/plot_text_file.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace NuvixFuzz {

namespace {

using namespace NuvixParser;

// Counts the drawing calls; texts measure as fixed-width characters.
class TCountingCanvas final : public TPlotCanvas {
public:
    void SetFont(TPlotFont) override {}
    int TextWidth(std::string_view text) override { return static_cast<int>(text.size()) * 6; }
    int TextHeight(std::string_view) override { return 13; }
    void DrawText(int, int, std::string_view text) override {
        FUZZ_CHECK(text.size() < 1000);
        ++calls;
    }
    void MoveTo(int, int) override { ++calls; }
    void LineTo(int, int) override { ++calls; }
    void Rectangle(int, int, int, int) override { ++calls; }
    void FillRectangle(int l, int t, int r, int b, TRgb) override {
        FUZZ_CHECK(r >= l && b >= t);
        ++calls;
    }
    void Ellipse(int l, int t, int r, int b) override {
        FUZZ_CHECK(r >= l && b >= t);
        ++calls;
    }
    void SetPen(TRgb, int width) override {
        FUZZ_CHECK(width >= 0);
        ++calls;
    }
    long long calls = 0;
};

// Reads the next value of a type from the input, or zeros once it is used up.
class TReader {
public:
    TReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    template <class T> T Next() {
        T v{};
        const std::size_t n = std::min(sizeof v, size_ - at_);
        std::memcpy(&v, data_ + at_, n);
        at_ += n;
        return v;
    }
    bool Empty() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace

// Layout: width and height (16 bits each), a flags byte (connected, autoscale, labels,
// title), the thickness, four range values, then x, y pairs up to 4096 points.
void FuzzPlotDrawing(const std::uint8_t* data, std::size_t size) {
    TReader in(data, size);
    const int width = in.Next<std::int16_t>() % 3000;
    const int height = in.Next<std::int16_t>() % 3000;
    const auto flags = in.Next<std::uint8_t>();
    TPlotCurve curve;
    curve.thickness = in.Next<std::uint8_t>();
    curve.connected = flags & 1;
    TPlotPanel panel;
    panel.autoScaleX = panel.autoScaleY = false;
    const double x0 = in.Next<double>(), x1 = in.Next<double>(), y0 = in.Next<double>(), y1 = in.Next<double>();
    panel.SetXRange(x0, x1);
    panel.SetYRange(y0, y1);
    if (flags & 4) panel.xLabel = "x", panel.yLabel = "y";
    while (!in.Empty() && curve.x.size() < 4096) {
        curve.x.push_back(in.Next<double>());
        curve.y.push_back(in.Next<double>());
    }
    const std::size_t points = curve.x.size();
    panel.curves.emplace_back(std::move(curve));
    if (flags & 2) {
        panel.autoScaleX = panel.autoScaleY = true;
        panel.Rescale();
    }
    for (bool reduce : {true, false}) {
        TCountingCanvas canvas;
        TGraphicPanel drawing;
        drawing.SetReduction(reduce);
        drawing.Paint(canvas, panel, flags & 8 ? "title" : "", width, height);
        // Ticks are bounded per axis, curves by their points: no runaway loop.
        FUZZ_CHECK(canvas.calls < 60LL * TAxisScale::kMaxTicks + 8LL * static_cast<long long>(points) + 100);
        (void)drawing.XValueAt(width / 2);
        (void)drawing.YValueAt(height / 2);
    }
    const std::string text = PlotText(panel);
    FUZZ_CHECK(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
}

} // namespace NuvixFuzz
