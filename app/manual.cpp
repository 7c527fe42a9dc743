// The user manual: the generated function reference and the PDF.
#include "app/manual.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QUrl>

#include "engine/function_help.h"
#include "windows/cp1252.h"

namespace NuvixApp {
namespace {

const char* const kReferenceMarker = "<!-- function reference -->";
const char* const kScreenshotMarker = "<!-- main window screenshot -->";

// The manual's document: its picture is asked for when the layout needs it.
class TManualDocument final : public QTextDocument {
public:
    explicit TManualDocument(QImage picture) : picture_(std::move(picture)) {}

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::ImageResource && name == QUrl("main-window.png")) return picture_;
        return QTextDocument::loadResource(type, name);
    }

private:
    QImage picture_;
};

// Every ASCII punctuation character behind a backslash, so that "<a>" stays text and
// "p[0]*x" no emphasis; line feeds end lines within the paragraph.
QString Escaped(const std::string& text) {
    QString out;
    for (QChar c : NuvixWindows::FromCp1252(text)) {
        if (c == '\n') {
            out += "  \n";
            continue;
        }
        if (c.unicode() < 128 && (c.isPunct() || c.isSymbol())) out += '\\';
        out += c;
    }
    return out;
}

} // namespace

QString FunctionReferenceMarkdown(const NuvixParser::TFunctionRegistry& registry) {
    QString md;
    for (const NuvixParser::TFunctionHelp& help : NuvixParser::AllHelp(registry)) {
        md += "## " + Escaped(help.CallForm()) + "\n\n" + Escaped(help.description) + "\n\n";
        if (help.example) {
            md += "*Example:*\n\n```\n" + NuvixWindows::FromCp1252(*help.example) + "\n```\n\n";
            if (help.explanation) md += Escaped(*help.explanation) + "\n\n";
        }
        if (help.seeAlso) md += "**See also:** " + Escaped(*help.seeAlso) + "\n\n";
    }
    return md;
}

bool WriteManualPdf(const QString& manual, const NuvixParser::TFunctionRegistry& registry, const QImage& screenshot,
                    const QString& pdfPath, QString* error) {
    QPdfWriter writer(pdfPath);
    writer.setTitle("The Varnex Calculator — User Manual");
    writer.setCreator("The Varnex Calculator");
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter);
    writer.setResolution(300);

    // Laid out for the page itself: a document without a page size would be printed from
    // a copy, which cannot load the picture.
    // Shown 120 mm wide whatever its size in pixels (the layout counts an image's pixels at
    // 96 per inch).
    TManualDocument document(screenshot.isNull() ? QImage()
                                                 : screenshot.scaledToWidth(static_cast<int>(120 / 25.4 * 96),
                                                                            Qt::SmoothTransformation));
    document.documentLayout()->setPaintDevice(&writer);
    document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
    QFont font = document.defaultFont();
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    QString text = manual;
    text.replace(kReferenceMarker, FunctionReferenceMarkdown(registry));
    if (!screenshot.isNull())
        text.replace(kScreenshotMarker, "![The main window after a calculation](main-window.png)");
    document.setMarkdown(text);
    document.print(&writer);
    const QFileInfo written(pdfPath);
    if (!written.exists() || written.size() == 0) {
        if (error) *error = "cannot write " + pdfPath;
        return false;
    }
    return true;
}

} // namespace NuvixApp
