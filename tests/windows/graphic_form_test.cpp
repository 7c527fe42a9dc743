// TGraphicForm: scripts plotting into the window from the calculation thread, the tab
// bookkeeping, Save As Text, the controls, the drawing and the mouse zoom.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QPdfWriter>
#include <QCheckBox>
#include <QClipboard>
#include <QMimeData>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QWheelEvent>
#include <iostream>

#include "instruments/run_context.h"
#include "tests/shown_text.h"
#include "tests/windows/windowed_run.h"
#include "windows/picture_size_dialog.h"
#include "windows/func_graphic_panel.h"
#include "windows/graphic_form.h"
#include "windows/painter_canvas.h"
#include "windows/plot_picture.h"

namespace {

using NuvixTest::RunWithWindows;
using NuvixWindows::TFuncGraphicPanel;
using NuvixWindows::TGraphicForm;

std::string RunScript(TGraphicForm& form, const char* script) {
    const NuvixTest::TRun run = RunWithWindows({nullptr, &form.PlotWindow(), nullptr}, "", script);
    QApplication::processEvents();
    form.DrainCalls(); // calls after the last query, waiting for the window's next frame
    return run.result;
}

QStringList Captions(const TGraphicForm& form) {
    const auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("PageControl"));
    QStringList c;
    for (int i = 0; i < tabs->count(); ++i)
        c << tabs->tabText(i) + (static_cast<TFuncGraphicPanel*>(tabs->widget(i))->Panel() ? "" : " (empty)");
    return c;
}

TEST(GraphicForm, APlotMakesTheTabsUpToItsOwnAndShowsIt) {
    TGraphicForm form;
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(RunScript(form, "plot(2;0;x;sin(x);0;6.28;100), plottitle(2;'Sine'), plottitle(7;'none'), plottabs()"), "3");
    EXPECT_EQ(Captions(form), (QStringList{"Plot 1", "Plot 2", "Sine"}));
    EXPECT_EQ(form.ActiveTab(), 2);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(form.PageOf(2)->Panel()->curves.size(), 1u);
    EXPECT_EQ(form.PageOf(2)->Panel()->curves[0]->x.size(), 100u);
}

// A title is shown as the script wrote it: its '&' is no keyboard mnemonic.
TEST(GraphicForm, ATitleWithAnAmpersandIsShownAsWritten) {
    TGraphicForm form;
    EXPECT_EQ(RunScript(form, "plot(0;0;x;x;0;1;2), plot(1;0;x;x;0;1;2), plottitle(0;'Waves & more'), plottitle(1;'R&D')"), "1");
    const auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("PageControl"));
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(NuvixTest::ShownText(tabs->tabText(0)), "Waves & more");
    EXPECT_EQ(NuvixTest::ShownText(tabs->tabText(1)), "R&D");
    for (int i = 0; i < tabs->count(); ++i) EXPECT_TRUE(QKeySequence::mnemonic(tabs->tabText(i)).isEmpty()) << i;
}

TEST(GraphicForm, QueriesMakeTabsButTitlesDoNot) {
    TGraphicForm form;
    EXPECT_EQ(RunScript(form, "plottitle(0;'x'), plottabs()"), "0");
    EXPECT_EQ(RunScript(form, "plotcurvecount(4) * 10 + plottabs()"), "5");
    EXPECT_FALSE(form.isVisible()); // only a plot shows the window
}

TEST(GraphicForm, ClearingATabKeepsEmptyPagesOnlyInTheMiddle) {
    TGraphicForm form;
    EXPECT_EQ(RunScript(form, "plot(1;0;x;x;0;1;2), plotcleartab(0), plottabs()"), "2");
    EXPECT_EQ(Captions(form), (QStringList{"Plot 1 (empty)", "Plot 2"}));
    EXPECT_EQ(RunScript(form, "plotcleartab(1), plottabs()"), "0");
    EXPECT_TRUE(Captions(form).isEmpty());
}

