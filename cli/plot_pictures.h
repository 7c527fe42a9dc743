// TPlotPictures: the runner's PNG and PDF plots, drawn by the plot window's own painting
// with Qt, without a display.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace NuvixParser {
struct TPlotPanel;
}

namespace NuvixCli {

enum class TPictureFormat { Png, Pdf };

// While one exists, Qt runs in this process on its offscreen platform, which needs no
// display; the runner makes one only when such plots are asked for. A build without Qt
// has none.
class TPlotPictures {
public:
    // Whether this build can draw them.
    static bool Available();
    // None when unavailable.
    static std::unique_ptr<TPlotPictures> Start();
    virtual ~TPlotPictures() = default;

    // The file's bytes: a PNG image, or a PDF document of one page of the same size at 96
    // pixels per inch; empty when it could not be made.
    virtual std::string Draw(TPictureFormat format, const NuvixParser::TPlotPanel& panel, std::string_view title,
                             int width, int height) = 0;
};

} // namespace NuvixCli
