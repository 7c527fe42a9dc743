// The user manual: its text with the function reference generated from the help texts, and
// the PDF made of it.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "engine/function_registry.h"

namespace NuvixApp {

// A section per function, in the registry's order: its call form as a heading, the
// description, the example as a code block with its explanation, and the related
// functions. Help texts are 8-bit (Windows-1252); Markdown's special characters in them
// are escaped.
QString FunctionReferenceMarkdown(const NuvixParser::TFunctionRegistry& registry);

// A picture the manual shows in place of the line "<!-- `marker` -->", at most 120 mm wide.
struct TManualPicture {
    QString marker;  // e.g. "main window screenshot"
    QString caption; // the picture's alternative text
    QImage image;    // none: the marker line stays an invisible comment
};

// Writes the manual as a PDF (A4): the Markdown text `manual` with the reference put in
// place of the line "<!-- function reference -->" and the pictures in place of their
// markers. False, with `error` set, when the file cannot be written.
bool WriteManualPdf(const QString& manual, const NuvixParser::TFunctionRegistry& registry,
                    const std::vector<TManualPicture>& pictures, const QString& pdfPath,
                    QString* error = nullptr);

} // namespace NuvixApp
