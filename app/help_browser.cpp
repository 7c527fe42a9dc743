// THelpBrowser: list, filter, pages, history and the copy buttons of the function help.
#include "app/help_browser.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "windows/cp1252.h"

namespace NuvixApp {
namespace {

const char* const kGeneralInfo = "[General Info]";
const char* const kLinkScheme = "help";

const char* const kWelcome =
    "Welcome to the advanced calculator!\n\n"
    "Type an expression into the editor and press the large Enter key of the numeric keypad (or F2): it is "
    "calculated and its result is shown below the editor.\n\n"
    "The list above shows a short description of every function; parameters are written in <angle brackets>. "
    "\"Copy function\" puts the chosen function into the clipboard, \"Copy example\" a complete example.\n\n"
    "Hexadecimal numbers are written 0x12ab, binary numbers with the prefix 0b, as in 0b1011.\n\n"
    "The full capability of the calculator is described in the function help and in the user manual "
    "(Help menu).";

QString Html(const std::string& text) {
    return NuvixWindows::FromCp1252(text).toHtmlEscaped().replace('\n', "<br>");
}

bool IsLetter(QChar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The see-also text as it stands, its top-level names as links to their help.
QString SeeAlsoHtml(const std::string& text) {
    QString html;
    std::string name;
    int depth = 0;
    auto flush = [&] {
        if (name.empty()) return;
        const QString n = QString::fromLatin1(name);
        html += QStringLiteral("<a href=\"%1:%2\">%2</a>").arg(kLinkScheme, n.toHtmlEscaped());
        name.clear();
    };
    for (char c : text) {
        if (depth == 0 && IsNameCharacter(c)) {
            name += c;
            continue;
        }
        flush();
        if (c == '(') ++depth;
        if (c == ')') --depth;
        html += Html(std::string(1, c));
    }
    flush();
    return html;
}

} // namespace

THelpBrowser::THelpBrowser(QWidget* parent) : QWidget(parent) {
    reportInternalError = [this](const QString& text, const QString& caption) {
        QMessageBox::critical(this, caption, text);
    };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout();
    edtFilter = new QLineEdit(this);
    edtFilter->setObjectName("edtFilter");
    edtFilter->setPlaceholderText("Filter");
    edtFilter->setClearButtonEnabled(true);
    // Fixed: the clear button that appears with the first letter would otherwise widen
    // the field and push the function list aside.
    edtFilter->setFixedWidth(140);
    csFunctions = new QComboBox(this);
    csFunctions->setObjectName("csFunctions");
    csFunctions->setMaxVisibleItems(20);
    csFunctions->setMinimumContentsLength(24);
    csFunctions->setToolTip("Choose a function to display a short description for");
    btnBack = new QPushButton("Back", this);
    btnBack->setObjectName("btnBack");
    btnBack->setToolTip("Go back to the last displayed function help");
    btnInsFunc = new QPushButton("Copy function", this);
    btnInsFunc->setObjectName("btnInsFunc");
    btnInsFunc->setToolTip("Copy the function prototype to the clipboard");
    btnInsExample = new QPushButton("Copy example", this);
    btnInsExample->setObjectName("btnInsExample");
    btnInsExample->setToolTip("Copy a full example of this function to the clipboard");
    row->addWidget(edtFilter);
    row->addWidget(csFunctions, 1);
    row->addWidget(btnBack);
    row->addWidget(btnInsFunc);
    row->addWidget(btnInsExample);
    layout->addLayout(row);
    edtHelp = new QTextBrowser(this);
    edtHelp->setObjectName("edtHelp");
    edtHelp->setOpenLinks(false);
    edtHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette tip = edtHelp->palette();
    tip.setColor(QPalette::Base, QToolTipColors().first);
    tip.setColor(QPalette::Text, QToolTipColors().second);
    edtHelp->setPalette(tip);
    edtHelp->setMinimumHeight(90);
    layout->addWidget(edtHelp, 1);

    connect(csFunctions, &QComboBox::activated, this, [this](int index) {
        if (!settingList_) Select(csFunctions->itemText(index));
    });
    connect(edtFilter, &QLineEdit::textChanged, this, [this](const QString& filter) { ApplyFilter(filter); });
    connect(btnBack, &QPushButton::clicked, this, [this] { Back(); });
    connect(btnInsFunc, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(CurrentEntry());
        if (afterCopy) afterCopy();
    });
    connect(btnInsExample, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(example_);
        if (afterCopy) afterCopy();
    });
    connect(edtHelp, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        if (link.scheme() != QLatin1String(kLinkScheme)) return;
        const std::string name = link.path().toStdString();
        for (const auto& f : functions_)
            if (QString::fromStdString(f.name).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0) {
                Select(NuvixWindows::FromCp1252(f.CallForm()));
                return;
            }
    });
}

// The colours of tooltips, which the help pane takes as its own.
std::pair<QColor, QColor> THelpBrowser::QToolTipColors() {
    const QPalette p = QApplication::palette("QToolTip");
    return {p.color(QPalette::ToolTipBase), p.color(QPalette::ToolTipText)};
}

