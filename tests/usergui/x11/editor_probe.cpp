// Prints where an editor window's tool buttons and drawing area lie on this display, for
// the X11 test that plays the editor with xdotool: one line "name x y" per button (its
// centre), "area x y" (the drawing area's origin), in window coordinates, and
// "display_text x y", the centre of the text field of a display's dialog in its window.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>
#include <cstdio>

#include "usergui/parm_forms.h"
#include "usergui/user_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.gui\n", argv[0]);
        return 2;
    }
    QString error;
    NuvixUserGui::TUserForm* form = NuvixUserGui::TUserForm::OpenEditor(QString::fromLocal8Bit(argv[1]), nullptr, &error);
    if (!form || !QTest::qWaitForWindowExposed(form)) return 1;
    for (QAction* action : form->findChild<QToolBar*>()->actions()) {
        QWidget* button = form->findChild<QToolBar*>()->widgetForAction(action);
        if (!button || action->text().isEmpty() || !button->isVisible()) continue;
        const QPoint centre = button->mapTo(form, button->rect().center());
        std::printf("%s %d %d\n", action->text().replace(' ', '_').toLocal8Bit().constData(), centre.x(), centre.y());
    }
    const QPoint area = form->DrawArea()->mapTo(form, QPoint(0, 0));
    std::printf("area %d %d\n", area.x(), area.y());
    delete form;

    NuvixParser::TDisplayObject display;
    NuvixUserGui::TDisplayParmForm dialog(display, nullptr);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return 1;
    const QPoint text = dialog.edtText->mapTo(&dialog, dialog.edtText->rect().center());
    std::printf("display_text %d %d\n", text.x(), text.y());
    return 0;
}
