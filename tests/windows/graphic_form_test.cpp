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

#include "instruments/run_context.h"
#include "tests/shown_text.h"
#include "tests/windows/windowed_run.h"
#include "windows/clipb_form.h"
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
    QApplication::processEvents(); // posts after the last query
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

} // namespace
