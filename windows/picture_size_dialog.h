// TPictureSizeDialog: the "Size setting" dialog, and pictures of a drawing for the clipboard.
#pragma once

#include <QDialog>
#include <QImage>
#include <QSize>
#include <string>

#include "windows/plot_picture.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace NuvixWindows {

// One drawing in two forms: vector (SVG) for programs that take it, and a bitmap of the
// same size for those that take only images.
struct TPicture {
    std::string svg;
    QImage image;
};

// A size in millimetres (or pixels, when `pixels`) as pixels of a screen of the given
// pixel and millimetre size: multiplied first, then divided, truncating.
QSize PicturePixels(int width, int height, bool pixels, QSize screenPixels, QSize screenMillimetres);
// The picture of a drawing at a size in millimetres (or pixels), converted with the
// primary screen's size.
TPicture MakePicture(int width, int height, const TDrawingRoutine& draw, bool pixels);
// Both forms on the clipboard, as image/svg+xml and as an image.
void PutOnClipboard(const TPicture& picture);
// The two fields as integers; false when either is not one.
bool ReadSize(const QString& widthText, const QString& heightText, int& width, int& height);

class TPictureSizeDialog : public QDialog {
    Q_OBJECT

public:
    explicit TPictureSizeDialog(QWidget* parent = nullptr);

    // Asks for the size (shown from width and height, which receive the accepted size)
    // until both fields hold integers, with a beep for each refusal, then puts the picture
    // on the clipboard. False when the dialog was closed other than with OK.
    bool AskAndCopy(int& width, int& height, const TDrawingRoutine& draw, bool pixels);
    // The asking alone: false when the dialog was closed other than with OK. With
    // `dotsPerInch`, the resolution of PNG pictures is asked for too (96, 150 or 300).
    bool AskSize(int& width, int& height, bool pixels, int* dotsPerInch = nullptr);

private:
    QComboBox* cbResolution = nullptr;
    QLabel* lblResolution = nullptr;
    QLineEdit* edWidth = nullptr;
    QLineEdit* edHeight = nullptr;
    QLabel* px1 = nullptr;
    QLabel* px2 = nullptr;
};

} // namespace NuvixWindows
