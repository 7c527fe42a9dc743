// The GUI editor window played with the mouse and keys: placing, selecting, dialogs, drags,
// the Delete key, the test state, undo, saving and closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "tests/shown_text.h"
#include "usergui/live_control.h"
#include "usergui/parm_forms.h"
#include "usergui/user_form.h"

namespace {

using namespace NuvixParser;
using NuvixUserGui::TUserForm;
namespace fs = std::filesystem;
using S = TEditState;

class GuiEditor : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("varnex_editor_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (form_) {
            form_->askUser = [](auto...) { return QMessageBox::Ok; };
            delete form_;
        }
        fs::remove_all(dir_);
    }
    // An editor of the file `name` holding `contents` (none: no file yet).
    TUserForm& Open(const char* name, const char* contents = nullptr) {
        path_ = dir_ / name;
        if (contents) std::ofstream(path_, std::ios::binary) << contents;
        QString error;
        form_ = TUserForm::OpenEditor(QString::fromStdString(path_.string()), nullptr, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        form_->askUser = [this](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
            asked_ << text;
            return answer_;
        };
        form_->chooseSavePath = [this](const QString&) { return savePath_; };
        return *form_;
    }
    QWidget* Area() const { return form_->DrawArea(); }
    const TEditObjectList& Objects() const { return form_->Objects(); }
    S State() const { return form_->State(); }
    void Click(QPoint p) { QTest::mouseClick(Area(), Qt::LeftButton, {}, p); }
    void Place(int type, QPoint p) {
        form_->actionNew[type]->trigger();
        QTest::mouseMove(Area(), p);
        Click(p);
    }
    std::string FileBytes() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_, path_;
    QPointer<TUserForm> form_;
    QStringList asked_;
    QMessageBox::StandardButton answer_ = QMessageBox::Cancel;
    QString savePath_;
};

TEST_F(GuiEditor, PlacedObjectsTakeTheSmallestFreeId) {
    TUserForm& form = Open("new.gui");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QString::fromStdString("GUI Editor - " + path_.string() + "[*]"));
    EXPECT_TRUE(Objects().empty());
    for (int i = 0; i < 3; ++i) {
        form.actionNew[0]->trigger();
        EXPECT_TRUE(form.actionNew[0]->isChecked());
        EXPECT_EQ(State(), S::Placing);
        QTest::mouseMove(Area(), QPoint(10, 10 + 30 * i));
        Click(QPoint(10, 10 + 30 * i));
        EXPECT_FALSE(form.actionNew[0]->isChecked());
    }
    ASSERT_EQ(Objects().size(), 3u);
    for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(Objects()[i]->id, i + 1);
    EXPECT_EQ(Objects()[1]->rect, (TGridRect{1, 5, 21, 7}));
    EXPECT_TRUE(form.isWindowModified());
    // Select the second, delete it with the button; the next object gets its id.
    Click(QPoint(40, 42));
    EXPECT_EQ(State(), S::Selection);
    EXPECT_TRUE(form.actionDelete->isEnabled());
    form.actionDelete->trigger();
    EXPECT_FALSE(form.actionDelete->isEnabled());
    Place(5, QPoint(10, 150));
    EXPECT_EQ(Objects().back()->id, 2u);
    EXPECT_EQ(Objects().back()->TypeId(), 5);
    // A New button clicked again while down cancels placing.
    form.actionNew[2]->trigger();
    form.actionNew[2]->trigger();
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(Objects().size(), 3u);
}

