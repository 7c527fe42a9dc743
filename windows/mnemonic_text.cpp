// Doubling and undoubling the mnemonic mark '&'.
#include "windows/mnemonic_text.h"

namespace NuvixWindows {

QString MnemonicSafe(const QString& text) {
    QString shown = text;
    return shown.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString FromMnemonicSafe(const QString& shown) {
    QString text = shown;
    return text.replace(QLatin1String("&&"), QLatin1String("&"));
}

} // namespace NuvixWindows
