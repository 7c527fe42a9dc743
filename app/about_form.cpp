// TAboutForm: product lines, version, notice, web link.
#include "app/about_form.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#ifndef VARNEX_VERSION
#define VARNEX_VERSION "?"
#endif

namespace NuvixApp {

QString TAboutForm::VersionLine() {
    return QString("Version ") + VARNEX_VERSION;
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Varnex Calculator");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* logo = new QLabel("<h2>Varnex</h2>", this);
    auto* product = new QLabel("<b>This is the Varnex Calculator</b>", this);
    lblVersion = new QLabel("<b>" + VersionLine() + "</b>", this);
    lblVersion->setObjectName("lblVersion");
    auto* notice =
        new QLabel("A scripting calculator for laboratory work. Free to use and to pass on.", this);
    notice->setWordWrap(true);
    auto* link = new QLabel("<a href=\"https://varnexcalc.example.org/\">varnexcalc.example.org</a>", this);
    link->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    for (QWidget* w :
         {static_cast<QWidget*>(logo), static_cast<QWidget*>(product), static_cast<QWidget*>(lblVersion),
          static_cast<QWidget*>(notice), static_cast<QWidget*>(link), static_cast<QWidget*>(buttons)})
        layout->addWidget(w);
}

} // namespace NuvixApp
