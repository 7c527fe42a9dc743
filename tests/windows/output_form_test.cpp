// TOutputForm: line placing rules, showing, clearing, the hand-over from the calculation
// thread, saving, copying, printing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <initializer_list>
#include <thread>
#include <vector>

#include "windows/output_form.h"

namespace {

using NuvixWindows::TOutputForm;

enum TCall { P, L, C }; // print, println, cleartext

// One call as the calculation thread makes it.
void Send(TOutputForm& form, TCall call, std::string_view text = {}) {
    NuvixParser::TTextOutput& output = form.TextOutput();
    switch (call) {
    case P: output.Print(text); break;
    case L: output.PrintLine(text); break;
    case C: output.Clear(); break;
    }
}

struct TStep {
    TCall id;
    const char* text = "";
};

struct TPlacingCase {
    const char* name;
    std::vector<TStep> steps;
    QStringList lines;
    bool lineEnded;
};

TEST(OutputForm, PlacesTextByTheLineEndedFlag) {
    const TPlacingCase kCases[] = {
        {"first output", {{P, "x"}}, {"x"}, false},
        {"print continues, println ends", {{P, "a"}, {L, "b"}, {P, "c"}, {P, "d"}}, {"ab", "cd"}, false},
        {"several prints then println", {{P, "a"}, {P, "b"}, {L, "c"}, {P, "d"}}, {"abc", "d"}, false},
        {"empty println adds an empty line", {{L, "a"}, {L, ""}}, {"a", ""}, true},
        {"empty println first", {{L, ""}}, {""}, true},
        {"line after an empty first line", {{L, ""}, {P, "x"}}, {"", "x"}, false},
        {"empty print still opens a line", {{P, ""}}, {""}, false},
        {"empty print continues nothing", {{L, "a"}, {P, ""}, {L, "b"}}, {"a", "b"}, true},
        {"clear after println", {{L, "a"}, {C}}, {}, true},
        {"clear after print", {{P, "a"}, {C}}, {}, false},
        {"println, clear, print", {{L, "a"}, {C}, {P, "b"}}, {"b"}, false},
        {"print, clear, print", {{P, "a"}, {C}, {P, "b"}}, {"b"}, false},
        {"clear of an empty window", {{C}}, {}, true},
        // A text with line breaks is split there.
        {"LF inside a print", {{P, "a\nb"}, {P, "c"}}, {"a", "bc"}, false},
        {"CR LF inside a println", {{L, "a\r\nb"}, {P, "c"}}, {"a", "b", "c"}, false},
        {"lone CR", {{P, "x\ry"}}, {"x", "y"}, false},
        {"print ending in LF", {{P, "a\n"}, {P, "b"}}, {"a", "b"}, false},
        {"println ending in LF", {{L, "a\n"}, {P, "b"}}, {"a", "", "b"}, false},
        {"continued line split", {{P, "a"}, {L, "b\nc"}}, {"ab", "c"}, true},
        // 8-bit text is Windows-1252.
        {"code page", {{L, "\x80 f\xFCr \xA0."}}, {QStringLiteral("\u20AC f\u00FCr \u00A0.")}, true},
    };
    for (const TPlacingCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TOutputForm form;
        EXPECT_TRUE(form.LineEnded());
        for (const TStep& s : c.steps) Send(form, s.id, s.text);
        EXPECT_EQ(form.Lines(), c.lines);
        EXPECT_EQ(form.LineEnded(), c.lineEnded);
    }
}

TEST(OutputForm, StartsHiddenWithItsLayout) {
    TOutputForm form;
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.isWindow());
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(form.windowTitle(), "Output Window");
    EXPECT_TRUE(form.Lines().isEmpty());
    const std::pair<const char*, const char*> kButtons[] = {{"btnClear", "Clear"},
                                                            {"btnSave", "Save As Text"},
                                                            {"btnCopy", "To Clipboard"},
                                                            {"btnPrint", "Print"}};
    for (const auto& [name, text] : kButtons) {
        auto* button = form.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), text);
        EXPECT_FALSE(button->icon().isNull()) << name;
    }
    auto* memo = form.findChild<QPlainTextEdit*>("memoOutput");
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(memo->isReadOnly());
}

TEST(OutputForm, ShowsOnOutputButNotOnClear) {
    TOutputForm form;
    Send(form, C);
    EXPECT_FALSE(form.isVisible()) << "a clear while hidden must not show the window";
    EXPECT_TRUE(form.Lines().isEmpty());

    Send(form, P, "x");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Lines(), QStringList{"x"});

    // Closing only hides: the text stays and the next output shows it again.
    form.close();
    EXPECT_FALSE(form.isVisible());
    Send(form, C);
    EXPECT_FALSE(form.isVisible());
    Send(form, L, "y");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Lines(), QStringList{"y"});
    form.close();
    Send(form, L, "z");
    EXPECT_EQ(form.Lines(), (QStringList{"y", "z"}));
}

