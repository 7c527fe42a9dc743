// TAboutForm: the about box: the program, its version, its licence and its web page.
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
    // The address of the project's web page, as the README names it.
    static QString ProjectPage();

    QLabel* lblIcon;
    QLabel* lblVersion;
    QLabel* lblLicence;
    QLabel* lblLink;
};

} // namespace NuvixApp
