// TPlotPictures with Qt: a QGuiApplication on the offscreen platform for the fonts, and
// the plot window's image and PDF writers.
#include "cli/plot_pictures.h"

#include <QGuiApplication>
#include <cstdio>

#include "instruments/graphic_panel.h"
#include "instruments/plot_model.h"
#include "windows/plot_picture.h"

namespace NuvixCli {
namespace {

// Qt keeps references to the arguments for the application's lifetime. "-platform"
// outranks QT_QPA_PLATFORM, so a display named in the environment (or a missing one)
// makes no difference to the pictures.
int gArgc = 3;
char gName[] = "varnexcalc-cli";
char gPlatformOption[] = "-platform";
char gPlatform[] = "offscreen";
char* gArgv[] = {gName, gPlatformOption, gPlatform, nullptr};

// Qt's own complaints about the environment (no XDG_RUNTIME_DIR, say) are not the
// runner's business; only its errors reach standard error, for the rest of the run.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "varnexcalc-cli: %s\n", message.toLocal8Bit().constData());
}

class TQtPlotPictures final : public TPlotPictures {
public:
    std::string Draw(TPictureFormat format, const NuvixParser::TPlotPanel& panel, std::string_view title, int width,
                     int height) override {
        const NuvixWindows::TDrawingRoutine draw = [&](NuvixParser::TPlotCanvas& canvas, int w, int h) {
            NuvixParser::TGraphicPanel drawing;
            drawing.Paint(canvas, panel, title, w, h);
        };
        const QSize size(width, height);
        const QByteArray bytes = format == TPictureFormat::Png
                                     ? NuvixWindows::PngPicture(draw, size)
                                     : NuvixWindows::PdfPicture(draw, size, NuvixWindows::PageMillimetres(size));
        return bytes.toStdString();
    }

private:
    struct TQuiet {
        TQuiet() { qInstallMessageHandler(QtMessages); }
    } quiet_; // before the application starts
    QGuiApplication app_{gArgc, gArgv};
};

} // namespace

bool TPlotPictures::Available() {
    return true;
}

std::unique_ptr<TPlotPictures> TPlotPictures::Start() {
    return std::make_unique<TQtPlotPictures>();
}

} // namespace NuvixCli
