// TRenameForm: "Rename Panel" dialog.
#include "app/rename_form.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace NuvixApp {

TRenameForm::TRenameForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Rename Panel");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    lblRename = new QLabel(this);
    lblRename->setObjectName("lblRename");
    edtNewName = new QLineEdit(this);
    edtNewName->setObjectName("edtNewName");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(lblRename);
    layout->addWidget(edtNewName);
    layout->addWidget(buttons);
}

void TRenameForm::SetCaption(const QString& caption) {
    lblRename->setText("Rename panel " + caption + " to:");
    edtNewName->setText(caption);
    edtNewName->selectAll();
}

QString TRenameForm::NewName() const {
    return edtNewName->text();
}

} // namespace NuvixApp
