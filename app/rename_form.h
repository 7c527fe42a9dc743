// TRenameForm: the dialog that renames a calculator panel.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace NuvixApp {

class TRenameForm final : public QDialog {
    Q_OBJECT
public:
    explicit TRenameForm(QWidget* parent = nullptr);
    void SetCaption(const QString& caption);
    QString NewName() const;

    QLabel* lblRename;
    QLineEdit* edtNewName;
};

} // namespace NuvixApp
