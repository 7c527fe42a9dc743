// BracketPartner: one pass over the script that pairs brackets and comment delimiters.
#include "app/bracket_match.h"

#include <vector>

namespace NuvixApp {

namespace {

// The pass reads the text as the parser does, so that a ')' in a comment or in a
// quoted name never pairs with a '(' of the code:
//
//   code ── "/*" ──> comment (depth 1) ── "/*" ──> depth + 1 ── "*/" ──> depth - 1 ──> code at 0
//     └──── ' or " ──> literal ── same quote ──> code   (a doubled quote closes and reopens)
//
// Each opening delimiter is pushed; a closing one pops its opener when the kinds agree.
// The pass stops as soon as the delimiter asked about is paired (or cannot be any more).
struct TOpen {
    int position;
    QChar kind; // '(', '[' or '/'
};

} // namespace

int DelimiterLength(const QString& text, int position) {
    if (position < 0 || position >= text.size()) return 0;
    const QChar c = text[position];
    if (c == '(' || c == ')' || c == '[' || c == ']') return 1;
    if (position + 1 < text.size()) {
        const QChar next = text[position + 1];
        if ((c == '/' && next == '*') || (c == '*' && next == '/')) return 2;
    }
    return 0;
}

int BracketPartner(const QString& text, int position) {
    if (DelimiterLength(text, position) == 0) return -1;
    std::vector<TOpen> open;
    int commentDepth = 0;
    QChar quote;
    const int size = static_cast<int>(text.size());
    for (int i = 0; i < size; ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < size ? text[i + 1] : QChar();
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == '/' && next == '*') {
            open.push_back({i, '/'});
            ++commentDepth;
            ++i;
            continue;
        }
        if (commentDepth > 0) {
            if (c == '*' && next == '/') {
                // The innermost opener on the stack is this comment's "/*".
                const TOpen opener = open.back();
                open.pop_back();
                --commentDepth;
                if (opener.position == position) return i;
                if (i == position) return opener.position;
                ++i;
            } else if (i == position) {
                return -1; // a bracket inside a comment is text
            }
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            continue;
        }
        if (c == '(' || c == '[') {
            open.push_back({i, c});
        } else if (c == ')' || c == ']') {
            const QChar wanted = c == ')' ? '(' : '[';
            if (open.empty() || open.back().kind != wanted) {
                if (i == position) return -1;
                continue; // a stray closer pairs with nothing
            }
            const TOpen opener = open.back();
            open.pop_back();
            if (opener.position == position) return i;
            if (i == position) return opener.position;
        } else if (c == '*' && next == '/' && i == position) {
            return -1; // "*/" outside a comment closes nothing
        }
    }
    return -1;
}

} // namespace NuvixApp