TEST_F(GuiEditor, DuplicatesFollowTheLargestIdAndDropAtThePointer) {
    TUserForm& form = Open("dup.gui", "0,2,2,22,4,4,A,0\r\n0,2,10,17,14,9,B,0\r\n");
    QTest::mousePress(Area(), Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(Area(), QPoint(200, 120));
    QTest::mouseRelease(Area(), Qt::LeftButton, {}, QPoint(200, 120));
    ASSERT_EQ(State(), S::Selection);
    EXPECT_TRUE(form.actionDuplicate->isEnabled());
    form.actionDuplicate->trigger();
    ASSERT_EQ(Objects().size(), 4u);
    EXPECT_EQ(Objects()[2]->id, 10u);
    EXPECT_EQ(Objects()[3]->id, 11u);
    QTest::mouseMove(Area(), QPoint(210, 70));
    Click(QPoint(210, 70));
    EXPECT_EQ(State(), S::Selection);
    EXPECT_EQ(Objects()[2]->rect, (TGridRect{30, 10, 50, 12}));
    EXPECT_EQ(Objects()[3]->rect, (TGridRect{30, 18, 45, 22}));
}

TEST_F(GuiEditor, AClickSelectsAndADoubleClickOpensTheDialog) {
    TUserForm& form = Open("dialog.gui", "0,2,2,22,4,1,Hello,0\r\n");
    Click(QPoint(60, 20));
    EXPECT_EQ(State(), S::Selection);
    QTest::mouseDClick(Area(), Qt::LeftButton, {}, QPoint(60, 20));
    auto* dialog = qobject_cast<NuvixUserGui::TLabelParmForm*>(form.OpenDialog());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Label Parameters");
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(dialog->edtText->text(), "Hello");
    dialog->edtText->setText("Speed");
    dialog->edtId->setText("-1");
    dialog->cbAlignment->setCurrentIndex(2);
    QTest::mouseClick(dialog->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    auto& label = static_cast<const TLabelObject&>(*Objects()[0]);
    EXPECT_EQ(label.text, "Speed");
    EXPECT_EQ(label.id, 4294967295u);
    EXPECT_EQ(label.alignment, 2);
    // One step of the history; a click into the area closes a dialog, taking its fields.
    form.actionUndo->trigger();
    EXPECT_EQ(static_cast<const TLabelObject&>(*Objects()[0]).text, "Hello");
    Click(QPoint(60, 20));
    QTest::mouseDClick(Area(), Qt::LeftButton, {}, QPoint(60, 20));
    ASSERT_NE(form.OpenDialog(), nullptr);
    form.OpenDialog()->edtId->setText("x");
    Click(QPoint(300, 300));
    EXPECT_EQ(form.OpenDialog(), nullptr);
    EXPECT_EQ(Objects()[0]->id, 0u); // an id that does not parse is 0
}

// The object at pixels 14..154 x 14..28: its eight handles, its inside and beyond.
TEST_F(GuiEditor, ThePointerShowsWhatADragWouldDo) {
    Open("hover.gui", "0,2,2,22,4,1,A,0\r\n");
    const struct {
        QPoint at;
        Qt::CursorShape shape;
    } kCases[] = {
        {{14, 14}, Qt::SizeFDiagCursor}, {{84, 14}, Qt::SizeVerCursor},  {{154, 14}, Qt::SizeBDiagCursor},
        {{14, 21}, Qt::SizeHorCursor},   {{154, 21}, Qt::SizeHorCursor}, {{14, 28}, Qt::SizeBDiagCursor},
        {{84, 28}, Qt::SizeVerCursor},   {{154, 28}, Qt::SizeFDiagCursor}, {{60, 20}, Qt::SizeAllCursor},
        {{60, 40}, Qt::ArrowCursor},
    };
    for (const auto& c : kCases) {
        QTest::mouseMove(Area(), c.at);
        EXPECT_EQ(Area()->cursor().shape(), c.shape) << c.at.x() << "," << c.at.y();
    }
}

TEST_F(GuiEditor, ADragMovesFromFivePixelsInWholeCells) {
    Open("drag.gui", "0,2,2,22,4,1,A,0\r\n");
    const QPoint p(60, 20);
    QTest::mousePress(Area(), Qt::LeftButton, {}, p);
    QTest::mouseMove(Area(), p + QPoint(4, 0));
    QTest::mouseRelease(Area(), Qt::LeftButton, {}, p + QPoint(4, 0));
    EXPECT_EQ(Objects()[0]->rect, (TGridRect{2, 2, 22, 4}));
    EXPECT_EQ(State(), S::Selection); // a click
    Click(QPoint(300, 300));
    QTest::mousePress(Area(), Qt::LeftButton, {}, p);
    QTest::mouseMove(Area(), p + QPoint(5, 0));
    EXPECT_EQ(State(), S::Moving);
    EXPECT_EQ(Objects()[0]->rect, (TGridRect{2, 2, 22, 4}));
    QTest::mouseMove(Area(), p + QPoint(15, 8));
    EXPECT_EQ(Objects()[0]->rect, (TGridRect{4, 3, 24, 5}));
    QTest::mouseRelease(Area(), Qt::LeftButton, {}, p + QPoint(15, 8));
    EXPECT_EQ(State(), S::Idle);
}

TEST_F(GuiEditor, LeavingTheAreaDuringAResizeRestoresTheSize) {
    Open("resize.gui", "0,2,2,22,4,1,A,0\r\n");
    QTest::mousePress(Area(), Qt::LeftButton, {}, QPoint(154, 28)); // bottom right handle
    EXPECT_EQ(State(), S::Resizing);
    QTest::mouseMove(Area(), QPoint(7, 70));
    EXPECT_EQ(Objects()[0]->rect, (TGridRect{2, 2, 1, 10})); // past the left edge: kept so
    QTest::mouseMove(Area(), QPoint(-20, 70));
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(Objects()[0]->rect, (TGridRect{2, 2, 22, 4}));
    QTest::mouseRelease(Area(), Qt::LeftButton, {}, QPoint(-20, 70));
    EXPECT_FALSE(form_->isWindowModified());
}

// The Delete key deletes only while the editor is the active window and something is
// selected; arrows nudge the selection, with Shift they resize it.
TEST_F(GuiEditor, KeysActOnTheSelectionOfTheActiveEditor) {
    TUserForm& form = Open("keys.gui", "0,2,2,22,4,1,A,0\r\n0,2,10,17,14,2,B,0\r\n");
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(Area(), Qt::Key_Delete);
    EXPECT_EQ(Objects().size(), 2u); // nothing selected
    Click(QPoint(60, 20));
    QTest::keyClick(Area(), Qt::Key_Right);
    QTest::keyClick(Area(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Objects()[0]->rect, (TGridRect{3, 2, 23, 5}));

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::keyClick(Area(), Qt::Key_Delete);
    EXPECT_EQ(Objects().size(), 2u); // another window is active
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(Area(), Qt::Key_Delete);
    ASSERT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Objects()[0]->id, 2u);
    // Ctrl+Z brings it back, Ctrl+Y and Ctrl+Shift+Z delete it again.
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Objects().size(), 2u);
    QTest::keyClick(&form, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Objects().size(), 1u);
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Objects().size(), 1u);
}