void THelpBrowser::Fill(const NuvixParser::TFunctionRegistry& registry) {
    functions_.clear();
    for (const auto& entry : registry.Entries()) {
        auto help = NuvixParser::HelpOf(registry, entry.first);
        if (!help) {
            // A registered name without a function object is a fault of the program; the
            // list then ends before it rather than showing an entry that cannot be called.
            if (reportInternalError) reportInternalError("Zero function", "Internal Error");
            break;
        }
        functions_.push_back(std::move(*help));
    }
    history_.clear();
    edtFilter->clear();
    ApplyFilter(QString());
    Select(kGeneralInfo);
    history_ = {kGeneralInfo}; // the history starts with the welcome page alone
    btnBack->setEnabled(false);
}

void THelpBrowser::ApplyFilter(const QString& filter) {
    const QString current = CurrentEntry();
    settingList_ = true;
    csFunctions->clear();
    csFunctions->addItem(kGeneralInfo);
    for (const auto& f : functions_) {
        const QString name = QString::fromStdString(f.name);
        if (filter.isEmpty() || name.contains(filter, Qt::CaseInsensitive) ||
            NuvixWindows::FromCp1252(f.description).contains(filter, Qt::CaseInsensitive))
            csFunctions->addItem(NuvixWindows::FromCp1252(f.CallForm()));
    }
    const int keep = csFunctions->findText(current);
    csFunctions->setCurrentIndex(keep >= 0 ? keep : 0);
    settingList_ = false;
}

QString THelpBrowser::CurrentEntry() const {
    return csFunctions->currentText();
}

bool THelpBrowser::Select(const QString& entry) {
    if (csFunctions->findText(entry) < 0) {
        // A function that the filter hides: the whole list again.
        const bool known = entry == kGeneralInfo || std::any_of(functions_.begin(), functions_.end(), [&](const auto& f) {
                               return NuvixWindows::FromCp1252(f.CallForm()) == entry;
                           });
        if (!known) return false;
        edtFilter->clear();
    }
    PushHistory(entry);
    Show(entry);
    return true;
}

void THelpBrowser::PushHistory(const QString& entry) {
    history_.prepend(entry);
    while (history_.size() > kHistoryLength) history_.removeLast();
}

void THelpBrowser::Back() {
    if (history_.size() < 2) return;
    history_.removeFirst();
    Show(history_.first());
}

void THelpBrowser::Show(const QString& entry) {
    settingList_ = true;
    csFunctions->setCurrentIndex(std::max(0, csFunctions->findText(entry)));
    settingList_ = false;
    btnBack->setEnabled(history_.size() >= 2);
    btnInsFunc->setEnabled(entry != kGeneralInfo);
    btnInsExample->setEnabled(false);
    // A new document for every page: clear() keeps the format at the end of the last
    // page (a see-also link), and the next plain text would be written in it.
    edtHelp->setDocument(nullptr);
    if (entry == kGeneralInfo) {
        edtHelp->setPlainText(kWelcome);
        return;
    }
    for (const auto& f : functions_) {
        if (NuvixWindows::FromCp1252(f.CallForm()) != entry) continue;
        edtHelp->setHtml(PageHtml(f));
        if (f.example) {
            example_ = NuvixWindows::FromCp1252(*f.example);
            btnInsExample->setEnabled(true);
        }
        return;
    }
}

QString THelpBrowser::PageHtml(const NuvixParser::TFunctionHelp& help) {
    QString html = "<p><b>" + Html(help.CallForm()) + "</b></p><p>" + Html(help.description) + "</p>";
    if (help.example) {
        html += "<p><i>Example:</i></p><pre>" + NuvixWindows::FromCp1252(*help.example).toHtmlEscaped() + "</pre>";
        if (help.explanation) html += "<p>" + Html(*help.explanation) + "</p>";
    }
    if (help.seeAlso) html += "<p><b>See also:</b><br>" + SeeAlsoHtml(*help.seeAlso) + "</p>";
    return html;
}

QString THelpBrowser::WordAtCaret(const QString& text, int caret) {
    caret = std::clamp(caret, 0, static_cast<int>(text.size()));
    const int start = std::max(0, caret - 20);
    const QString window = text.mid(start, 40);
    const int at = caret - start;
    int i = at - 1;
    if (i >= 0 && window[i] == '(') --i;
    while (i >= 0 && IsLetter(window[i])) --i;
    int end = i + 1;
    while (end < window.size() && IsLetter(window[end])) ++end;
    return window.mid(i + 1, end - (i + 1));
}

bool THelpBrowser::ShowHelpAt(const QString& text, int caret) {
    const QString word = WordAtCaret(text, caret);
    if (word.isEmpty()) return false;
    const QString call = word + "(";
    for (const auto& f : functions_) {
        const QString entry = NuvixWindows::FromCp1252(f.CallForm());
        if (entry.startsWith(call)) return Select(entry);
    }
    return false;
}

} // namespace NuvixApp
