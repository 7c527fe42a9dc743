// TOutputForm: placing output text, and the window's Clear, Save As Text, To Clipboard and Print.
#include "windows/output_form.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include "windows/cp1252.h"
#include "windows/tool_button.h"
#include "windows/gui_thread.h"

namespace NuvixWindows {
namespace {

constexpr int kRepaintMs = 50;

// CR LF and a lone CR become LF, which the text cursor turns into line breaks.
QString WithLfBreaks(QString text) {
    if (text.contains(QLatin1Char('\r'))) {
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    return text;
}

} // namespace

// The calculation thread's side: each call waits until the GUI thread placed the text,
// whose bytes stay valid meanwhile.
class TOutputForm::TGuiThreadOutput final : public NuvixParser::TTextOutput {
public:
    explicit TGuiThreadOutput(TOutputForm& form) : form_(form) {}
    void Print(std::string_view text) override {
        CallAndWait(&form_, [&] { form_.Print(text); });
    }
    void PrintLine(std::string_view text) override {
        CallAndWait(&form_, [&] { form_.PrintLine(text); });
    }
    void Clear() override {
        CallAndWait(&form_, [&] { form_.Clear(); });
    }

private:
    TOutputForm& form_;
};

TOutputForm::TOutputForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Output Window"));
    resize(407, 303);

    auto* toolBar = new QWidget(this);
    toolBar->setFixedHeight(33);
    auto* buttons = new QHBoxLayout(toolBar);
    buttons->setContentsMargins(5, 4, 5, 4);
    buttons->setSpacing(5);
    btnClear = MakeToolButton(toolBar, "btnClear", QStringLiteral("Clear"), QStyle::SP_DialogResetButton, 75);
    btnSave =
        MakeToolButton(toolBar, "btnSave", QStringLiteral("Save As Text"), QStyle::SP_DialogSaveButton, 102);
    btnCopy = MakeToolButton(toolBar, "btnCopy", QStringLiteral("To Clipboard"), QStyle::SP_FileIcon, 94);
    btnPrint =
        MakeToolButton(toolBar, "btnPrint", QStringLiteral("Print"), QStyle::SP_FileDialogContentsView, 94);
    for (QPushButton* b : {btnClear, btnSave, btnCopy, btnPrint}) buttons->addWidget(b);
    buttons->addStretch();

    memoOutput = new QPlainTextEdit(this);
    memoOutput->setObjectName(QStringLiteral("memoOutput"));
    memoOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoOutput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Every placed text would be an undo step: a long run would pile up memory for
    // nothing. The user's typing loses its undo with it.
    memoOutput->setUndoRedoEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(memoOutput);

    connect(btnClear, &QPushButton::clicked, this, &TOutputForm::Clear);
    connect(btnSave, &QPushButton::clicked, this, &TOutputForm::SaveClicked);
    connect(btnCopy, &QPushButton::clicked, this, &TOutputForm::CopyClicked);
    connect(btnPrint, &QPushButton::clicked, this, &TOutputForm::PrintClicked);
    connect(memoOutput->document(), &QTextDocument::contentsChanged, this, [this] {
        if (!placing_) oneEmptyLine_ = false;
    });

    repaintTimer_ = new QTimer(this);
    repaintTimer_->setSingleShot(true);
    repaintTimer_->setInterval(kRepaintMs);
    connect(repaintTimer_, &QTimer::timeout, this, [this] { memoOutput->setUpdatesEnabled(true); });

