// The runner's picture module: Qt on its offscreen platform for the fonts, and the plot
// window's image and PDF writers. Loaded by TPlotPictures only when pictures are asked for.
#include <QGuiApplication>
#include <cstdio>

#include "cli/plot_pictures.h"
#include "windows/plot_picture.h"

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

class TQtPictureDrawer final : public NuvixCli::TPictureDrawer {
public:
    std::string Draw(NuvixCli::TPictureFormat format, int width, int height,
                     const NuvixCli::TPictureRoutine& paint) override {
        const QSize size(width, height);
        const QByteArray bytes = format == NuvixCli::TPictureFormat::Png
                                     ? NuvixWindows::PngPicture(paint, size)
                                     : NuvixWindows::PdfPicture(paint, size, NuvixWindows::PageMillimetres(size));
        return bytes.toStdString();
    }

private:
    struct TQuiet {
        TQuiet() { qInstallMessageHandler(QtMessages); }
    } quiet_; // before the application starts
    QGuiApplication app_{gArgc, gArgv};
};

} // namespace

extern "C" __attribute__((visibility("default"))) NuvixCli::TPictureDrawer* VarnexCreatePictureDrawer() {
    return new TQtPictureDrawer;
}
