// THelpBrowser: the function help below the editor panels: list, page, history, copy buttons.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "engine/function_help.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace NuvixApp {

// The list holds "[General Info]" and then every registered function as its call form, in
// the registry's order; a filter narrows it to the functions whose name or description
// holds the filter text. The history remembers the last 15 entries shown by a selection
// (the user picking one, F1, a see-also link); Back walks through it.
class THelpBrowser final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHistoryLength = 15;

    explicit THelpBrowser(QWidget* parent = nullptr);

    // Lists the functions of `registry` and shows "[General Info]".
    void Fill(const NuvixParser::TFunctionRegistry& registry);

    // Shows an entry (its text, e.g. "sin(a)", or "[General Info]") as a user selection:
    // it becomes the newest in the history. False when no entry has that text.
    bool Select(const QString& entry);
    void Back();
    // F1 in an editor: the help of the function name at `caret` of `text`; false when no
    // listed function has that name.
    bool ShowHelpAt(const QString& text, int caret);
    // The function name at the caret by the help browser's rule: the letters around the
    // character before the caret (or before a '(' there).
    static QString WordAtCaret(const QString& text, int caret);

    // The page of a function: bold call form, description, the example in a fixed-pitch font
    // with its explanation, the see-also names as links. Texts are escaped, line feeds
    // become line breaks.
    static QString PageHtml(const NuvixParser::TFunctionHelp& help);

    QString CurrentEntry() const;
    QStringList History() const { return history_; }
    QString Example() const { return example_; }

    // Called after a copy button put its text on the clipboard (the editor takes the focus).
    std::function<void()> afterCopy;
    // Tells the user of an internal fault (text, caption); a message box unless replaced.
    std::function<void(const QString&, const QString&)> reportInternalError;

    QComboBox* csFunctions = nullptr;
    QLineEdit* edtFilter = nullptr;
    QTextBrowser* edtHelp = nullptr;
    QPushButton* btnBack = nullptr;
    QPushButton* btnInsFunc = nullptr;
    QPushButton* btnInsExample = nullptr;

private:
    static std::pair<QColor, QColor> QToolTipColors();
    void ApplyFilter(const QString& filter);
    void Show(const QString& entry);
    void PushHistory(const QString& entry);

    std::vector<NuvixParser::TFunctionHelp> functions_;
    QStringList history_; // newest first
    QString example_;     // of the function shown last
    bool settingList_ = false; // list changes made here, not by the user
};

} // namespace NuvixApp