TEST(GraphicForm, ClosingTheWindowDiscardsEveryPlot) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;x;0;1;2), plot(1;0;x;x;0;1;2), plottitle(0;'Old')");
    ASSERT_TRUE(form.isVisible());
    form.close();
    EXPECT_TRUE(Captions(form).isEmpty());
    EXPECT_EQ(RunScript(form, "plot(0;0;x;x;0;1;2), plottabs()"), "1");
    EXPECT_EQ(Captions(form), QStringList{"Plot 1"});
    EXPECT_TRUE(form.isVisible());
}

TEST(GraphicForm, SavesTheActiveTabAsText) {
    TGraphicForm form;
    RunScript(form, "for(i=0;i<5;i+=1;y[i]=i*i), x[0]=0,x[1]=1,x[2]=2, plotxy(0;0;x[];x[]), plotxy(0;1;0;y[])");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plot.txt"));
    ASSERT_TRUE(form.SaveText(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "0\t0\t0\t0\r\n1\t1\t1\t1\r\n2\t2\t2\t4\r\n\t\t3\t9\r\n\t\t4\t16\r\n");
    QString error;
    EXPECT_FALSE(form.SaveText(dir.filePath(QStringLiteral("missing/plot.txt")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(GraphicForm, ControlsFollowTheActiveTab) {
    TGraphicForm form;
    auto* save = form.findChild<QPushButton*>(QStringLiteral("btnSave"));
    auto* erase = form.findChild<QPushButton*>(QStringLiteral("btnDelete"));
    auto* autoRange = form.findChild<QCheckBox*>(QStringLiteral("CbAutoRange"));
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(erase->isEnabled());
    RunScript(form, "plot(0;0;x;x;0;1;2), plotautoscale(0;1;0)");
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(erase->isEnabled());
    EXPECT_FALSE(autoRange->isChecked());
    // A script's setting does not count as the user's click: the flags stay as set.
    EXPECT_TRUE(form.PageOf(0)->Panel()->autoScaleX);
    EXPECT_FALSE(form.PageOf(0)->Panel()->autoScaleY);
    autoRange->click(); // the user: both axes follow the data again
    EXPECT_TRUE(form.PageOf(0)->Panel()->autoScaleY);
    erase->click();
    EXPECT_TRUE(Captions(form).isEmpty());
    EXPECT_FALSE(erase->isEnabled());
}

int CountPixels(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
    return n;
}

TEST(GraphicForm, DrawsEachCurveInItsColour) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;sin(x);0;6.28;200), plot(0;1;x;cos(x);0;6.28;200), plotcurveparms(0;1;0;1;5)");
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TFuncGraphicPanel::Render(painter, *form.PageOf(0)->Panel(), "Title", 400, 300, form.PageOf(0)->font());
    painter.end();
    EXPECT_GT(CountPixels(image, qRgb(0, 0, 255)), 300);  // curve 0, blue line
    EXPECT_GT(CountPixels(image, qRgb(255, 0, 0)), 300);  // curve 1, red dots
    EXPECT_GT(CountPixels(image, qRgb(192, 192, 192)), 500); // the grid
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

TEST(GraphicForm, ADragZoomsAndARightClickScalesAgain) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;x;0;10;100)");
    TFuncGraphicPanel* page = form.PageOf(0);
    page->resize(400, 300);
    page->grab(); // lays out and paints
    const auto& l = page->Drawing().Layout();
    const auto& p = *page->Panel();
    // Five pixels are a click, not a selection.
    SendMouse(page, QEvent::MouseButtonPress, {l.left + 10, l.top + 10}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(page, QEvent::MouseMove, {l.left + 13, l.top + 12}, Qt::NoButton, Qt::LeftButton);
    SendMouse(page, QEvent::MouseButtonRelease, {l.left + 13, l.top + 12}, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(p.autoScaleX);
    const QPoint from{(l.left + l.right) / 2, (l.top + l.bottom) / 2};
    SendMouse(page, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(page, QEvent::MouseMove, {l.right + 50, l.bottom + 50}, Qt::NoButton, Qt::LeftButton);
    SendMouse(page, QEvent::MouseButtonRelease, {l.right + 50, l.bottom + 50}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(p.autoScaleX || p.autoScaleY);
    // From the middle to the corner, clamped into the plot: roughly the upper right
    // quarter of x, the lower half of y.
    EXPECT_NEAR(p.xMin, 5, 0.3);
    EXPECT_NEAR(p.xMax, 10, 0.3);
    EXPECT_NEAR(p.yMin, 0, 0.6);
    EXPECT_NEAR(p.yMax, 5, 0.3);
    // A right click outside the plot rectangle does nothing; inside it scales again.
    SendMouse(page, QEvent::MouseButtonPress, {1, 1}, Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(p.autoScaleX);
    SendMouse(page, QEvent::MouseButtonPress, from, Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(p.autoScaleX && p.autoScaleY);
    EXPECT_NEAR(p.xMax, 9.9, 1e-9); // the last point sampled, 0.1 added 99 times
}

// Printed into a PDF file: one page with the picture box.
TEST(GraphicForm, PrintsTheActiveTab) {
    TGraphicForm form;
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("plot.pdf")));
    EXPECT_FALSE(form.PrintTo(printer)); // no plot
    RunScript(form, "plot(0;0;x;x;0;1;4)");
    ASSERT_TRUE(form.PrintTo(printer));
    EXPECT_EQ(printer.docName(), QStringLiteral("Calculator Plot"));
    QFile file(printer.outputFileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("%PDF"));
}

// 100 x 75 mm on a screen of 1280 pixels in 320 mm is 400 pixels wide.
TEST(PictureExport, ConvertsMillimetresWithTheScreenSize) {
    EXPECT_EQ(NuvixWindows::PicturePixels(100, 75, false, {1280, 1024}, {320, 256}), QSize(400, 300));
    EXPECT_EQ(NuvixWindows::PicturePixels(100, 75, true, {1280, 1024}, {320, 256}), QSize(100, 75));
    EXPECT_EQ(NuvixWindows::PicturePixels(3, 3, false, {1000, 1000}, {300, 300}), QSize(10, 10)); // truncated
}

TEST(PictureExport, TakesOnlyIntegerSizes) {
    int w = 1, h = 2;
    EXPECT_FALSE(NuvixWindows::ReadSize("abc", "75", w, h));
    EXPECT_FALSE(NuvixWindows::ReadSize("100", "7.5", w, h));
    EXPECT_EQ(std::pair(w, h), std::pair(1, 2));
    EXPECT_TRUE(NuvixWindows::ReadSize(" 100", "-3", w, h));
    EXPECT_EQ(std::pair(w, h), std::pair(100, -3));
}

TEST(PictureExport, CopiesTheActiveTabAsSvgAndImage) {
    TGraphicForm form;
    EXPECT_FALSE(form.CopyPicture());
    RunScript(form, "plot(0;0;x;x;0;1;4), plottitle(0;'Volts & Amps')");
    ASSERT_TRUE(form.CopyPicture(50, 40));
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const std::string svg = data->data(QStringLiteral("image/svg+xml")).toStdString();
    EXPECT_NE(svg.find(">Volts &amp; Amps</text>"), std::string::npos); // the caption as title
    EXPECT_NE(svg.find("rgb(0,0,255)"), std::string::npos);
    const QImage image = qvariant_cast<QImage>(data->imageData());
    EXPECT_FALSE(image.isNull());
    EXPECT_GT(CountPixels(image.convertToFormat(QImage::Format_RGB32), qRgb(0, 0, 255)), 10);
}

TEST(PictureExport, SavesPicturesByTheirExtension) {
    TGraphicForm form;
    QTemporaryDir dir;
    EXPECT_FALSE(form.SavePicture(dir.filePath(QStringLiteral("none.svg")), 100, 75));
    RunScript(form, "plot(0;0;x;x;0;1;4)");
    struct TFormat {
        const char* name;
        QByteArray start;
    };
    for (const TFormat& f : {TFormat{"p.svg", "<?xml"}, {"p.pdf", "%PDF"}, {"p.png", "\x89PNG"}, {"p.SVG", "<?xml"}}) {
        const QString path = dir.filePath(QLatin1String(f.name));
        ASSERT_TRUE(form.SavePicture(path, 100, 75)) << f.name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().startsWith(f.start)) << f.name;
    }
    QString error;
    EXPECT_FALSE(form.SavePicture(dir.filePath(QStringLiteral("missing/p.png")), 100, 75, &error));
    EXPECT_FALSE(error.isEmpty());
}

// A PDF page takes the drawing's pixels as its own, so texts measure as on an image of the
// same size (on a painter scaled onto the page's finer pixels they came out 12 times too
// large for the layout).
TEST(PictureExport, PdfTextsMeasureAsInImages) {
    struct TMeasured {
        int width = 0, height = 0, textWidth = 0, textHeight = 0;
    };
    const auto measure = [](TMeasured& m) {
        return [&m](NuvixParser::TPlotCanvas& canvas, int width, int height) {
            m = {width, height, canvas.TextWidth("Plot 1"), canvas.TextHeight("0")};
        };
    };
    TMeasured image, pdf, page;
    EXPECT_FALSE(NuvixWindows::PngPicture(measure(image), QSize(400, 300)).isEmpty());
    EXPECT_FALSE(NuvixWindows::PdfPicture(measure(pdf), QSize(400, 300), NuvixWindows::PageMillimetres({400, 300}))
                     .isEmpty());
    EXPECT_EQ(std::pair(pdf.width, pdf.height), std::pair(400, 300));
    EXPECT_GT(image.textHeight, 5);
    EXPECT_NEAR(pdf.textHeight, image.textHeight, 1);
    EXPECT_NEAR(pdf.textWidth, image.textWidth, 2);
    // A page in millimetres of the window's size dialog, filled by the pixels asked for.
    EXPECT_FALSE(NuvixWindows::PdfPicture(measure(page), QSize(378, 283), QSizeF(100, 75)).isEmpty());
    EXPECT_NEAR(page.width, 378, 1);
    EXPECT_NEAR(page.height, 283, 1);
    EXPECT_NEAR(page.textHeight, image.textHeight, 1);
}

// Printing scales a drawing laid out in screen pixels onto a device of much finer ones:
// texts must measure and draw in the drawing's pixels there too.
TEST(PictureExport, TextsKeepTheirSizeOnAScaledFineDevice) {
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter onImage(&image);
    NuvixWindows::TPainterCanvas imageCanvas(onImage, NuvixWindows::PlotFont());
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(1200);
    QPainter onPage(&writer);
    onPage.scale(12.5, 12.5);
    NuvixWindows::TPainterCanvas pageCanvas(onPage, NuvixWindows::PlotFont());
    for (auto font : {NuvixParser::TPlotFont::Normal, NuvixParser::TPlotFont::Small}) {
        imageCanvas.SetFont(font);
        pageCanvas.SetFont(font);
        EXPECT_EQ(pageCanvas.TextHeight("0"), imageCanvas.TextHeight("0"));
        EXPECT_NEAR(pageCanvas.TextWidth("1.0 \xB7" "10"), imageCanvas.TextWidth("1.0 \xB7" "10"), 1);
    }
    // The small font of exponents is the smaller one.
    imageCanvas.SetFont(NuvixParser::TPlotFont::Small);
    const int small = imageCanvas.TextHeight("0");
    imageCanvas.SetFont(NuvixParser::TPlotFont::Normal);
    EXPECT_LT(small, imageCanvas.TextHeight("0"));
}

// After Delete on one tab, and a switch to a tab that still holds curves, that tab's plot
// can be saved: the buttons follow the tab shown.
TEST(GraphicForm, ButtonsFollowTheTabShownAfterDeleteAndSwitch) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;x;0;1;4), plot(1;0;x;x;0;1;4), plot(2;0;x;x;0;1;4)");
    auto* save = form.findChild<QPushButton*>(QStringLiteral("btnSave"));
    auto* copy = form.findChild<QPushButton*>(QStringLiteral("btnCopy"));
    auto* autoRange = form.findChild<QCheckBox*>(QStringLiteral("CbAutoRange"));
    form.SetActiveTab(1);
    form.findChild<QPushButton*>(QStringLiteral("btnDelete"))->click();
    ASSERT_EQ(Captions(form), (QStringList{"Plot 1", "Plot 2 (empty)", "Plot 3"}));
    EXPECT_FALSE(save->isEnabled()); // the empty page is shown
    form.SetActiveTab(2);
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_TRUE(autoRange->isEnabled());
    form.SetActiveTab(1);
    EXPECT_FALSE(copy->isEnabled());
}

// A script's replots faster than the screen shows are drawn a few times, not once each,
// and the window ends with the last curve.
TEST(GraphicForm, ReplotsWaitingToBeDrawnFoldIntoOneRepaint) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;x;0;1;2)");
    TFuncGraphicPanel* page = form.PageOf(0);
    page->resize(400, 300);
    const auto settle = [] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 100) QApplication::processEvents();
    };
    settle();
    const int before = page->PaintCount();
    ASSERT_GT(before, 0);
    RunScript(form, "for(i=0;i<3000;i+=1; x[i]=i, y[i]=i*i, plotxy(0;0;x[];y[]), plotappend(0;1;i;-i))");
    settle();
    const int paints = page->PaintCount() - before;
    EXPECT_GT(paints, 0);
    std::cout << "3000 replots and 3000 appends painted " << paints << " times\n";
    EXPECT_LT(paints, 300);
    ASSERT_EQ(form.Model().PointCount(0, 0), 3000);
    EXPECT_EQ(form.Model().PointCount(0, 1), 3000);
    EXPECT_EQ(form.PageOf(0)->Panel()->curves[0]->y.back(), 2999.0 * 2999.0);
}

