// The user manual: its text with the function reference generated from the help texts, and
// the PDF made of it.
#pragma once

#include <QImage>
#include <QString>

#include "engine/function_registry.h"

namespace NuvixApp {

// A section per function, in the registry's order: its call form as a heading, the
// description, the example as a code block with its explanation, and the related
// functions. Help texts are 8-bit (Windows-1252); Markdown's special characters in them
// are escaped.
QString FunctionReferenceMarkdown(const NuvixParser::TFunctionRegistry& registry);

// Writes the manual as a PDF (A4): the Markdown text `manual` with the reference put in
// place of the line "<!-- function reference -->" and `screenshot` in place of
// "<!-- main window screenshot -->". False, with `error` set, when the file cannot be
// written.
bool WriteManualPdf(const QString& manual, const NuvixParser::TFunctionRegistry& registry, const QImage& screenshot,
                    const QString& pdfPath, QString* error = nullptr);

} // namespace NuvixApp
