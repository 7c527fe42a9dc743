// Completion in the script editor: the names a panel can use, and the call at the caret.
#pragma once

#include <QString>
#include <vector>

namespace NuvixParser {
class TFunctionRegistry;
}

namespace NuvixApp {

struct TCompletion {
    QString word;
    QString callForm; // "name(parameters)" for a function; empty for a variable
};

// The built-in functions of `registry` (with their call forms from the help texts), the
// user functions `define`d in the Global panel and in the panel itself, and the variables
// the panel assigns; sorted case-insensitively, each name once (a define before a
// variable of the same name, a built-in before both).
std::vector<TCompletion> CompletionCandidates(const NuvixParser::TFunctionRegistry* registry,
                                              const QString& globalText, const QString& panelText);

// The call the caret stands in within `line` (the text before the caret on its line): the
// function's name and the 0-based argument (arguments are separated by ';'); an empty
// name outside a call.
struct TCallAt {
    QString name;
    int argument = -1;
};
TCallAt CallAt(const QString& line);

// A call form as rich text with parameter `argument` in bold (as the help strip shows
// it), every character escaped.
QString CallFormHtml(const QString& callForm, int argument);

} // namespace NuvixApp
