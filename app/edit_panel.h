// TEditPanel: one tab of the main window, a script editor with its result line and radix.
#pragma once

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

class TEditPanel final : public QWidget {
    Q_OBJECT
public:
    // The Global panel has no result strip.
    TEditPanel(bool withResult, QWidget* parent = nullptr);

    QPlainTextEdit* MemoEdit() const { return memoEdit_; }
    QWidget* ResultPanel() const { return resultPanel_; }
    QLineEdit* EdtResult() const { return edtResult_; }
    QComboBox* CbRadix() const { return cbRadix_; }
    NuvixParser::TRadix Radix() const;

    // The script as 8-bit text (Windows-1252) with LF line ends, and back.
    std::string Text() const;
    void SetText(const std::string& bytes);

    // Called with this panel on every text change while the notify flag is set.
    std::function<void(TEditPanel*)> changeHook;
    bool notify = true;

    // Colours the text by the parser's marks, keeping selection and scroll position; the
    // formatting does not count as a change.
    void ApplyHighlighting(const std::vector<NuvixParser::TCodePosInfo>& marks);

private:
    QPlainTextEdit* memoEdit_;
    QWidget* resultPanel_;
    QLineEdit* edtResult_;
    QComboBox* cbRadix_;
};

} // namespace NuvixApp
