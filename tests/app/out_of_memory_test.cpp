// Memory running out while a script is read or compiled: a message, and the window goes on.
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "app/edit_panel.h"
#include "app/main_form.h"
#include "engine/function.h"
#include "engine/function_registry.h"
#include "engine/out_of_memory.h"
#include "instruments/calculator.h"

namespace {

using NuvixApp::TMainForm;
using namespace NuvixParser;

// A function whose call cannot be compiled: memory runs out the moment the parser has
// read its arguments (its help, which makes the node, still works).
class TNoMemoryLeft final : public TFunction {
public:
    int ArgumentCount() const override { return 0; }
    bool CheckArguments() override { throw std::bad_alloc(); }
};

std::shared_ptr<const TFunctionRegistry> RegistryThatRunsOut() {
    auto registry = std::make_shared<TFunctionRegistry>(*CalculatorRegistry());
    registry->Register("nomemory", MakeFunction<TNoMemoryLeft>);
    return registry;
}

TEST(OutOfMemory, ACompileThatRunsOutIsReportedAndEditingGoesOn) {
    for (int tab : {0, 1}) { // the Global panel has a parser of its own
        SCOPED_TRACE(tab);
        TMainForm form(RegistryThatRunsOut());
        form.Tabs()->setCurrentIndex(tab);
        QPlainTextEdit* editor = form.Panel(tab)->MemoEdit();
        editor->setPlainText("x = 1, y = 2 * nomemory()");
        EXPECT_TRUE(form.ErrorState());
        EXPECT_EQ(form.lblError->text(), "Error");
        EXPECT_EQ(form.StatusText(1), kOutOfMemoryWhileCompiling);
        form.ShowError(); // still the same failure, not a stale syntax error
        EXPECT_TRUE(form.ErrorState());
        EXPECT_EQ(form.StatusText(1), kOutOfMemoryWhileCompiling);

        editor->setPlainText("6 * 7");
        EXPECT_FALSE(form.ErrorState());
        EXPECT_EQ(form.lblError->text(), "Ok");
        EXPECT_EQ(form.StatusText(1), "");
    }
    TMainForm form(RegistryThatRunsOut());
    form.Panel(1)->MemoEdit()->setPlainText("nomemory()");
    EXPECT_FALSE(form.actionStart->isEnabled());
}

TEST(OutOfMemory, AFileTooLargeToReadLeavesTheDocumentAlone) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer ends the program on an allocation this large instead of failing it";
#endif
    QTemporaryDir dir;
    // A file of a terabyte that takes no disk: reading it cannot find the memory.
    const QString path = dir.filePath("huge.zma");
    QFile huge(path);
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    if (!huge.resize(qint64{1} << 40)) GTEST_SKIP() << "this file system has no sparse files of 1 TB";
    huge.close();

    TMainForm form;
    QStringList told;
    form.askUser = [&](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
        told << text;
        return QMessageBox::Ok;
    };
    form.Panel(1)->MemoEdit()->setPlainText("1 + 1");
    EXPECT_FALSE(form.OpenFile(path));
    EXPECT_EQ(told, QStringList{QString(kScriptFileTooLarge) + ": " + path});
    EXPECT_EQ(form.Panel(1)->MemoEdit()->toPlainText(), "1 + 1");
    EXPECT_NE(form.windowTitle(), "The Varnex Calculator - huge.zma");
}

} // namespace
