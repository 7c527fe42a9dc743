// TAboutForm: icon, product line, version, licence and the project's web page.
#include "app/about_form.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/program_icon.h"

#ifndef VARNEX_VERSION
#define VARNEX_VERSION "?"
#endif
#ifndef VARNEX_HOMEPAGE
#define VARNEX_HOMEPAGE ""
#endif

namespace NuvixApp {

QString TAboutForm::VersionLine() {
    return QString("Version ") + VARNEX_VERSION;
}

QString TAboutForm::ProjectPage() {
    return QStringLiteral(VARNEX_HOMEPAGE);
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Varnex Calculator");
    setModal(true);
    auto* layout = new QHBoxLayout(this);
    lblIcon = new QLabel(this);
    lblIcon->setObjectName("lblIcon");
    lblIcon->setPixmap(ProgramIcon().pixmap(64, 64));
    lblIcon->setAlignment(Qt::AlignTop);
    layout->addWidget(lblIcon);

    auto* texts = new QVBoxLayout();
    auto* product = new QLabel("<b>The Varnex Calculator</b>", this);
    lblVersion = new QLabel(VersionLine(), this);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* notice = new QLabel("A scripting calculator for laboratory work.", this);
    notice->setWordWrap(true);
    lblLicence = new QLabel("Free software under the MIT licence.", this);
    lblLicence->setObjectName("lblLicence");
    lblLink = new QLabel(QString("<a href=\"%1\">%1</a>").arg(ProjectPage().toHtmlEscaped()), this);
    lblLink->setObjectName("lblLink");
    lblLink->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    for (QWidget* w : {static_cast<QWidget*>(product), static_cast<QWidget*>(lblVersion),
                       static_cast<QWidget*>(notice), static_cast<QWidget*>(lblLicence),
                       static_cast<QWidget*>(lblLink)})
        texts->addWidget(w);
    texts->addStretch(1);
    texts->addWidget(buttons);
    layout->addLayout(texts, 1);
}

} // namespace NuvixApp
