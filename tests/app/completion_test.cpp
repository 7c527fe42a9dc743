// Completion in the script editor: candidates of a panel, the call at the caret, the call
// form with its current argument, and choosing a name in the popup.
#include <QAbstractItemView>
#include <QCompleter>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "app/code_editor.h"
#include "app/completion.h"
#include "app/edit_panel.h"
#include "app/main_form.h"
#include "instruments/calculator.h"

namespace {

using NuvixApp::CallAt;
using NuvixApp::CallFormHtml;
using NuvixApp::CompletionCandidates;
using NuvixApp::TCompletion;

const TCompletion* Find(const std::vector<TCompletion>& all, const QString& word) {
    for (const TCompletion& c : all)
        if (c.word == word) return &c;
    return nullptr;
}

TEST(CompletionCandidates, BuiltInsGlobalDefinesPanelDefinesAndVariables) {
    const auto registry = NuvixParser::CalculatorRegistry();
    const QString global = "define(gain(x;y);x*y), $shared = 2";
    const QString panel = "define(offset(v); v + 1),\nvolts = 3, amps[2] = 1, volts == 3, gain = 4, n += 1";
    const auto all = CompletionCandidates(registry.get(), global, panel);

    const TCompletion* sin = Find(all, "sin");
    ASSERT_NE(sin, nullptr);
    EXPECT_TRUE(sin->callForm.startsWith("sin(")) << sin->callForm.toStdString();
    const TCompletion* gain = Find(all, "gain");
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ(gain->callForm, "gain(x;y)") << "the define wins over the variable of that name";
    ASSERT_NE(Find(all, "offset"), nullptr);
    EXPECT_EQ(Find(all, "offset")->callForm, "offset(v)");
    for (const char* variable : {"volts", "amps", "n"}) {
        const TCompletion* c = Find(all, variable);
        ASSERT_NE(c, nullptr) << variable;
        EXPECT_TRUE(c->callForm.isEmpty()) << variable;
    }
    EXPECT_EQ(Find(all, "$shared"), nullptr) << "the Global panel's variables are its own";
    int volts = 0;
    for (const TCompletion& c : all) volts += c.word == "volts";
    EXPECT_EQ(volts, 1) << "each name once";
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](const TCompletion& a, const TCompletion& b) {
        return a.word.compare(b.word, Qt::CaseInsensitive) < 0;
    }));
}

struct TCallRow {
    const char* line;
    const char* name;
    int argument;
};

TEST(CompletionCallAt, FindsTheOpenCallAndCountsItsArguments) {
    const TCallRow rows[] = {
        {"sin(", "sin", 0},
        {"x = pow(2; ", "pow", 1},
        {"f(a; g(b; c); ", "f", 2},       // a closed inner call counts as one argument
        {"f(a; g(b; ", "g", 1},
        {"f(a[1; 2]; ", "f", 1},
        {"plot (1; 2", "plot", 1},         // a space before the bracket
        {"(1 + ", "", -1},                 // a bracket of an expression
        {"sin(1) + ", "", -1},
        {"a[", "", -1},
        {"", "", -1},
    };
    for (const TCallRow& row : rows) {
        const auto call = CallAt(QString::fromUtf8(row.line));
        EXPECT_EQ(call.name, QString::fromUtf8(row.name)) << row.line;
        EXPECT_EQ(call.argument, row.argument) << row.line;
    }
}

TEST(CompletionCallAt, CallFormHtmlBoldsTheArgumentAndEscapes) {
    EXPECT_EQ(CallFormHtml("f(a;b<c;d)", 1), "f(a;<b>b&lt;c</b>;d)");
    EXPECT_EQ(CallFormHtml("f(a;b)", 5), "f(a;b)") << "past the last parameter nothing is bold";
    EXPECT_EQ(CallFormHtml("f<>", 0), "f&lt;&gt;");
}

TEST(CompletionPopup, ChoosingAFunctionInsertsItsCallAndTheTooltipFollowsTheArgument) {
    NuvixApp::TMainForm form;
    form.askUser = [](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
        return QMessageBox::No;
    };
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Panel(0)->MemoEdit()->setPlainText("define(gainfactor(x;y);x*y)");
    auto* editor = form.CurrentPanel()->Editor();
    editor->setFocus();
    QTest::keyClicks(editor, "gainf");
    ASSERT_TRUE(editor->Completer()->popup()->isVisible());
    EXPECT_EQ(editor->Completer()->currentCompletion(), "gainfactor");
    QTest::keyClick(editor->Completer()->popup(), Qt::Key_Return);
    EXPECT_EQ(editor->toPlainText(), "gainfactor()");
    EXPECT_EQ(editor->textCursor().position(), 11) << "the caret in the first argument";
    EXPECT_EQ(editor->CallTip(), "gainfactor(<b>x</b>;y)");
    EXPECT_TRUE(editor->CallTipLabel()->isVisible());
    QTest::keyClicks(editor, "2; ");
    EXPECT_EQ(editor->CallTip(), "gainfactor(x;<b>y</b>)");
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, " + 1");
    EXPECT_EQ(editor->CallTip(), "") << "outside the call";
    EXPECT_FALSE(editor->CallTipLabel()->isVisible());
    editor->undo(); // " + 1"
    editor->undo(); // "2; "
    ASSERT_EQ(editor->toPlainText(), "gainfactor()");
    editor->undo();
    EXPECT_EQ(editor->toPlainText(), "gainf") << "the completion is one undo step";
}

} // namespace
