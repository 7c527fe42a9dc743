// varnexcalc-cli --plots with --plot-format png and pdf, as a process: the pictures are read
// back and checked for their size, their background and where the curves are.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "tests/cli/process_runner.h"

namespace {

using NuvixTest::RunCli;
using NuvixTest::TProcessResult;
using NuvixTest::TRunOptions;
namespace fs = std::filesystem;

std::string Describe(const TProcessResult& r) {
    return "exit " + std::to_string(r.exitCode) + "\nstdout:\n" + r.out + "stderr:\n" + r.err;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PlotPictures : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "varnex-pictures-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // Runs a script with --plots into the folder; the run must finish quietly.
    void Plot(const std::string& format, const std::string& size, const std::string& script,
              const TRunOptions& options = {}) {
        const TProcessResult r =
            RunCli({"--plots", dir_.string(), "--plot-format", format, "--plot-size", size, "-e", script}, options);
        EXPECT_EQ(r.exitCode, 0) << Describe(r);
        EXPECT_EQ(r.err, "") << Describe(r);
    }
    fs::path dir_;
};

// The line from (0, 0) to (10, 10) in a fixed view of 0 to 10 on both axes, blue, and
// red dots at y = 2 for x = 0, 1, ..., 10.
const char* const kDiagonal = "plot(0;0;x;x;0;10.01;1000), plot(0;1;x;2;0;11;11), plotcurveparms(0;1;0;1;4), "
                              "plotautoscale(0;0;0), plotview(0;0;0;10;10), plottitle(0;'Diagonal')";

struct TPixels {
    int count = 0;
    long long sumX = 0, sumY = 0;
    int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};

TPixels Find(const QImage& image, QRgb colour) {
    TPixels p;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour) {
                ++p.count;
                p.sumX += x;
                p.sumY += y;
                p.minX = std::min(p.minX, x), p.maxX = std::max(p.maxX, x);
                p.minY = std::min(p.minY, y), p.maxY = std::max(p.maxY, y);
            }
    return p;
}

TEST_F(PlotPictures, PngHasTheSizeAndTheCurvesWhereTheyBelong) {
    Plot("png", "400x300", kDiagonal);
    const std::string bytes = ReadFile(dir_ / "plot-0.png");
    QImage image;
    ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "PNG"));
    EXPECT_EQ(image.size(), QSize(400, 300));
    image = image.convertToFormat(QImage::Format_RGB32);
    const TPixels white = Find(image, qRgb(255, 255, 255));
    EXPECT_GT(white.count, 400 * 300 / 2); // the background

    // The line runs from the lower left to the upper right of the plot, through most of
    // the picture: y falls as x grows.
    const TPixels blue = Find(image, qRgb(0, 0, 255));
    ASSERT_GT(blue.count, 300);
    EXPECT_GT(blue.maxX - blue.minX, 300);
    EXPECT_GT(blue.maxY - blue.minY, 200);
    for (int x = blue.minX + 10; x < blue.maxX - 10; x += 37) {
        const TPixels column = Find(image.copy(x, 0, 1, image.height()), qRgb(0, 0, 255));
        ASSERT_GT(column.count, 0) << "no line in column " << x;
        const double along = static_cast<double>(x - blue.minX) / (blue.maxX - blue.minX);
        const double expectedY = blue.maxY - along * (blue.maxY - blue.minY);
        EXPECT_NEAR(static_cast<double>(column.sumY) / column.count, expectedY, 4) << "column " << x;
    }
    // The dots lie on one row a fifth of the way up from the line's start, across it.
    const TPixels red = Find(image, qRgb(255, 0, 0));
    ASSERT_GT(red.count, 11 * 8);
    EXPECT_LE(red.maxY - red.minY, 5); // dots of radius 2
    EXPECT_NEAR((red.minY + red.maxY) / 2.0, blue.maxY - 0.2 * (blue.maxY - blue.minY), 3);
    EXPECT_NEAR(red.minX, blue.minX - 2, 2);
    EXPECT_NEAR(red.maxX, blue.maxX + 2, 2);
    // The title is drawn above the plot, in black text.
    const TPixels dark = Find(image.copy(0, 0, 400, std::max(1, blue.minY - 2)), qRgb(0, 0, 0));
    EXPECT_GT(dark.count, 20);
}

// The page is the picture's size at 96 pixels per inch: 400 x 300 pixels are 300 x 225
// points, on one page.
TEST_F(PlotPictures, PdfIsOnePageOfThePictureSize) {
    Plot("pdf", "400x300", kDiagonal);
    const std::string pdf = ReadFile(dir_ / "plot-0.pdf");
    EXPECT_TRUE(pdf.starts_with("%PDF-1.")) << pdf.substr(0, 16);
    EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
    const std::regex page(R"(/Type\s*/Page[^s])");
    EXPECT_EQ(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()), 1);
    std::smatch box;
    ASSERT_TRUE(std::regex_search(pdf, box, std::regex(R"(/MediaBox\s*\[\s*0\s+0\s+([0-9.]+)\s+([0-9.]+)\s*\])")));
    EXPECT_NEAR(std::stod(box[1]), 300, 0.5);
    EXPECT_NEAR(std::stod(box[2]), 225, 0.5);
    EXPECT_NE(pdf.find("/Font"), std::string::npos); // the labels are text, not pixels
}

// Qt runs on its offscreen platform whatever the environment names: no display, or a
// platform that cannot start here.
TEST_F(PlotPictures, NeedNoDisplay) {
    TRunOptions options;
    options.environment = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM=xcb"};
    Plot("png", "200x150", "plot(0;0;x;x;0;1;4), plot(3;0;x;x;0;1;4)", options);
    EXPECT_TRUE(fs::exists(dir_ / "plot-0.png"));
    EXPECT_TRUE(fs::exists(dir_ / "plot-3.png"));
    EXPECT_FALSE(fs::exists(dir_ / "plot-1.png")); // a tab without curves
}

// A runner whose picture module is missing says so, and writes no file in its place.
TEST_F(PlotPictures, AMissingModuleIsReported) {
    const fs::path alone = dir_ / "alone";
    fs::create_directory(alone);
    fs::copy_file(VARNEX_CLI_PATH, alone / "varnexcalc-cli");
    TRunOptions options;
    options.program = (alone / "varnexcalc-cli").string();
    const TProcessResult r =
        RunCli({"--plots", dir_.string(), "--plot-format", "png", "-e", "plot(0;0;x;x;0;1;4)"}, options);
    EXPECT_EQ(r.exitCode, 3) << Describe(r);
    EXPECT_NE(r.err.find("cannot draw"), std::string::npos) << Describe(r);
    EXPECT_NE(r.err.find("picture module"), std::string::npos) << Describe(r);
    EXPECT_FALSE(fs::exists(dir_ / "plot-0.png"));
}

} // namespace