// plotappend's count holds across the calculation and window threads, also after the
// user deleted the tab, and across runs.
TEST(GraphicForm, AppendsAnswerTheCurvesPointCount) {
    TGraphicForm form;
    EXPECT_EQ(RunScript(form, "y[2]=1, plotxy(0;0;0;y[]), for(i=0;i<10;i+=1; n=plotappend(0;0;i;i)), n"), "13");
    EXPECT_EQ(RunScript(form, "plotappend(0;0;1;1)"), "14");
    form.findChild<QPushButton*>(QStringLiteral("btnDelete"))->click();
    EXPECT_EQ(RunScript(form, "plotappend(0;0;1;1) * 10 + plotappend(0;0;1;1)"), "12");
    EXPECT_EQ(RunScript(form, "plotclearcurve(0;0), plotappend(0;0;1;1)"), "1");
}

QPoint PlotPoint(const TFuncGraphicPanel* page, double x, double y) {
    return {static_cast<int>(page->Drawing().XPixelOf(x)), static_cast<int>(page->Drawing().YPixelOf(y))};
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, held, modifiers);
    QApplication::sendEvent(w, &event);
}

// The readout under the plot: the pointer's values in the axes' format; with Shift the
// nearest point, whose exact values Ctrl+C copies.
TEST(GraphicForm, ReadsValuesOffThePlotAndSnapsToPoints) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;x*x;0;11;11), plot(0;1;x;50;0;10;2), plotlog(0;0;0)");
    TFuncGraphicPanel* page = form.PageOf(0);
    page->resize(400, 300);
    page->grab();
    auto* readout = form.findChild<QLabel*>(QStringLiteral("lblReadout"));
    SendMouse(page, QEvent::MouseMove, PlotPoint(page, 5, 40), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_TRUE(readout->text().startsWith(QStringLiteral("x = 5"))) << readout->text().toStdString();
    EXPECT_TRUE(readout->text().contains(QStringLiteral("y = 4"))) << readout->text().toStdString();
    // Near (3, 9) of curve 0, with Shift: the point itself.
    SendMouse(page, QEvent::MouseMove, PlotPoint(page, 3.05, 10), Qt::NoButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(readout->text(), QStringLiteral("curve 0 [3]  x = 3  y = 9"));
    QApplication::clipboard()->setText(QStringLiteral("old"));
    EXPECT_TRUE(page->CopySnapped());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("3\t9"));
    // Near the line at 50: curve 1's first point.
    EXPECT_EQ(page->ReadoutAt(PlotPoint(page, 0.2, 52), true), QStringLiteral("curve 1 [0]  x = 0  y = 50"));
    // Outside the plot there is nothing to read, and nothing to copy.
    EXPECT_TRUE(page->ReadoutAt({1, 1}, true).isEmpty());
    EXPECT_FALSE(page->CopySnapped());
}

