// TMarkHighlighter: mark ranges in editor positions, kept in step with edits, drawn per block.
#include "app/mark_highlighter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

#include "app/engine_text.h"

namespace NuvixApp {

using NuvixParser::TCodePosInfo;

namespace {
constexpr int kLastRangeLength = 99999;
}

TMarkHighlighter::TMarkHighlighter(QTextDocument* document, QObject* parent) : QSyntaxHighlighter(parent) {
    // Connected before the highlighter attaches itself to the document, so the ranges
    // have moved by the time it recolours the edited block.
    connect(document, &QTextDocument::contentsChange, this,
            [this](int position, int removed, int added) { Shift(position, removed, added); });
    setDocument(document);
}

QTextCharFormat TMarkHighlighter::FormatOf(int kind) {
    static const QColor kColours[] = {
        QColor(0, 128, 0), QColor(128, 0, 0), QColor(0, 0, 255),     QColor(0, 0, 0),
        QColor(0, 0, 0),   QColor(0, 0, 255), QColor(128, 128, 128),
    };
    if (kind < 0 || kind > TCodePosInfo::kComment) kind = TCodePosInfo::kVariable;
    QTextCharFormat format;
    format.setForeground(kColours[kind]);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(kind == TCodePosInfo::kComment);
    return format;
}

void TMarkHighlighter::SetMarks(const std::vector<TCodePosInfo>& marks, const TEngineText& text) {
    ranges_.clear();
    for (const TCodePosInfo& mark : marks) {
        const int start = text.EditorPosition(std::max(0, mark.position));
        // Marks come in text order; one that would go back is dropped rather than misdrawn.
        if (!ranges_.empty() && start < ranges_.back().start) continue;
        ranges_.push_back({start, static_cast<int>(mark.kind)});
    }
    end_ = marks.empty() ? 0 : text.EditorPosition(std::max(0, marks.back().position) + kLastRangeLength);
    rehighlight();
}

// An edit of `removed` characters at `position` replaced by `added`: boundaries after
// it move along, boundaries inside the removed stretch go to its start. Typed text thus
// takes the colour of the range it was typed into until the next colouring.
//
// Recolouring reports itself as a change of equal lengths; so does overtyping a selection
// with as many characters, whose new characters may simply keep the old colours.
void TMarkHighlighter::Shift(int position, int removed, int added) {
    if (removed == added) return;
    auto move = [&](int& boundary) {
        if (boundary >= position + removed)
            boundary += added - removed;
        else if (boundary > position)
            boundary = position;
    };
    for (TRange& r : ranges_) move(r.start);
    move(end_);
}

void TMarkHighlighter::highlightBlock(const QString& text) {
    if (ranges_.empty()) return;
    const int blockStart = currentBlock().position();
    const int blockEnd = blockStart + static_cast<int>(text.size());
    // The last range starting at or before the block's start, then every later one inside it.
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), blockStart,
                               [](int position, const TRange& r) { return position < r.start; });
    if (it != ranges_.begin()) --it;
    for (; it != ranges_.end() && it->start < blockEnd; ++it) {
        const int end = std::next(it) != ranges_.end() ? std::next(it)->start : end_;
        const int from = std::max(it->start, blockStart);
        const int to = std::min(end, blockEnd);
        if (to > from) setFormat(from - blockStart, to - from, FormatOf(it->kind));
    }
}

} // namespace NuvixApp
