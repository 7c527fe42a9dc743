// TAboutForm: the about box.
#pragma once

#include <QDialog>

class QLabel;

namespace NuvixApp {

class TAboutForm final : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
    // "Version " + the program's version.
    static QString VersionLine();

    QLabel* lblVersion;
};

} // namespace NuvixApp
