// The program's icon, the picture the desktop shows for the calculator, for its windows.
#pragma once

#include <QIcon>

namespace NuvixApp {

// Drawn from the same SVG picture that is installed for the desktop's menus.
QIcon ProgramIcon();

} // namespace NuvixApp
