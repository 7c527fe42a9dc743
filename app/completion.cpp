// Completion candidates from the registry and the panels' texts; the call at the caret.
#include "app/completion.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "engine/function_help.h"
#include "engine/function_registry.h"
#include "windows/cp1252.h"

namespace NuvixApp {

namespace {

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == '_' || c == '$';
}

// define(name(parameters); body): the name and its call form.
void AddDefines(const QString& text, std::vector<TCompletion>& out) {
    static const QRegularExpression define(R"(\bdefine\s*\(\s*([A-Za-z_$][\w$]*)\s*\(([^)]*)\))",
                                           QRegularExpression::CaseInsensitiveOption);
    for (auto it = define.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        QStringList params = m.captured(2).split(QRegularExpression("[;,]"), Qt::SkipEmptyParts);
        for (QString& p : params) p = p.trimmed();
        out.push_back({m.captured(1), m.captured(1) + "(" + params.join(';') + ")"});
    }
}

// name = value (not ==, <=, >=, !=): the variables a panel assigns.
void AddVariables(const QString& text, std::vector<TCompletion>& out) {
    static const QRegularExpression assign(R"(([A-Za-z_$][\w$]*)\s*(?:\[[^\]]*\])?\s*[-+*/]?=(?!=))");
    for (auto it = assign.globalMatch(text); it.hasNext();) out.push_back({it.next().captured(1), QString()});
}

} // namespace

std::vector<TCompletion> CompletionCandidates(const NuvixParser::TFunctionRegistry* registry,
                                              const QString& globalText, const QString& panelText) {
    std::vector<TCompletion> all;
    if (registry) {
        for (const auto& entry : registry->Entries()) {
            const auto help = NuvixParser::HelpOf(*registry, entry.first);
            const QString name = NuvixWindows::FromCp1252(entry.first);
            all.push_back({name, help ? NuvixWindows::FromCp1252(help->CallForm()) : name + "()"});
        }
    }
    AddDefines(globalText, all);
    AddDefines(panelText, all);
    AddVariables(panelText, all);
    // Stable: of equal names the first kind added stays.
    std::stable_sort(all.begin(), all.end(), [](const TCompletion& a, const TCompletion& b) {
        return a.word.compare(b.word, Qt::CaseInsensitive) < 0;
    });
    all.erase(std::unique(all.begin(), all.end(),
                          [](const TCompletion& a, const TCompletion& b) {
                              return a.word.compare(b.word, Qt::CaseInsensitive) == 0;
                          }),
              all.end());
    return all;
}

TCallAt CallAt(const QString& line) {
    // Backwards to the '(' that is still open at the caret, counting the ';' of its level.
    int depth = 0;
    int argument = 0;
    for (int i = static_cast<int>(line.size()) - 1; i >= 0; --i) {
        const QChar c = line[i];
        if (c == ')' || c == ']') {
            ++depth;
        } else if (c == '[') {
            if (depth == 0) return {};
            --depth;
        } else if (c == '(') {
            if (depth > 0) {
                --depth;
                continue;
            }
            int end = i;
            while (end > 0 && line[end - 1].isSpace()) --end;
            int start = end;
            while (start > 0 && IsNameChar(line[start - 1])) --start;
            if (start == end) return {}; // a bracket of an expression, no call
            return {line.mid(start, end - start), argument};
        } else if (c == ';' && depth == 0) {
            ++argument;
        }
    }
    return {};
}

QString CallFormHtml(const QString& callForm, int argument) {
    const int open = static_cast<int>(callForm.indexOf('('));
    const int close = static_cast<int>(callForm.lastIndexOf(')'));
    if (open < 0 || close < open) return callForm.toHtmlEscaped();
    const QStringList params = callForm.mid(open + 1, close - open - 1).split(';');
    QString html = callForm.left(open + 1).toHtmlEscaped();
    for (int i = 0; i < params.size(); ++i) {
        if (i > 0) html += ';';
        const QString p = params[i].toHtmlEscaped();
        html += i == argument ? "<b>" + p + "</b>" : p;
    }
    return html + callForm.mid(close).toHtmlEscaped();
}

} // namespace NuvixApp
