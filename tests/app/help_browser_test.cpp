// The function help: entries, pages, history, F1, copying, filtering, inserting GUI code.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/edit_panel.h"
#include "app/help_browser.h"
#include "app/main_form.h"
#include "engine/function.h"
#include "engine/function_help.h"
#include "engine/function_registry.h"
#include "instruments/calculator.h"

namespace {

using NuvixApp::THelpBrowser;

const QString kGeneral = "[General Info]";

struct TBrowser {
    THelpBrowser help;
    TBrowser() { help.Fill(*NuvixParser::CalculatorRegistry()); }
    // The list entry of a function name.
    QString Entry(const char* name) const {
        const auto h = NuvixParser::HelpOf(*NuvixParser::CalculatorRegistry(), name);
        return h ? QString::fromStdString(h->CallForm()) : QString();
    }
};

TEST(HelpBrowser, ListsGeneralInfoThenEveryFunctionInRegistryOrder) {
    TBrowser b;
    const auto all = NuvixParser::AllHelp(*NuvixParser::CalculatorRegistry());
    ASSERT_EQ(b.help.csFunctions->count(), static_cast<int>(all.size()) + 1);
    EXPECT_EQ(b.help.csFunctions->itemText(0), kGeneral);
    EXPECT_EQ(b.help.csFunctions->itemText(1), QString::fromStdString(all.front().CallForm()));
    EXPECT_EQ(b.help.CurrentEntry(), kGeneral);
    EXPECT_TRUE(b.help.edtHelp->toPlainText().startsWith("Welcome to the advanced calculator!"));
    EXPECT_EQ(b.help.History(), QStringList{kGeneral});
}

// A name whose factory makes no function object ends the list before it, with a message.
TEST(HelpBrowser, ARegisteredNameWithoutObjectEndsTheListWithAnInternalError) {
    const auto& full = *NuvixParser::CalculatorRegistry();
    NuvixParser::TFunctionRegistry registry;
    registry.Register("abs", *full.Lookup("abs"));
    registry.Register("mid", []() -> std::unique_ptr<NuvixParser::TFunction> { return nullptr; });
    registry.Register("sin", *full.Lookup("sin"));
    THelpBrowser help;
    QStringList reports;
    help.reportInternalError = [&](const QString& text, const QString& caption) { reports << caption + ": " + text; };
    help.Fill(registry);
    EXPECT_EQ(reports, QStringList{"Internal Error: Zero function"});
    ASSERT_EQ(help.csFunctions->count(), 2);
    EXPECT_TRUE(help.csFunctions->itemText(1).startsWith("abs("));
}

TEST(HelpBrowser, WordAtCaret) {
    const struct {
        const char* text;
        int caret;
        const char* word;
    } kCases[] = {
        {"x=sin(", 6, "sin"},       // just after the bracket
        {"x=sin(1)", 4, "sin"},     // inside the name
        {"sin", 0, "sin"},          // before it: the word that follows
        {"f(1)cos(2)", 4, "cos"},   // after ')': the word that follows the caret
        {"x = 2", 5, ""},           // no letters
        {"atan2(1)", 2, "atan"},    // letters only: up to the digit
        {"atan2(1)", 6, ""},        // the digit before the bracket ends the scan
    };
    for (const auto& c : kCases)
        EXPECT_EQ(THelpBrowser::WordAtCaret(c.text, c.caret), c.word) << c.text << " at " << c.caret;
}

TEST(HelpBrowser, BackWalksThroughTheSelectionsOfAHistoryOfFifteen) {
    TBrowser b;
    const QStringList picked = {b.Entry("sin"), b.Entry("cos"), b.Entry("str"), b.Entry("fit"), b.Entry("sort")};
    for (const QString& e : picked) ASSERT_TRUE(b.help.Select(e));
    EXPECT_TRUE(b.help.btnBack->isEnabled());
    for (int i = picked.size() - 2; i >= 0; --i) {
        b.help.btnBack->click();
        EXPECT_EQ(b.help.CurrentEntry(), picked[i]);
    }
    b.help.btnBack->click(); // back to the welcome page it started with
    EXPECT_EQ(b.help.CurrentEntry(), kGeneral);
    EXPECT_FALSE(b.help.btnBack->isEnabled());
    b.help.btnBack->click(); // nothing more to go back to
    EXPECT_EQ(b.help.CurrentEntry(), kGeneral);

    for (int i = 0; i < 16; ++i) b.help.Select(i % 2 ? b.Entry("sin") : b.Entry("cos"));
    EXPECT_EQ(b.help.History().size(), THelpBrowser::kHistoryLength);
}

TEST(HelpBrowser, CopyButtonsFollowWhatIsShown) {
    TBrowser b;
    EXPECT_FALSE(b.help.btnInsFunc->isEnabled());
    EXPECT_FALSE(b.help.btnInsExample->isEnabled());
    ASSERT_TRUE(b.help.Select(b.Entry("println")));
    EXPECT_TRUE(b.help.btnInsFunc->isEnabled());
    EXPECT_TRUE(b.help.btnInsExample->isEnabled());
    bool focused = false;
    b.help.afterCopy = [&] { focused = true; };
    b.help.btnInsFunc->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "println(s)");
    EXPECT_TRUE(focused);
    b.help.btnInsExample->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "for(i=0;i<10;i+=1;println(i^2))");

    // A function without an example: only "Copy example" goes off; the welcome page keeps
    // the last example.
    for (const auto& f : NuvixParser::AllHelp(*NuvixParser::CalculatorRegistry())) {
        if (f.example) continue;
        ASSERT_TRUE(b.help.Select(QString::fromStdString(f.CallForm())));
        EXPECT_TRUE(b.help.btnInsFunc->isEnabled());
        EXPECT_FALSE(b.help.btnInsExample->isEnabled());
        break;
    }
    b.help.Select(kGeneral);
    EXPECT_EQ(b.help.Example(), "for(i=0;i<10;i+=1;println(i^2))");
}

