// TEditPanel: one tab of the main window, a script editor with its result line and radix.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "engine/parser.h"
#include "engine/result_text.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace NuvixApp {

class TCodeEditor;
class TEngineText;
class TFindBar;
class TMarkHighlighter;

class TEditPanel final : public QWidget {
    Q_OBJECT
public:
    // The Global panel has no result strip.
    TEditPanel(bool withResult, QWidget* parent = nullptr);

    QPlainTextEdit* MemoEdit() const;
    TCodeEditor* Editor() const { return memoEdit_; }
    TFindBar* FindBar() const { return findBar_; }
    QWidget* ResultPanel() const { return resultPanel_; }
    QLineEdit* EdtResult() const { return edtResult_; }
    QComboBox* CbRadix() const { return cbRadix_; }
    NuvixParser::TRadix Radix() const;
    // Puts a result into the result line, its start in view (a line edit shows the end of
    // a text set into it) and the whole of it as the tooltip.
    void ShowResult(const QString& text);

    // The script as 8-bit text (Windows-1252) with LF line ends, byte for byte what the
    // editor holds (no-break spaces included), and back. SetText starts a new undo history.
    std::string Text() const;
    TEngineText EngineText() const;
    void SetText(const std::string& bytes);

    // The editor's font size in points (the result line grows with it), for every panel
    // of the window and remembered as the setting "editor/fontSize". Ctrl+wheel, Ctrl++ and
    // Ctrl+- step it; Ctrl+0 goes back to the default.
    static constexpr int kDefaultFontSize = 10;
    int FontSize() const;
    void Zoom(int steps);
    void SetFontSize(int points);

    // Ctrl+G: asks for a line number and puts the caret there.
    void GoToLineDialog();

    // Called with this panel on every text change while the notify flag is set.
    std::function<void(TEditPanel*)> changeHook;
    bool notify = true;

    // Colours the text by the parser's marks (engine byte positions of the text as it is
    // now). Colouring is presentation: no undo step, no change, selection and scroll
    // position untouched.
    void ApplyHighlighting(const std::vector<NuvixParser::TCodePosInfo>& marks);

private:
    void ApplyFontSize(int points);

    TCodeEditor* memoEdit_;
    TFindBar* findBar_;
    QWidget* resultPanel_;
    QLineEdit* edtResult_;
    QComboBox* cbRadix_;
    TMarkHighlighter* highlighter_; // a child object
};

} // namespace NuvixApp
