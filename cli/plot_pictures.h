// TPlotPictures: the runner's PNG and PDF plots, drawn by the plot window's own painting
// with Qt, without a display. Qt lives in a module the runner loads only for them, so runs
// that draw none start and use memory as a program without Qt does.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace NuvixParser {
class TPlotCanvas;
struct TPlotPanel;
} // namespace NuvixParser

namespace NuvixCli {

enum class TPictureFormat { Png, Pdf };

// Paints onto a canvas of the given size in pixels.
using TPictureRoutine = std::function<void(NuvixParser::TPlotCanvas& canvas, int width, int height)>;

// The module's side: while one exists, a QGuiApplication runs on Qt's offscreen platform.
class TPictureDrawer {
public:
    virtual ~TPictureDrawer() = default;
    // The file's bytes: a PNG image, or a PDF document of one page of the same size at 96
    // pixels per inch; empty when it could not be made.
    virtual std::string Draw(TPictureFormat format, int width, int height, const TPictureRoutine& paint) = 0;
};
// The module's one entry, found by this name.
using TPictureDrawerFactory = TPictureDrawer* (*)();
inline constexpr const char* kPictureDrawerFactory = "VarnexCreatePictureDrawer";

class TPlotPictures {
public:
    // Whether this build has the module.
    static bool Available();
    // Loads the module and starts Qt in it; none, with `error` saying why, when it cannot.
    static std::unique_ptr<TPlotPictures> Start(std::string& error);

    std::string Draw(TPictureFormat format, const NuvixParser::TPlotPanel& panel, std::string_view title, int width,
                     int height);

private:
    explicit TPlotPictures(std::unique_ptr<TPictureDrawer> drawer) : drawer_(std::move(drawer)) {}
    std::unique_ptr<TPictureDrawer> drawer_;
};

} // namespace NuvixCli
