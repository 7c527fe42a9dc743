// The parameter dialogs of the GUI editor, one per control type, opened by a double click on
// an object.
#pragma once

#include <QDialog>
#include <functional>

#include "instruments/panels/edit_object.h"

class QComboBox;
class QFormLayout;
class QLineEdit;

namespace NuvixUserGui {

// Non-modal; shows the object's values and writes them back whenever it is hidden, by "OK"
// or by closing it. A number that does not parse falls back as its type says (an id to 0,
// a scroll bar's fields and a display's font size stay as they were).
class TParmForm : public QDialog {
    Q_OBJECT
public:
    NuvixParser::TEditObject& Object() const { return object_; }
    // Runs after the fields were written back.
    std::function<void()> applied;

    QLineEdit* edtId = nullptr;

protected:
    TParmForm(NuvixParser::TEditObject& object, const QString& caption, QWidget* owner);
    QLineEdit* AddText(const QString& label, const QString& name, const std::string& text);
    QLineEdit* AddNumber(const QString& label, const QString& name, std::int64_t value);
    QComboBox* AddChoice(const QString& label, const QString& name, const QStringList& items, int index);
    // The id field's number; 0 when it does not parse.
    std::uint32_t IdField() const;
    virtual void WriteBack() = 0;
    void hideEvent(QHideEvent* event) override;

private:
    NuvixParser::TEditObject& object_;
    QFormLayout* fields_;
};

// A text field's bytes, and a number field's value (false when it does not parse as a
// 32-bit integer, leading and trailing blanks aside).
std::string FieldText(const QLineEdit* edit);
bool FieldNumber(const QLineEdit* edit, std::int32_t& value);

// "Label Parameters": ID, Text, Alignment.
class TLabelParmForm final : public TParmForm {
    Q_OBJECT
public:
    TLabelParmForm(NuvixParser::TLabelObject& object, QWidget* owner);
    QLineEdit* edtText;
    QComboBox* cbAlignment;

private:
    void WriteBack() override;
    NuvixParser::TLabelObject& label_;
};

// "Display Parameters": ID, Text, Font Size, Alignment.
class TDisplayParmForm final : public TParmForm {
    Q_OBJECT
public:
    TDisplayParmForm(NuvixParser::TDisplayObject& object, QWidget* owner);
    QLineEdit* edtText;
    QLineEdit* edtFontSize;
    QComboBox* cbAlignment;

private:
    void WriteBack() override;
    NuvixParser::TDisplayObject& display_;
};

// "Scrollbar Properties": ID, Orientation, Minimum, Maximum, Value, Line Size, Page Size.
class TScrollbarParmForm final : public TParmForm {
    Q_OBJECT
public:
    TScrollbarParmForm(NuvixParser::TScrollbarObject& object, QWidget* owner);
    QComboBox* cbOrientation;
    QLineEdit* edtMinimum;
    QLineEdit* edtMaximum;
    QLineEdit* edtValue;
    QLineEdit* edtLineSize;
    QLineEdit* edtPageSize;

private:
    void WriteBack() override;
    NuvixParser::TScrollbarObject& bar_;
};

// "Edit Parameters": ID, Text, Alignment.
class TEditParmForm final : public TParmForm {
    Q_OBJECT
public:
    TEditParmForm(NuvixParser::TEditControlObject& object, QWidget* owner);
    QLineEdit* edtText;
    QComboBox* cbAlignment;

private:
    void WriteBack() override;
    NuvixParser::TEditControlObject& edit_;
};

// "Button Parameters" and, for a check box, "Checkbox Parameters": ID, Label.
class TButtonParmForm final : public TParmForm {
    Q_OBJECT
public:
    TButtonParmForm(NuvixParser::TEditObject& object, std::string& label, const QString& caption, QWidget* owner);
    QLineEdit* edtLabel;

private:
    void WriteBack() override;
    std::string& label_;
};

// The dialog of the object's type, at screen position `at`, shown; the owner deletes it.
TParmForm* OpenParameterDialog(NuvixParser::TEditObject& object, QWidget* owner, QPoint at);

} // namespace NuvixUserGui