TEST(HelpBrowser, PagesEscapeTextsAndEndWithTheirLinkedSeeAlso) {
    TBrowser b;
    ASSERT_TRUE(b.help.Select(b.Entry("abs")));
    EXPECT_TRUE(b.help.edtHelp->toPlainText().contains("<a>")) << b.help.edtHelp->toPlainText().toStdString();
    ASSERT_TRUE(b.help.Select(b.Entry("print")));
    const QString page = b.help.edtHelp->toPlainText();
    EXPECT_TRUE(page.endsWith("println(s),cleartext()")) << page.toStdString();
    EXPECT_TRUE(page.contains("Example:"));
    // A see-also name is a link to its help, and following it counts as a selection.
    emit b.help.edtHelp->anchorClicked(QUrl("help:println"));
    EXPECT_EQ(b.help.CurrentEntry(), b.Entry("println"));
    EXPECT_EQ(b.help.History().first(), b.Entry("println"));
}

// Every page starts in a clean format: after a page that ends with a see-also link, the
// General Info page is plain text, not link text.
TEST(HelpBrowser, NoFormatOfAPageLeaksIntoTheNext) {
    TBrowser b;
    b.help.resize(700, 300);
    b.help.show();
    QTextBrowser* pane = b.help.edtHelp;
    // Where the first link of the page starts, or -1.
    auto firstLink = [&] {
        for (QTextBlock block = pane->document()->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isAnchor()) return it.fragment().position();
        return -1;
    };
    auto linkFragments = [&] {
        int links = 0;
        for (QTextBlock block = pane->document()->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (f.isAnchor() || f.fontUnderline() || f.fontWeight() > QFont::Normal) ++links;
            }
        return links;
    };
    ASSERT_TRUE(b.help.Select(b.Entry("print")));
    const int link = firstLink();
    ASSERT_GE(link, 0) << "the page of print ends with its see-also links";
    // The user clicks the link, which also puts the pane's caret into it.
    QTextCursor at(pane->document());
    at.setPosition(link + 1);
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, pane->cursorRect(at).center());
    ASSERT_EQ(b.help.CurrentEntry(), b.Entry("println")) << "the click followed the link";
    for (const QString& entry : {kGeneral, b.Entry("sin"), kGeneral}) {
        ASSERT_TRUE(b.help.Select(entry));
        if (entry == kGeneral) {
            EXPECT_EQ(linkFragments(), 0) << "General Info in link format";
        }
    }
    b.help.Back();
    b.help.Back();
    b.help.Back();
    EXPECT_EQ(b.help.CurrentEntry(), b.Entry("println"));
    b.help.Select(kGeneral);
    EXPECT_EQ(linkFragments(), 0);
}

