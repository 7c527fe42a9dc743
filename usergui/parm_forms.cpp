// The parameter dialogs: their fields, and the fall-back of each number that does not parse.
#include "usergui/parm_forms.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "windows/cp1252.h"

namespace NuvixUserGui {

using namespace NuvixParser;
using NuvixWindows::FromCp1252;
using NuvixWindows::ToCp1252;

namespace {

const QStringList kAlignments{QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right")};
const QStringList kOrientations{QStringLiteral("Vertical"), QStringLiteral("Horizontal")};

bool FieldInteger(const QLineEdit* edit, std::int64_t& value) {
    return ParseFileInteger(ToCp1252(edit->text().trimmed()), value);
}

} // namespace

std::string FieldText(const QLineEdit* edit) {
    return ToCp1252(edit->text());
}

bool FieldNumber(const QLineEdit* edit, std::int32_t& value) {
    std::int64_t v = 0;
    if (!FieldInteger(edit, v) || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

TParmForm::TParmForm(TEditObject& object, const QString& caption, QWidget* owner)
    : QDialog(owner), object_(object) {
    setWindowTitle(caption);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    fields_ = new QFormLayout;
    layout->addLayout(fields_);
    edtId = AddNumber(QStringLiteral("ID:"), QStringLiteral("edtId"), object.id);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOk"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

QLineEdit* TParmForm::AddText(const QString& label, const QString& name, const std::string& text) {
    auto* edit = new QLineEdit(FromCp1252(text), this);
    edit->setObjectName(name);
    fields_->addRow(label, edit);
    return edit;
}

QLineEdit* TParmForm::AddNumber(const QString& label, const QString& name, std::int64_t value) {
    auto* edit = new QLineEdit(QString::number(value), this);
    edit->setObjectName(name);
    fields_->addRow(label, edit);
    return edit;
}

QComboBox* TParmForm::AddChoice(const QString& label, const QString& name, const QStringList& items, int index) {
    auto* choice = new QComboBox(this);
    choice->setObjectName(name);
    choice->addItems(items);
    choice->setCurrentIndex(index >= 0 && index < items.size() ? index : 0);
    fields_->addRow(label, choice);
    return choice;
}

// Any 64-bit number keeps its low 32 bits, so -1 becomes 4294967295 as a GUI file
// would store it.
std::uint32_t TParmForm::IdField() const {
    std::int64_t v = 0;
    return FieldInteger(edtId, v) ? static_cast<std::uint32_t>(v) : 0;
}

// A minimised dialog is hidden by the system, not by the user: nothing is taken over then.
void TParmForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous()) return;
    WriteBack();
    if (applied) applied();
}

TLabelParmForm::TLabelParmForm(TLabelObject& object, QWidget* owner)
    : TParmForm(object, QStringLiteral("Label Parameters"), owner), label_(object) {
    edtText = AddText(QStringLiteral("Text:"), QStringLiteral("edtText"), object.text);
    cbAlignment = AddChoice(QStringLiteral("Alignment:"), QStringLiteral("cbAlignment"), kAlignments, object.alignment);
}

void TLabelParmForm::WriteBack() {
    label_.id = IdField();
    label_.text = FieldText(edtText);
    label_.alignment = cbAlignment->currentIndex();
}

TDisplayParmForm::TDisplayParmForm(TDisplayObject& object, QWidget* owner)
    : TParmForm(object, QStringLiteral("Display Parameters"), owner), display_(object) {
    edtText = AddText(QStringLiteral("Text:"), QStringLiteral("edtText"), object.text);
    edtFontSize = AddNumber(QStringLiteral("Font Size:"), QStringLiteral("edtFontSize"), object.fontSize);
    cbAlignment = AddChoice(QStringLiteral("Alignment:"), QStringLiteral("cbAlignment"), kAlignments, object.alignment);
}

void TDisplayParmForm::WriteBack() {
    display_.id = IdField();
    display_.text = FieldText(edtText);
    FieldNumber(edtFontSize, display_.fontSize);
    display_.alignment = cbAlignment->currentIndex();
}

TScrollbarParmForm::TScrollbarParmForm(TScrollbarObject& object, QWidget* owner)
    : TParmForm(object, QStringLiteral("Scrollbar Properties"), owner), bar_(object) {
    cbOrientation =
        AddChoice(QStringLiteral("Orientation:"), QStringLiteral("cbOrientation"), kOrientations, object.orientation);
    edtMinimum = AddNumber(QStringLiteral("Minimum:"), QStringLiteral("edtMinimum"), object.minimum);
    edtMaximum = AddNumber(QStringLiteral("Maximum:"), QStringLiteral("edtMaximum"), object.maximum);
    edtValue = AddNumber(QStringLiteral("Value:"), QStringLiteral("edtValue"), object.value);
    edtLineSize = AddNumber(QStringLiteral("Line Size:"), QStringLiteral("edtLineSize"), object.lineSize);
    edtPageSize = AddNumber(QStringLiteral("Page Size:"), QStringLiteral("edtPageSize"), object.pageSize);
}

void TScrollbarParmForm::WriteBack() {
    std::int64_t id = 0;
    if (FieldInteger(edtId, id)) bar_.id = static_cast<std::uint32_t>(id);
    bar_.orientation = cbOrientation->currentIndex();
    FieldNumber(edtMinimum, bar_.minimum);
    FieldNumber(edtMaximum, bar_.maximum);
    FieldNumber(edtValue, bar_.value);
    FieldNumber(edtLineSize, bar_.lineSize);
    FieldNumber(edtPageSize, bar_.pageSize);
}

TEditParmForm::TEditParmForm(TEditControlObject& object, QWidget* owner)
    : TParmForm(object, QStringLiteral("Edit Parameters"), owner), edit_(object) {
    edtText = AddText(QStringLiteral("Text:"), QStringLiteral("edtText"), object.text);
    cbAlignment = AddChoice(QStringLiteral("Alignment:"), QStringLiteral("cbAlignment"), kAlignments, object.alignment);
}

void TEditParmForm::WriteBack() {
    edit_.id = IdField();
    edit_.text = FieldText(edtText);
    edit_.alignment = cbAlignment->currentIndex();
}

TButtonParmForm::TButtonParmForm(TEditObject& object, std::string& label, const QString& caption, QWidget* owner)
    : TParmForm(object, caption, owner), label_(label) {
    edtLabel = AddText(QStringLiteral("Label:"), QStringLiteral("edtLabel"), label);
}

void TButtonParmForm::WriteBack() {
    Object().id = IdField();
    label_ = FieldText(edtLabel);
}

TParmForm* OpenParameterDialog(TEditObject& object, QWidget* owner, QPoint at) {
    TParmForm* dialog = nullptr;
    switch (object.TypeId()) {
    case 0:
        dialog = new TLabelParmForm(static_cast<TLabelObject&>(object), owner);
        break;
    case 1:
        dialog = new TDisplayParmForm(static_cast<TDisplayObject&>(object), owner);
        break;
    case 2:
        dialog = new TScrollbarParmForm(static_cast<TScrollbarObject&>(object), owner);
        break;
    case 3:
        dialog = new TEditParmForm(static_cast<TEditControlObject&>(object), owner);
        break;
    case 4:
        dialog = new TButtonParmForm(object, static_cast<TButtonObject&>(object).text,
                                     QStringLiteral("Button Parameters"), owner);
        break;
    default:
        dialog = new TButtonParmForm(object, static_cast<TCheckboxObject&>(object).text,
                                     QStringLiteral("Checkbox Parameters"), owner);
        break;
    }
    dialog->move(at);
    dialog->show();
    // Opened by a double click in the editor, it takes the keyboard from there.
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

} // namespace NuvixUserGui