    textOutput_ = std::make_unique<TGuiThreadOutput>(*this);
}

TOutputForm::~TOutputForm() = default;

NuvixParser::TTextOutput& TOutputForm::TextOutput() {
    return *textOutput_;
}

void TOutputForm::PlaceText(std::string_view text, bool endLine) {
    QTextDocument* document = memoOutput->document();
    const QString t = WithLfBreaks(FromCp1252(text));
    placing_ = true;
    if (document->isEmpty() && !oneEmptyLine_) {
        memoOutput->appendPlainText(t); // the first line of an empty window
    } else if (!lineEnded_) {
        // The first piece continues the last line, further pieces are lines of their own.
        const qsizetype lf = t.indexOf(QLatin1Char('\n'));
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(lf < 0 ? t : t.left(lf));
        if (lf >= 0) memoOutput->appendPlainText(t.mid(lf + 1));
    } else if (oneEmptyLine_) {
        QTextCursor cursor(document); // below the one empty line, which has no block of its own
        cursor.insertBlock();
        cursor.insertText(t);
    } else {
        // Appending keeps the view at the end when it was there, as a terminal does, and
        // leaves it alone when the user scrolled up to read.
        memoOutput->appendPlainText(t);
    }
    placing_ = false;
    oneEmptyLine_ = document->isEmpty();
    lineEnded_ = endLine;
    DeferRepaint();
    if (!isVisible()) {
        show();
        memoOutput->verticalScrollBar()->setValue(memoOutput->verticalScrollBar()->maximum());
    }
}

// Painting the text area after every message would cost many times more than placing
// the text: while output streams in, the area is repainted at most every kRepaintMs.
void TOutputForm::DeferRepaint() {
    if (repaintTimer_->isActive()) return;
    memoOutput->setUpdatesEnabled(false);
    repaintTimer_->start();
}

QStringList TOutputForm::Lines() const {
    const QTextDocument* document = memoOutput->document();
    QStringList lines;
    if (document->isEmpty()) {
        if (oneEmptyLine_) lines.append(QString());
        return lines;
    }
    lines.reserve(document->blockCount());
    // Block by block: the document's plain text would turn no-break spaces into blanks.
    for (QTextBlock b = document->begin(); b.isValid(); b = b.next()) lines.append(b.text());
    return lines;
}

void TOutputForm::Clear() {
    placing_ = true;
    memoOutput->clear();
    placing_ = false;
    oneEmptyLine_ = false;
}

bool TOutputForm::SaveText(const QString& path, QString* error) {
    std::string bytes;
    for (const QString& line : Lines()) {
        bytes += ToCp1252(line);
        bytes += "\r\n";
    }
    QSaveFile file(path);
    const auto size = static_cast<qint64>(bytes.size());
    if (file.open(QIODevice::WriteOnly) && file.write(bytes.data(), size) == size && file.commit())
        return true;
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
}

bool TOutputForm::PrintTo(QPrinter& printer) {
    printer.setDocName(QStringLiteral("Calculator output"));
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QFontMetrics metrics = painter.fontMetrics();
    const int h = metrics.height();
    const int m = metrics.horizontalAdvance(QStringLiteral("XXXXXXX"));
    const int t = 5 * h;
    const int pageHeight = printer.height();
    const QStringList lines = Lines();
    int n = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // drawText takes the baseline; the line's top is at n * h + t.
        painter.drawText(m, n * h + t + metrics.ascent(), lines[i]);
        ++n;
        // The page is full once the next line would end inside the bottom margin. No new
        // page after the last line, so a full last page leaves no blank sheet behind.
        if (pageHeight < n * h + 2 * t && i + 1 < lines.size()) {
            printer.newPage();
            n = 0;
        }
    }
    return painter.end();
}

void TOutputForm::SaveClicked() {
    QFileDialog dialog(this, QStringLiteral("Save output as text file"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
    QString error;
    if (!SaveText(path, &error))
        QMessageBox::critical(this, windowTitle(), QStringLiteral("Cannot save %1:\n%2").arg(path, error));
}

void TOutputForm::CopyClicked() {
    memoOutput->selectAll();
    memoOutput->copy();
}

void TOutputForm::PrintClicked() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintTo(printer)) QMessageBox::critical(this, windowTitle(), QStringLiteral("Printing failed."));
}

} // namespace NuvixWindows
