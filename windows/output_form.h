// TOutputForm: the text output window that print, println and cleartext write into.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

#include "instruments/text_output.h"

class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QTimer;

namespace NuvixWindows {

// One per process, created hidden; it shows itself when text arrives and only hides when
// closed. The content is a list of lines in the text area; the user may edit it too.
//
// Line state: LineEnded() tells whether the last output ended its line (println) or
// left it open (print). A text that itself holds line breaks (LF, CR LF or a lone CR)
// is split there: its first piece goes where the rule puts the whole text, every
// further piece starts a new line, and the flag is then set by the message alone. So
// print('a\nb') followed by print('c') gives the lines "a" and "bc".
class TOutputForm : public QWidget {
    Q_OBJECT

public:
    explicit TOutputForm(QWidget* parent = nullptr);
    ~TOutputForm() override;

    // The window as print, println and cleartext reach it from the calculation thread:
    // each call is handed to the GUI thread and returns when it was handled there.
    NuvixParser::TTextOutput& TextOutput();

    // Appends 8-bit text where the line state says, and ends the line for PrintLine; shows
    // the window. GUI thread only.
    void Print(std::string_view text) { PlaceText(text, false); }
    void PrintLine(std::string_view text) { PlaceText(text, true); }

    // The content, one entry per line. An empty window has no lines; an empty first
    // line placed by output counts as one line even though it looks the same.
    QStringList Lines() const;
    bool LineEnded() const { return lineEnded_; }

    // Removes all lines; the line state stays and the window is not shown.
    void Clear();
    // Writes every line followed by CR LF, in Windows-1252. The file is written under a
    // temporary name in the same folder and renamed over the target, so a failed write
    // leaves an existing file as it was. On failure `error` (when given) says why.
    bool SaveText(const QString& path, QString* error = nullptr);
    // Prints the lines as they are (no wrapping) with the printer's default font: left
    // margin the width of "XXXXXXX", top margin five line heights, a new page whenever the
    // next line would come closer than the top margin to the page's bottom edge. Job
    // title "Calculator output". False when the printer could not be started.
    bool PrintTo(QPrinter& printer);

private:
    class TGuiThreadOutput;
    void PlaceText(std::string_view text, bool endLine);
    void DeferRepaint();
    void SaveClicked();
    void CopyClicked();
    void PrintClicked();

    QPushButton* btnClear = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnPrint = nullptr;
    QPlainTextEdit* memoOutput = nullptr;
    std::unique_ptr<TGuiThreadOutput> textOutput_;
    QTimer* repaintTimer_ = nullptr;

    bool lineEnded_ = true; // so the first output opens a line below anything typed
    // A text area cannot tell "no lines" from "one empty line"; this marks the second case
    // when output made it. Any edit by the user clears it.
    bool oneEmptyLine_ = false;
    bool placing_ = false; // content changes made by this class, not by the user
};

} // namespace NuvixWindows
