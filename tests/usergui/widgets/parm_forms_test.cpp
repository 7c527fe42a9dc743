// The parameter dialogs: captions, the values they show, what they write back when hidden,
// and where a number that does not parse falls back to.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "usergui/parm_forms.h"

namespace {

using namespace NuvixParser;
using namespace NuvixUserGui;

struct TDialogCase {
    int type;
    const char* caption;
    std::uint32_t idAfterGarbage; // an id field of "x7" becomes this (the old id is 5)
};

TEST(ParmForms, CaptionsAndTheIdThatDoesNotParse) {
    const TDialogCase kCases[] = {
        {0, "Label Parameters", 0},   {1, "Display Parameters", 0}, {2, "Scrollbar Properties", 5},
        {3, "Edit Parameters", 0},    {4, "Button Parameters", 0},  {5, "Checkbox Parameters", 0},
    };
    for (const TDialogCase& c : kCases) {
        SCOPED_TRACE(c.caption);
        TEditObjectPtr object = CreatorOf(c.type)->create();
        object->id = 5;
        TParmForm* dialog = OpenParameterDialog(*object, nullptr, QPoint(30, 40));
        EXPECT_EQ(dialog->windowTitle(), c.caption);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->edtId->text(), "5");
        int applied = 0;
        dialog->applied = [&applied] { ++applied; };
        dialog->edtId->setText("x7");
        dialog->hide();
        EXPECT_EQ(object->id, c.idAfterGarbage);
        EXPECT_EQ(applied, 1);
        // Shown and hidden again: the fields are taken over each time.
        dialog->edtId->setText(" -1 ");
        dialog->show();
        dialog->hide();
        EXPECT_EQ(object->id, 4294967295u);
        delete dialog;
    }
}

TEST(ParmForms, DisplayAndScrollBarKeepWhatDoesNotParse) {
    TDisplayObject display;
    display.fontSize = 14;
    TDisplayParmForm displayDialog(display, nullptr);
    displayDialog.show();
    displayDialog.edtText->setText("0.00 V");
    displayDialog.edtFontSize->setText("big");
    displayDialog.cbAlignment->setCurrentIndex(1);
    displayDialog.hide();
    EXPECT_EQ(display.text, "0.00 V");
    EXPECT_EQ(display.fontSize, 14);
    EXPECT_EQ(display.alignment, 1);

    TScrollbarObject bar;
    TScrollbarParmForm barDialog(bar, nullptr);
    EXPECT_EQ(barDialog.edtValue->text(), "50");
    barDialog.show();
    barDialog.cbOrientation->setCurrentIndex(1);
    barDialog.edtMinimum->setText("-20");
    barDialog.edtMaximum->setText("1e3");
    barDialog.edtValue->setText("99999999999"); // beyond 32 bits
    barDialog.edtLineSize->setText("2");
    barDialog.edtPageSize->setText("");
    barDialog.hide();
    EXPECT_EQ(bar.orientation, 1);
    EXPECT_EQ(bar.minimum, -20);
    EXPECT_EQ(bar.maximum, 100);
    EXPECT_EQ(bar.value, 50);
    EXPECT_EQ(bar.lineSize, 2);
    EXPECT_EQ(bar.pageSize, 10);
}

TEST(ParmForms, CheckBoxDialogSetsItsTextOnly) {
    TCheckboxObject box;
    box.checked = true;
    TParmForm* dialog = OpenParameterDialog(box, nullptr, QPoint(0, 0));
    auto* form = qobject_cast<TButtonParmForm*>(dialog);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->edtLabel->text(), "CheckBox");
    form->edtLabel->setText(QString::fromUtf8("Pump \u00E4n"));
    dialog->hide();
    EXPECT_EQ(box.text, "Pump \xE4n"); // Windows-1252 in the object
    EXPECT_TRUE(box.checked);
    delete dialog;
}

} // namespace