// The filter field keeps its width when its clear button appears, so the function list
// beside it does not move.
TEST(HelpBrowser, TheFilterKeepsItsWidthWhileTyping) {
    TBrowser b;
    b.help.resize(700, 180);
    b.help.show();
    QApplication::processEvents();
    const int width = b.help.edtFilter->width();
    const int listLeft = b.help.csFunctions->x();
    QTest::keyClicks(b.help.edtFilter, "si");
    QApplication::processEvents();
    EXPECT_EQ(b.help.edtFilter->width(), width);
    EXPECT_EQ(b.help.csFunctions->x(), listLeft);
}

TEST(HelpBrowser, FilterNarrowsTheListByNameOrDescription) {
    TBrowser b;
    b.help.edtFilter->setText("SORT");
    QStringList shown;
    for (int i = 0; i < b.help.csFunctions->count(); ++i) shown << b.help.csFunctions->itemText(i);
    EXPECT_EQ(shown.first(), kGeneral);
    EXPECT_TRUE(shown.contains(b.Entry("sort")));
    EXPECT_FALSE(shown.contains(b.Entry("sin")));
    for (int i = 1; i < shown.size(); ++i) {
        const std::string name = shown[i].left(shown[i].indexOf('(')).toStdString();
        const auto h = NuvixParser::HelpOf(*NuvixParser::CalculatorRegistry(), name);
        ASSERT_TRUE(h);
        EXPECT_TRUE(QString::fromStdString(h->name + h->description).contains("sort", Qt::CaseInsensitive)) << name;
    }
    // Showing a function the filter hides brings the whole list back.
    EXPECT_TRUE(b.help.Select(b.Entry("sin")));
    EXPECT_TRUE(b.help.edtFilter->text().isEmpty());
    EXPECT_EQ(b.help.CurrentEntry(), b.Entry("sin"));
}

TEST(HelpBrowser, F1InAnEditorShowsTheHelpOfTheNameAtTheCaret) {
    NuvixApp::TMainForm form;
    form.Tabs()->setCurrentIndex(1);
    QPlainTextEdit* editor = form.Panel(1)->MemoEdit();
    editor->setPlainText("y = 2*sin(x)");
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(8); // inside "sin"
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(editor, &f1);
    EXPECT_TRUE(form.helpBrowser->CurrentEntry().startsWith("sin("));
    // The editor's selection stays.
    EXPECT_EQ(editor->textCursor().selectionStart(), 8);
    EXPECT_EQ(editor->textCursor().selectionEnd(), 10);
}

TEST(HelpBrowser, InsertGuiCodeGoesIntoTheShownPanelAsOneEdit) {
    NuvixApp::TMainForm form;
    form.Tabs()->setCurrentIndex(0);
    QPlainTextEdit* global = form.Panel(0)->MemoEdit();
    global->setPlainText("a=1, ");
    global->moveCursor(QTextCursor::End);
    form.InsertGuiCode("/tmp/panel.gui");
    EXPECT_EQ(global->toPlainText(),
              "a=1, loadgui(0;'/tmp/panel.gui'),\nwhile(waitguievent(0);\n println('GUI Event...')\n)\n");
    EXPECT_TRUE(form.Panel(1)->MemoEdit()->toPlainText().isEmpty());
    global->undo();
    EXPECT_EQ(global->toPlainText(), "a=1, ");
}

} // namespace
