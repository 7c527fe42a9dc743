// The user manual: the generated reference covers every function, the PDF has pages, Help
// finds the manual.
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/manual.h"
#include "engine/function_help.h"
#include "instruments/calculator.h"

namespace {

TEST(Manual, ReferenceHasASectionForEveryFunctionOfTheCalculator) {
    const QString md = NuvixApp::FunctionReferenceMarkdown(*NuvixParser::CalculatorRegistry());
    // The headings, with Markdown's escapes taken out again.
    QStringList headings;
    for (const QString& line : md.split('\n'))
        if (line.startsWith("## "))
            headings << line.mid(3).remove(QRegularExpression(R"(\\(?=[[:punct:]]))"));
    QStringList expected;
    for (const auto& help : NuvixParser::AllHelp(*NuvixParser::CalculatorRegistry()))
        expected << QString::fromStdString(help.CallForm());
    EXPECT_EQ(headings, expected);
    // Parameters in angle brackets stay text, not HTML.
    EXPECT_TRUE(md.contains(R"(\<a\>)"));
}

TEST(Manual, PdfHasPagesWithTheReference) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("manual.pdf");
    QString error;
    ASSERT_TRUE(NuvixApp::WriteManualPdf("# Manual\n\nText.\n\n<!-- function reference -->\n",
                                         *NuvixParser::CalculatorRegistry(), {}, pdf, &error))
        << error.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    // One page object per page: the reference of some hundred functions takes several.
    const qsizetype pages = QString::fromLatin1(bytes).count(QRegularExpression("/Type\\s*/Page[^s]"));
    EXPECT_GT(pages, 3);
    EXPECT_FALSE(NuvixApp::WriteManualPdf("# x", *NuvixParser::CalculatorRegistry(), {},
                                          dir.filePath("no/such/folder/manual.pdf"), &error));
    EXPECT_FALSE(error.isEmpty());
}

// Each picture goes where its marker is; a marker without a picture shows nothing.
TEST(Manual, PicturesReplaceTheirMarkers) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("manual.pdf");
    QImage red(64, 48, QImage::Format_RGB32), blue(32, 32, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    const QString text = "# Manual\n\n<!-- first -->\n\nText.\n\n<!-- second -->\n\n<!-- third -->\n";
    ASSERT_TRUE(NuvixApp::WriteManualPdf(
        text, NuvixParser::TFunctionRegistry(),
        {{"first", "A", red}, {"second", "B", blue}, {"third", "C", QImage()}}, pdf));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString bytes = QString::fromLatin1(file.readAll());
    EXPECT_EQ(bytes.count(QRegularExpression("/Subtype\\s*/Image")), 2);
}

TEST(Manual, HelpLooksBesideTheProgramThenInstalledThenHere) {
    const QStringList places = NuvixApp::TMainForm::ManualPlaces();
    ASSERT_EQ(places.size(), 3);
    EXPECT_TRUE(places[0].endsWith("/varnexcalc.pdf"));
    EXPECT_TRUE(places[1].endsWith("/share/doc/varnexcalc/varnexcalc.pdf"));
    EXPECT_EQ(places[2], QDir::current().filePath("varnexcalc.pdf"));
    // In the working directory when nowhere else.
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString found = NuvixApp::TMainForm::FindManual();
    QFile(dir.filePath("varnexcalc.pdf")).open(QIODevice::WriteOnly);
    const QString foundNow = NuvixApp::TMainForm::FindManual();
    QDir::setCurrent(before);
    if (!QFileInfo(places[0]).isFile() && !QFileInfo(places[1]).isFile()) {
        EXPECT_TRUE(found.isEmpty());
        EXPECT_EQ(foundNow, QDir(dir.path()).filePath("varnexcalc.pdf"));
    }
}

} // namespace