// Fast output is painted in batches; the text area must not stay frozen after it.
TEST(OutputForm, RepaintsShortlyAfterOutput) {
    TOutputForm form;
    auto* memo = form.findChild<QPlainTextEdit*>("memoOutput");
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->updatesEnabled());
    for (int i = 0; i < 10; ++i) Send(form, L, "line");
    EXPECT_TRUE(QTest::qWaitFor([&] { return memo->updatesEnabled(); }, 2000));
    Send(form, C);
    EXPECT_TRUE(QTest::qWaitFor([&] { return memo->updatesEnabled(); }, 2000));
}

// What the user types is content like any other; output starts below it.
TEST(OutputForm, KeepsWhatTheUserTyped) {
    TOutputForm form;
    auto* memo = form.findChild<QPlainTextEdit*>("memoOutput");
    ASSERT_NE(memo, nullptr);
    QTest::keyClicks(memo, "typed");
    Send(form, P, "x");
    EXPECT_EQ(form.Lines(), (QStringList{"typed", "x"}));

    // An empty line made by output is forgotten once the user empties the window.
    Send(form, C);
    Send(form, L, "");
    EXPECT_EQ(form.Lines(), QStringList{""});
    memo->setPlainText(QString());
    EXPECT_TRUE(form.Lines().isEmpty());
}

