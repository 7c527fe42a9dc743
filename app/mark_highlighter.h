// TMarkHighlighter: colours an editor by the parser's syntax marks, as presentation only.
#pragma once

#include <QSyntaxHighlighter>
#include <vector>

#include "engine/parser.h"

class QTextDocument;

namespace NuvixApp {

class TEngineText;

// The colours live in the layout of each block (QSyntaxHighlighter's formats), never in the
// document: colouring does not enter the undo history, does not count as an edit, and
// leaves the selection and the scroll position alone.
//
// Between two colourings the ranges move with the user's edits, so the colours stay on
// their characters (and stay, as they were, while the text has a syntax error).
class TMarkHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    TMarkHighlighter(QTextDocument* document, QObject* parent);

    // Marks in engine bytes of `text`, the document's text now. Each mark colours up to
    // the next one; the last one the next 99999 characters.
    void SetMarks(const std::vector<NuvixParser::TCodePosInfo>& marks, const TEngineText& text);

    // Forgets the marks without recolouring, before the whole text is replaced.
    void ClearMarks() { ranges_.clear(); }

    // The colour and effects of a mark kind.
    static QTextCharFormat FormatOf(int kind);

protected:
    void highlightBlock(const QString& text) override;

private:
    struct TRange {
        int start; // editor position
        int kind;
    };
    void Shift(int position, int removed, int added);

    std::vector<TRange> ranges_; // ascending starts; each ends where the next starts
    int end_ = 0;                // end of the last range
};

} // namespace NuvixApp