// On logarithmic axes the readout and the snapping use the logarithmic mapping.
TEST(GraphicForm, ReadoutFollowsLogarithmicAxes) {
    TGraphicForm form;
    RunScript(form, "for(i=0;i<7;i+=1; f[i]=10^i, g[i]=1/(1+f[i]/1000)), plotxy(0;0;f[];g[]), plotlog(0;1;1)");
    TFuncGraphicPanel* page = form.PageOf(0);
    page->resize(400, 300);
    page->grab();
    const QString text = page->ReadoutAt(PlotPoint(page, 1000, 0.5), false);
    EXPECT_TRUE(text.startsWith(QStringLiteral("x = 1000  y = 0.5"))) << text.toStdString();
    EXPECT_EQ(page->ReadoutAt(PlotPoint(page, 1100, 0.5), true), QStringLiteral("curve 0 [3]  x = 1000  y = 0.5"));
    // The toolbar's toggles show the tab's axes, and switch them.
    auto* logX = form.findChild<QCheckBox*>(QStringLiteral("CbLogX"));
    EXPECT_TRUE(logX->isChecked());
    logX->click();
    EXPECT_FALSE(page->Panel()->xLog);
    EXPECT_TRUE(page->Panel()->yLog);
}

// Middle drag (or Ctrl and left drag) pans, the wheel zooms about the pointer, and zoom
// back returns through the views one by one.
TEST(GraphicForm, PansZoomsAndStepsBack) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;x;0;10;101)");
    TFuncGraphicPanel* page = form.PageOf(0);
    page->resize(400, 300);
    page->grab();
    const auto& p = *page->Panel();
    const double width0 = p.xMax - p.xMin;
    // Drag from x = 5 to x = 6: the view moves one unit to the left.
    SendMouse(page, QEvent::MouseButtonPress, PlotPoint(page, 5, 5), Qt::MiddleButton, Qt::MiddleButton, Qt::NoModifier);
    SendMouse(page, QEvent::MouseMove, PlotPoint(page, 6, 5), Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
    SendMouse(page, QEvent::MouseButtonRelease, PlotPoint(page, 6, 5), Qt::MiddleButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(p.autoScaleX);
    EXPECT_NEAR(p.xMin, -1, 0.05);
    EXPECT_NEAR(p.xMax - p.xMin, width0, 1e-9);
    EXPECT_NEAR(p.yMin, 0, 1e-9);
    page->grab();
    // Ctrl and left drag pans too, here upward.
    SendMouse(page, QEvent::MouseButtonPress, PlotPoint(page, 4, 5), Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    SendMouse(page, QEvent::MouseMove, PlotPoint(page, 4, 3), Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    SendMouse(page, QEvent::MouseButtonRelease, PlotPoint(page, 4, 3), Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
    EXPECT_NEAR(p.yMin, 2, 0.1);
    EXPECT_NEAR(p.xMin, -1, 0.05);
    page->grab();
    // One wheel step in, about x = 4 with Shift: x only, and 4 stays where it was.
    const QPoint at = PlotPoint(page, 4, 5);
    QWheelEvent wheel(QPointF(at), page->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(page, &wheel);
    EXPECT_NEAR(p.xMax - p.xMin, 0.8 * width0, 1e-6);
    EXPECT_NEAR((4 - p.xMin) / (p.xMax - p.xMin), (4 - -1.0) / width0, 0.01);
    EXPECT_NEAR(p.yMin, 2, 0.1);
    // Back through the wheel, the second pan and the first, to autoscaling.
    EXPECT_TRUE(form.ZoomBack());
    EXPECT_NEAR(p.xMax - p.xMin, width0, 1e-9);
    EXPECT_TRUE(form.ZoomBack());
    EXPECT_NEAR(p.yMin, 0, 1e-9);
    EXPECT_TRUE(form.ZoomBack());
    EXPECT_TRUE(p.autoScaleX && p.autoScaleY);
    EXPECT_NEAR(p.xMin, 0, 1e-9);
    EXPECT_FALSE(form.ZoomBack());
}

// The legend is dragged with the left button; a drag elsewhere still zooms.
TEST(GraphicForm, TheLegendCanBeDragged) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;x;0;10;11), plotcurvename(0;0;'Ramp')");
    TFuncGraphicPanel* page = form.PageOf(0);
    page->resize(400, 300);
    page->grab();
    const auto legend = page->Drawing().Legend();
    ASSERT_EQ(legend.curves, std::vector<int>{0});
    const QPoint grip((legend.left + legend.right) / 2, (legend.top + legend.bottom) / 2);
    SendMouse(page, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    SendMouse(page, QEvent::MouseMove, grip + QPoint(-100, 80), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    SendMouse(page, QEvent::MouseButtonRelease, grip + QPoint(-100, 80), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    page->grab();
    EXPECT_EQ(page->Drawing().Legend().left, legend.left - 100);
    EXPECT_EQ(page->Drawing().Legend().top, legend.top + 80);
    EXPECT_TRUE(page->Panel()->autoScaleX); // no zoom
}

// Save As Picture: the chosen filter decides the format and adds its extension.
TEST(PictureExport, TheChosenFilterDecidesTheFormat) {
    struct TChoice {
        const char* selected;
        const char* filter;
        const char* path;
    };
    for (const TChoice& c : {TChoice{"/t/plot", "PNG images (*.png)", "/t/plot.png"},
                             TChoice{"/t/plot.png", "PNG images (*.png)", "/t/plot.png"},
                             TChoice{"/t/plot.PNG", "PNG images (*.png)", "/t/plot.PNG"},
                             TChoice{"/t/plot.svg", "PDF documents (*.pdf)", "/t/plot.svg.pdf"},
                             TChoice{"/t/v1.5", "SVG pictures (*.svg)", "/t/v1.5.svg"}})
        EXPECT_EQ(TGraphicForm::PicturePath(QLatin1String(c.selected), QLatin1String(c.filter)), QLatin1String(c.path));
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;x;0;1;4)");
    QTemporaryDir dir;
    const QString path = TGraphicForm::PicturePath(dir.filePath(QStringLiteral("plot")), "PNG images (*.png)");
    ASSERT_TRUE(form.SavePicture(path, 100, 75));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\x89PNG"));
}

// PNG pictures at 96, 150 or 300 dots per inch: the same plot, finer.
TEST(PictureExport, PngResolutionIsChosen) {
    TGraphicForm form;
    RunScript(form, "plot(0;0;x;sin(x);0;6.28;100), plottitle(0;'Sine')");
    QTemporaryDir dir;
    for (int dpi : {96, 150, 300}) {
        const QString path = dir.filePath(QStringLiteral("p%1.png").arg(dpi));
        ASSERT_TRUE(form.SavePicture(path, 100, 75, nullptr, dpi));
        const QImage image(path);
        EXPECT_EQ(image.width(), qRound(100 * dpi / 25.4)) << dpi;
        EXPECT_EQ(image.height(), qRound(75 * dpi / 25.4)) << dpi;
        EXPECT_NEAR(image.dotsPerMeterX(), dpi / 0.0254, 1) << dpi;
        // The blue line grows with the resolution, as the picture does.
        EXPECT_GT(CountPixels(image.convertToFormat(QImage::Format_RGB32), qRgb(0, 0, 255)), image.width()) << dpi;
    }
}

} // namespace
