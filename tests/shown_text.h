// What a widget that reads mnemonics (tab, button, check box, menu item) shows of its text.
#pragma once

#include <QString>

namespace NuvixTest {

// Qt's rule: "&&" shows one '&', a single '&' marks the next character as the mnemonic and
// is not shown itself.
inline QString ShownText(const QString& text) {
    QString shown;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            shown += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
            shown += QLatin1Char('&');
            ++i;
        }
    }
    return shown;
}

} // namespace NuvixTest
