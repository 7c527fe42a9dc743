// Texts of users and scripts in widgets that read '&' as a keyboard mnemonic mark.
#pragma once

#include <QString>

namespace NuvixWindows {

// Tab captions, push buttons, check boxes and menu items take "&x" as "underline x and
// make Alt+x press it", so a caption "Fit data & more" would show as "Fit data _more".
// Every text that a user or a script chose goes through MnemonicSafe on its way into such
// a widget (each '&' doubled), and through FromMnemonicSafe when it is read back.
QString MnemonicSafe(const QString& text);
QString FromMnemonicSafe(const QString& shown);

} // namespace NuvixWindows
