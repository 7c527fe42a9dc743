// The runner's PNG plot against the plot window's own panel after the same script, at the
// same size: both are drawn by the same panel code, on the same offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <fstream>
#include <iostream>
#include <iterator>

#include "tests/cli/process_runner.h"
#include "tests/windows/windowed_run.h"
#include "windows/func_graphic_panel.h"
#include "windows/graphic_form.h"

namespace {

using NuvixWindows::TFuncGraphicPanel;
using NuvixWindows::TGraphicForm;

int CountDiffering(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

int CountDark(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += qGray(image.pixel(x, y)) < 100;
    return n;
}

// Two curves, one of dots, axis labels and a title: the runner draws the tab's caption
// above the plot, the window's panel draws none, and the title takes one text height off
// the plot's height. So the runner's picture below its title strip is the window's panel
// of that much less height, pixel for pixel but for differences in text rendering.
void ExpectRunnerPictureIsWindowPanel(const char* script) {
    const int width = 480, height = 360;
    QTemporaryDir dir;
    const NuvixTest::TProcessResult r = NuvixTest::RunCli({"--plots", dir.path().toStdString(), "--plot-format",
                                                          "png", "--plot-size", "480x360", "-e", script});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QImage runner(dir.filePath(QStringLiteral("plot-0.png")));
    ASSERT_EQ(runner.size(), QSize(width, height));
    runner = runner.convertToFormat(QImage::Format_RGB32);

    TGraphicForm form;
    EXPECT_EQ(NuvixTest::RunWithWindows({nullptr, &form.PlotWindow(), nullptr}, "", script).result, "1");
    QApplication::processEvents();
    form.DrainCalls();
    TFuncGraphicPanel* page = form.PageOf(0);
    ASSERT_TRUE(page && page->Panel());
    page->resize(width, height);
    page->grab(); // lays the panel out in its font
    const int title = page->Drawing().Layout().textHeight;
    ASSERT_GT(title, 5);
    page->resize(width, height - title);
    const QImage window = page->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(window.size(), QSize(width, height - title));

    const int differing = CountDiffering(runner.copy(0, title, width, height - title), window);
    std::cout << "runner and window differ in " << differing << " of " << window.width() * window.height()
              << " pixels\n";
    EXPECT_LE(differing, window.width() * window.height() / 1000);
    EXPECT_GT(CountDark(runner.copy(0, 0, width, title)), 20); // the title
}

TEST(RunnerPicture, IsThePlotWindowsPanelBelowItsTitle) {
    // The y labels take the exponent form, with superscripts in the small font.
    ExpectRunnerPictureIsWindowPanel("plot(0;0;x;1e5*sin(x);0;6.28;300), plot(0;1;x;5e4*cos(2*x);0;6.28;40), "
                                     "plotcurveparms(0;1;0;1;4), plotaxis(0;'t / s';'U / V'), plottitle(0;'Waves')");
}

// A Bode plot: logarithmic axes with decade labels, and a legend of two named curves.
TEST(RunnerPicture, DrawsLogAxesAndTheLegendAsTheWindowDoes) {
    ExpectRunnerPictureIsWindowPanel(
        "for(i=0;i<200;i+=1; f[i]=10^(i/40), g[i]=1/sqrt(1+(f[i]/100)^2), h[i]=1/sqrt(1+(f[i]/1000)^4)), "
        "plotxy(0;0;f[];g[]), plotxy(0;1;f[];h[]), plotlog(0;1;1), plotcurvename(0;0;'RC, 100 Hz'), "
        "plotcurvename(0;1;'2nd order, 1 kHz'), plotaxis(0;'f / Hz';'|H|'), plottitle(0;'Bode')");
}

} // namespace