TEST_F(GuiEditor, TestStateRunsLiveControlsWhoseChangesAreKeptAndUndone) {
    TUserForm& form = Open("test.gui", "5,2,2,17,4,5,Box,unchecked\r\n");
    form.actionTest->trigger();
    EXPECT_EQ(State(), S::Test);
    EXPECT_TRUE(form.actionTest->isChecked());
    NuvixUserGui::TLiveControl* live = form.LiveControl(*Objects()[0]);
    ASSERT_NE(live, nullptr);
    auto* box = live->findChild<QCheckBox*>();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    EXPECT_TRUE(static_cast<const TCheckboxObject&>(*Objects()[0]).checked);
    EXPECT_TRUE(form.isWindowModified());
    // Undo in the test state puts the controls back with the objects.
    form.actionUndo->trigger();
    EXPECT_EQ(State(), S::Test);
    ASSERT_NE(form.LiveControl(*Objects()[0]), nullptr);
    EXPECT_FALSE(form.LiveControl(*Objects()[0])->findChild<QCheckBox*>()->isChecked());
    form.actionRedo->trigger();
    form.actionTest->trigger();
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(form.LiveControl(*Objects()[0]), nullptr);
    form.actionSave->trigger();
    EXPECT_EQ(FileBytes(), "5,2,2,17,4,5,Box,checked\r\n");
    EXPECT_FALSE(form.isWindowModified());
}

// An edit field tried in the test state: typing alone changes nothing, its "Ok" button
// commits the text, which is then saved.
TEST_F(GuiEditor, TestStateEditFieldCommitsWithOkAndIsSaved) {
    TUserForm& form = Open("edit.gui", "3,2,2,32,5,7,abc,0\r\n");
    form.actionTest->trigger();
    NuvixUserGui::TLiveControl* live = form.LiveControl(*Objects()[0]);
    ASSERT_NE(live, nullptr);
    auto* field = live->findChild<QLineEdit*>();
    auto* ok = live->findChild<QPushButton*>();
    ASSERT_TRUE(field && ok);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "Motor");
    EXPECT_EQ(static_cast<const TEditControlObject&>(*Objects()[0]).text, "abc");
    EXPECT_FALSE(form.isWindowModified());
    ASSERT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(static_cast<const TEditControlObject&>(*Objects()[0]).text, "Motor");
    EXPECT_TRUE(form.isWindowModified());
    form.actionTest->trigger();
    form.actionSave->trigger();
    EXPECT_EQ(FileBytes(), "3,2,2,32,5,7,Motor,0\r\n");
}

// A button tried in the test state shows its text as written, '&' and all.
TEST_F(GuiEditor, TestStateShowsAButtonTextWithAnAmpersandAsWritten) {
    TUserForm& form = Open("amp.gui", "4,2,2,20,6,3,Apply & go\r\n");
    form.actionTest->trigger();
    NuvixUserGui::TLiveControl* live = form.LiveControl(*Objects()[0]);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(NuvixTest::ShownText(live->findChild<QPushButton*>()->text()), "Apply & go");
}

// Esc gives up placing a new object, as a click of another mouse button does.
TEST_F(GuiEditor, EscCancelsPlacing) {
    TUserForm& form = Open("esc.gui");
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.actionNew[0]->trigger();
    QTest::mouseMove(Area(), QPoint(30, 30));
    ASSERT_EQ(State(), S::Placing);
    QTest::keyClick(Area(), Qt::Key_Escape);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_FALSE(form.actionNew[0]->isChecked());
    Click(QPoint(30, 30));
    EXPECT_TRUE(Objects().empty()) << "the click after Esc places nothing";
}

