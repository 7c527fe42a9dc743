// The user manual: the generated function reference and the PDF.
#include "app/manual.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QUrl>

#include "engine/function_help.h"
#include "windows/cp1252.h"

namespace NuvixApp {
namespace {

const char* const kReferenceMarker = "<!-- function reference -->";

// The manual's document: its pictures, named picture-<n>.png, are asked for when the
// layout needs them.
class TManualDocument final : public QTextDocument {
public:
    // Shown at their size on a screen of 96 pixels per inch (as the layout counts an
    // image's pixels), but at most 120 mm wide.
    QString Add(const QImage& image) {
        const int widest = static_cast<int>(120 / 25.4 * 96);
        pictures_.push_back(image.width() <= widest ? image
                                                    : image.scaledToWidth(widest, Qt::SmoothTransformation));
        return "picture-" + QString::number(pictures_.size() - 1) + ".png";
    }

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::ImageResource) {
            static const QRegularExpression form(R"(^picture-(\d+)\.png$)");
            const auto match = form.match(name.toString());
            const auto n = match.hasMatch() ? match.captured(1).toULongLong() : pictures_.size();
            if (n < pictures_.size()) return pictures_[n];
        }
        return QTextDocument::loadResource(type, name);
    }

private:
    std::vector<QImage> pictures_;
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

bool WriteManualPdf(const QString& manual, const NuvixParser::TFunctionRegistry& registry,
                    const std::vector<TManualPicture>& pictures, const QString& pdfPath, QString* error) {
    QPdfWriter writer(pdfPath);
    writer.setTitle("The Varnex Calculator — User Manual");
    writer.setCreator("The Varnex Calculator");
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter);
    writer.setResolution(300);

    // Laid out for the page itself: a document without a page size would be printed from
    // a copy, which cannot load the pictures.
    TManualDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
    QFont font = document.defaultFont();
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    QString text = manual;
    text.replace(kReferenceMarker, FunctionReferenceMarkdown(registry));
    for (const TManualPicture& picture : pictures)
        if (!picture.image.isNull())
            text.replace("<!-- " + picture.marker + " -->",
                         "![" + picture.caption + "](" + document.Add(picture.image) + ")");
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