// Calls made on another thread are handled on the GUI thread in call order.
TEST(OutputForm, TakesCallsFromAnotherThreadInOrder) {
    TOutputForm form;
    constexpr int kCount = 300;
    // The GUI thread runs its event loop, as in the program, until the sender is through.
    QEventLoop loop;
    std::thread sender([&] {
        for (int i = 0; i < kCount; ++i) {
            const std::string text = std::to_string(i);
            Send(form, i % 3 == 0 ? P : L, text);
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    bool timedOut = false;
    QTimer::singleShot(20000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec();
    ASSERT_FALSE(timedOut) << "the sender did not finish";
    sender.join();
    QStringList expected;
    for (int i = 0; i < kCount; i += 3)
        expected << QString::number(i) + QString::number(i + 1) << QString::number(i + 2);
    EXPECT_EQ(form.Lines(), expected);
    EXPECT_TRUE(form.LineEnded());
}

TEST(OutputForm, ClearButtonRemovesAllLines) {
    TOutputForm form;
    Send(form, L, "a");
    Send(form, P, "b");
    form.findChild<QPushButton*>("btnClear")->click();
    EXPECT_TRUE(form.Lines().isEmpty());
    EXPECT_FALSE(form.LineEnded());
    Send(form, P, "c");
    EXPECT_EQ(form.Lines(), QStringList{"c"});
}

TEST(OutputForm, CopiesTheWholeTextToTheClipboard) {
    TOutputForm form;
    Send(form, L, "first");
    Send(form, P, "second \x80");
    QApplication::clipboard()->setText("old");
    form.findChild<QPushButton*>("btnCopy")->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("first\nsecond \u20AC"));
    const auto* memo = form.findChild<QPlainTextEdit*>("memoOutput");
    EXPECT_EQ(memo->textCursor().selectedText(), QStringLiteral("first\u2029second \u20AC"))
        << "the selection stays";
}

// ---- Save As Text ------------------------------------------------------------------------

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(cannot read)");
}

TEST(OutputForm, SavesLinesWithCrLfInWindows1252) {
    struct TCase {
        const char* name;
        std::vector<TStep> steps;
        QByteArray bytes;
    };
    const TCase kCases[] = {
        {"empty window", {}, QByteArray()},
        {"one empty line", {{L, ""}}, QByteArray("\r\n")},
        {"open last line", {{L, "ab"}, {P, "c"}}, QByteArray("ab\r\nc\r\n")},
        {"ended last line", {{L, "ab"}, {L, "c"}}, QByteArray("ab\r\nc\r\n")},
        {"empty lines kept", {{L, "a"}, {L, ""}, {L, ""}}, QByteArray("a\r\n\r\n\r\n")},
        {"code page", {{L, "\x80\xFC\xA0\x81\x9D\xFF"}}, QByteArray("\x80\xFC\xA0\x81\x9D\xFF\r\n")},
        {"cleared", {{L, "gone"}, {C}}, QByteArray()},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const TCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TOutputForm form;
        for (const TStep& s : c.steps) Send(form, s.id, s.text);
        const QString path = dir.filePath("out.txt");
        QString error;
        ASSERT_TRUE(form.SaveText(path, &error)) << error.toStdString();
        EXPECT_EQ(ReadAll(path), c.bytes);
    }
    // Every byte a script can print comes back unchanged (NUL ends a payload, and line
    // breaks split lines, so those are left out).
    TOutputForm form;
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != '\n' && b != '\r') all += static_cast<char>(b);
    Send(form, L, all);
    const QString path = dir.filePath("bytes.txt");
    ASSERT_TRUE(form.SaveText(path));
    EXPECT_EQ(ReadAll(path), QByteArray::fromStdString(all + "\r\n"));
}

TEST(OutputForm, SaveReplacesAFileWholeAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("out.txt");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("a much longer old content that must disappear\r\n");
    }
    TOutputForm form;
    Send(form, L, "new");
    ASSERT_TRUE(form.SaveText(path));
    EXPECT_EQ(ReadAll(path), QByteArray("new\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

TEST(OutputForm, ReportsAFailedSave) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TOutputForm form;
    Send(form, L, "text");
    QString error;
    EXPECT_FALSE(form.SaveText(dir.filePath("no such folder/out.txt"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(form.SaveText(dir.path())) << "a folder is no file";
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(form.Lines(), QStringList{"text"}) << "the content is unchanged";
}

// ---- Print -------------------------------------------------------------------------------

// Pages of a PDF written by Qt: page objects, not the page tree node (/Type /Pages).
int PdfPageCount(const QString& path) {
    const QByteArray pdf = ReadAll(path);
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    return static_cast<int>(QString::fromLatin1(pdf).count(page));
}

struct TPdfPrinter {
    QTemporaryDir dir;
    QString path = dir.filePath("out.pdf");
    QPrinter printer{QPrinter::HighResolution};

    TPdfPrinter() {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    }
    // Lines per page by the layout rule: the page is full after line n once
    // pageHeight < n * h + 2 * t, with t = 5 * h.
    int LinesPerPage() const {
        const QFontMetrics metrics(QApplication::font(), &printer);
        const int h = metrics.height();
        const int free = printer.height() - 10 * h;
        return free < 0 ? 1 : free / h + 1;
    }
};

TOutputForm* FormWithLines(TOutputForm& form, int count) {
    for (int i = 1; i <= count; ++i) Send(form, L, "Line " + std::to_string(i));
    return &form;
}

TEST(OutputForm, PrintsToAPdfWithPagesByTheLayoutRule) {
    TPdfPrinter pdf;
    const int perPage = pdf.LinesPerPage();
    ASSERT_GT(perPage, 1);
    ASSERT_LT(perPage, 100) << "the page should hold fewer than 100 lines";
    TOutputForm form;
    FormWithLines(form, 100);
    ASSERT_TRUE(form.PrintTo(pdf.printer));
    EXPECT_EQ(pdf.printer.docName(), "Calculator output");
    const int pages = PdfPageCount(pdf.path);
    EXPECT_GT(pages, 1);
    EXPECT_EQ(pages, (100 + perPage - 1) / perPage);
}

// A full last page is not followed by a blank one.
TEST(OutputForm, PrintsNoBlankPageAfterAFullOne) {
    int perPage = 0;
    {
        TPdfPrinter probe;
        perPage = probe.LinesPerPage();
    }
    for (const auto& [lines, pages] :
         {std::pair{0, 1}, {1, 1}, {perPage, 1}, {perPage + 1, 2}, {2 * perPage, 2}}) {
        SCOPED_TRACE(testing::Message() << lines << " lines");
        TPdfPrinter pdf;
        TOutputForm form;
        FormWithLines(form, lines);
        ASSERT_TRUE(form.PrintTo(pdf.printer));
        EXPECT_EQ(PdfPageCount(pdf.path), pages);
    }
}

TEST(OutputForm, PrintTitleReachesThePdf) {
    TPdfPrinter pdf;
    TOutputForm form;
    FormWithLines(form, 1);
    ASSERT_TRUE(form.PrintTo(pdf.printer));
    // Qt writes the document title as UTF-16 with a byte-order mark.
    QByteArray title("/Title (\xFE\xFF", 10);
    for (QChar c : QStringLiteral("Calculator output"))
        title += '\0', title += static_cast<char>(c.unicode());
    title += ')';
    EXPECT_TRUE(ReadAll(pdf.path).contains(title)) << "no job title in the PDF";
}

} // namespace