// The drawing of an object: its caption stays inside its outline and keeps the id in view
// when the text is too long; the grid does not run through it.
TEST_F(GuiEditor, ObjectsAreDrawnWithTheirIdInsideTheirOutlineOverTheGrid) {
    const QFontMetrics metrics(QApplication::font());
    const QString longCaption = "6: Stop measurement and write the file";
    const QString fitted = TUserForm::FitCaption(longCaption, metrics, 60);
    EXPECT_TRUE(fitted.startsWith("6:")) << fitted.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(fitted), 60);
    EXPECT_EQ(TUserForm::FitCaption("1: Go", metrics, 200), "1: Go");

    // A narrow upright bar (id 3) at cells 10..12 x 2..20, and a wide button (id 6).
    TUserForm& form = Open("draw.gui", "2,10,2,12,20,3,0,100,10,1,50,0\r\n4,2,24,14,28,6,Stop measurement now\r\n");
    form.resize(400, 300);
    QApplication::processEvents();
    const QImage picture = Area()->grab().toImage();
    const QColor background = Area()->palette().color(QPalette::Window);
    auto inkIn = [&](const QRect& r) {
        int ink = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (QColor(picture.pixel(x, y)) != background && QColor(picture.pixel(x, y)) != QColor(0, 0, 255)) ++ink;
        return ink;
    };
    // Left of the bar's outline (x = 70) only the blue grid dots may be: no caption spills.
    EXPECT_EQ(inkIn(QRect(40, 14, 29, 126)), 0) << "text left of the bar";
    // Inside the objects no grid dot is drawn.
    int dots = 0;
    for (const QPoint p : {QPoint(77, 28), QPoint(77, 77), QPoint(28, 182), QPoint(49, 175), QPoint(84, 189)})
        if (QColor(picture.pixel(p)) == QColor(0, 0, 255)) ++dots;
    EXPECT_EQ(dots, 0) << "grid dots inside objects";
    // Outside them the grid is still there.
    EXPECT_EQ(QColor(picture.pixel(154, 154)), QColor(0, 0, 255));
}

// Closing writes a changed panel and leaves an unchanged file as it was.
TEST_F(GuiEditor, ClosingWritesOnlyAChangedPanel) {
    Open("same.gui", "0,2,3,22,5,1,Hi,0\n"); // not as the editor would write it
    EXPECT_TRUE(form_->close());
    EXPECT_TRUE(QTest::qWaitFor([this] { return form_.isNull(); }, 1000));
    EXPECT_EQ(FileBytes(), "0,2,3,22,5,1,Hi,0\n");

    Open("changed.gui", "0,2,3,22,5,1,Hi,0\n");
    Place(4, QPoint(14, 70));
    EXPECT_TRUE(form_->close());
    EXPECT_EQ(FileBytes(), "0,2,3,22,5,1,Hi,0\r\n4,2,10,17,14,2,Button\r\n");
    EXPECT_TRUE(asked_.isEmpty());
}

TEST_F(GuiEditor, AFailedWriteAsksAndMayGoToAnotherFile) {
    Open("gone/panel.gui"); // its folder does not exist: it cannot be written
    Place(0, QPoint(3, 3));
    form_->actionSave->trigger();
    EXPECT_EQ(asked_, QStringList{"Error writing file!"});
    // Cancel, then no file chosen: the window stays.
    asked_.clear();
    EXPECT_FALSE(form_->close());
    EXPECT_EQ(asked_, QStringList{"Cannot save file, close anyway?"});
    // Cancel, then a file chosen: written there, and closed.
    savePath_ = QString::fromStdString((dir_ / "other.gui").string());
    EXPECT_TRUE(form_->close());
    path_ = dir_ / "other.gui";
    EXPECT_EQ(FileBytes(), "0,0,0,20,2,1,\"<no text entered>\",0\r\n");
}

TEST_F(GuiEditor, OkClosesWithoutWriting) {
    Open("gone/panel.gui");
    Place(0, QPoint(3, 3));
    answer_ = QMessageBox::Ok;
    EXPECT_TRUE(form_->close());
    EXPECT_FALSE(fs::exists(path_));
}

TEST(GuiEditorOpen, AFileWithABadNumberOpensNoEditor) {
    const fs::path path = fs::temp_directory_path() /
        ("varnex_editor_bad." + std::to_string(::getpid()) + ".gui");
    std::ofstream(path, std::ios::binary) << "0,2,3,x,5,1,Hi,0\r\n";
    QString error;
    EXPECT_EQ(TUserForm::OpenEditor(QString::fromStdString(path.string()), nullptr, &error), nullptr);
    EXPECT_TRUE(error.contains("'x'"));
    fs::remove(path);
}

} // namespace
