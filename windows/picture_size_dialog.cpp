// TPictureSizeDialog: asking for a picture size; recording a drawing as SVG and as an image.
#include "windows/picture_size_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "instruments/svg_canvas.h"

namespace NuvixWindows {

QSize PicturePixels(int width, int height, bool pixels, QSize screenPixels, QSize screenMillimetres) {
    if (pixels || screenMillimetres.width() <= 0 || screenMillimetres.height() <= 0) return {width, height};
    const auto w = static_cast<long long>(width) * screenPixels.width() / screenMillimetres.width();
    const auto h = static_cast<long long>(height) * screenPixels.height() / screenMillimetres.height();
    return {static_cast<int>(w), static_cast<int>(h)};
}

// Sizes of 0 or below give an empty picture of one pixel: there is nothing to draw on.
TPicture MakePicture(int width, int height, const TDrawingRoutine& draw, bool pixels) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenPixels = screen ? screen->size() : QSize(1, 1);
    const QSize screenMm = screen ? screen->physicalSize().toSize() : QSize();
    const QSize size = PicturePixels(width, height, pixels, screenPixels, screenMm).expandedTo(QSize(1, 1));

    TPicture picture;
    NuvixParser::TSvgCanvas svg;
    draw(svg, size.width(), size.height());
    picture.svg = svg.Document(size.width(), size.height());
    picture.image = PictureImage(draw, size);
    return picture;
}

void PutOnClipboard(const TPicture& picture) {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/svg+xml"), QByteArray::fromStdString(picture.svg));
    data->setImageData(picture.image);
    QApplication::clipboard()->setMimeData(data); // the clipboard takes the data
}

bool ReadSize(const QString& widthText, const QString& heightText, int& width, int& height) {
    bool okW = false, okH = false;
    const int w = widthText.trimmed().toInt(&okW);
    const int h = heightText.trimmed().toInt(&okH);
    if (!okW || !okH) return false;
    width = w;
    height = h;
    return true;
}

TPictureSizeDialog::TPictureSizeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Size setting"));
    auto* group = new QGroupBox(QStringLiteral("Target size for clipboard graphic"), this);
    edWidth = new QLineEdit(group);
    edWidth->setObjectName(QStringLiteral("edWidth"));
    edHeight = new QLineEdit(group);
    edHeight->setObjectName(QStringLiteral("edHeight"));
    px1 = new QLabel(group);
    px2 = new QLabel(group);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Width:"), group), 0, 0);
    grid->addWidget(edWidth, 0, 1);
    grid->addWidget(px1, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Height:"), group), 1, 0);
    grid->addWidget(edHeight, 1, 1);
    grid->addWidget(px2, 1, 2);
    lblResolution = new QLabel(QStringLiteral("PNG:"), group);
    cbResolution = new QComboBox(group);
    cbResolution->setObjectName(QStringLiteral("cbResolution"));
    for (int dpi : {96, 150, 300}) cbResolution->addItem(QStringLiteral("%1 dpi").arg(dpi), dpi);
    grid->addWidget(lblResolution, 2, 0);
    grid->addWidget(cbResolution, 2, 1, 1, 2);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(204, 165)));
}

bool TPictureSizeDialog::AskAndCopy(int& width, int& height, const TDrawingRoutine& draw, bool pixels) {
    if (!AskSize(width, height, pixels)) return false;
    PutOnClipboard(MakePicture(width, height, draw, pixels));
    return true;
}

bool TPictureSizeDialog::AskSize(int& width, int& height, bool pixels, int* dotsPerInch) {
    lblResolution->setVisible(dotsPerInch != nullptr);
    cbResolution->setVisible(dotsPerInch != nullptr);
    if (dotsPerInch) {
        const int at = cbResolution->findData(*dotsPerInch);
        cbResolution->setCurrentIndex(at < 0 ? 0 : at);
    }
    layout()->activate();
    setFixedSize(sizeHint().expandedTo(QSize(204, 165)));
    edWidth->setText(QString::number(width));
    edHeight->setText(QString::number(height));
    const QString unit = pixels ? QStringLiteral("Pixel") : QStringLiteral("mm");
    px1->setText(unit);
    px2->setText(unit);
    for (;;) {
        if (exec() != QDialog::Accepted) return false;
        if (ReadSize(edWidth->text(), edHeight->text(), width, height)) break;
        QApplication::beep(); // and again, with the fields as the user left them
    }
    if (dotsPerInch) *dotsPerInch = cbResolution->currentData().toInt();
    return true;
}

} // namespace NuvixWindows
