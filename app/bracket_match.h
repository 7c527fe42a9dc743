// BracketPartner: the partner of a bracket or comment delimiter in a script, as the editor shows it.
#pragma once

#include <QString>

namespace NuvixApp {

// The position of the partner of the delimiter that starts at `position` in `text`:
// '(' and ')', '[' and ']', and the "/*" and "*/" of a comment (comments nest, as the
// parser reads them). A comment delimiter is given and answered by the position of its
// '/' or '*' that comes first. Brackets inside comments and quoted literals ('...' and
// "...") are text, not brackets. -1 when there is no delimiter at `position` or it has no
// partner.
int BracketPartner(const QString& text, int position);

// The length of the delimiter at `position` (1 for a bracket, 2 for a comment
// delimiter), 0 when there is none.
int DelimiterLength(const QString& text, int position);

} // namespace NuvixApp
