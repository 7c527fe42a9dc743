// TCalcSession: one calculator whose entries run one after another and keep what they
// leave; the entry scanner and the caret display of syntax errors.
#include "cli/calc_session.h"

#include <set>

#include "cli/cli_app.h"
#include "engine/calc_info.h"
#include "engine/out_of_memory.h"
#include "engine/parser.h"
#include "engine/user_function.h"

using namespace NuvixParser;

namespace NuvixCli {

// Brackets and comments read as the parser reads them: a quote runs to the same quote
// (doubled, it stands for one and goes on), a comment runs to its matching "*/".
bool EntryOpen(std::string_view text) {
    int brackets = 0;
    int comments = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        const char next = i + 1 < n ? text[i + 1] : '\0';
        if (comments > 0) {
            if (c == '/' && next == '*') {
                ++comments;
                ++i;
            } else if (c == '*' && next == '/') {
                --comments;
                ++i;
            }
            continue;
        }
        if (c == '/' && next == '*') {
            comments = 1;
            ++i;
        } else if (c == '\'' || c == '"') {
            std::size_t j = i + 1;
            while (j < n && (text[j] != c || (j + 1 < n && text[j + 1] == c))) j += text[j] == c ? 2 : 1;
            // A text still open at the end goes on only inside an open bracket: a stray
            // quote alone must not swallow the lines after it.
            if (j >= n) return brackets > 0;
            i = j;
        } else if (c == '(') {
            ++brackets;
        } else if (c == ')') {
            --brackets;
        }
    }
    return comments > 0 || brackets > 0;
}

std::string CaretText(std::string_view text, int position, std::string_view message) {
    const std::size_t at =
        position < 0 ? text.size() : std::min(static_cast<std::size_t>(position), text.size());
    std::size_t lineStart = at == 0 ? 0 : text.rfind('\n', at - 1);
    lineStart = lineStart == std::string_view::npos ? 0 : (at == 0 ? 0 : lineStart + 1);
    std::size_t lineEnd = text.find('\n', at);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();

    std::string shown = "  ";
    for (std::size_t i = lineStart; i < lineEnd; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        shown += byte == '\t' || (byte >= 0x20 && byte != 0x7F) ? text[i] : '?';
    }
    std::string caret = "  ";
    for (std::size_t i = lineStart; i < at; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\t')
            caret += '\t';
        else if ((byte & 0xC0) != 0x80) // not a UTF-8 continuation byte
            caret += ' ';
    }
    std::string where;
    if (text.find('\n') != std::string_view::npos) {
        const auto line =
            1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(lineStart), '\n');
        where = "line " + std::to_string(line) + ": ";
    }
    return shown + '\n' + caret + "^ " + where + EscapeControlBytes(message) + '\n';
}

void TSessionOutput::Print(std::string_view text) {
    Write(text);
    if (!text.empty()) lineOpen_ = text.back() != '\n';
}

void TSessionOutput::PrintLine(std::string_view text) {
    Write(std::string(text) + '\n');
    lineOpen_ = false;
}

bool TSessionOutput::TakeLineOpen() {
    const bool open = lineOpen_;
    lineOpen_ = false;
    return open;
}

void TSessionOutput::Write(std::string_view text) {
    if (!write_(text)) breakRun_();
}

TCalcSession::TCalcSession(std::function<bool(std::string_view)> write, TPanelHost* panels)
    : output_(std::move(write), [this] { calculator_->Break(); }),
      calculator_(std::make_unique<TCalculator>(&waiter_)) {
    calculator_->SetWindows(TRunContext{&output_, &plots_, panels});
    globalKeeper_ = std::make_unique<TVarHandler>(calculator_->PanelParser().Globals());
    // A new parser counts as failed until it compiled: an empty Global panel by default.
    calculator_->GlobalParser().SetText("");
    calculator_->GlobalParser().Compile();
}

TCalcSession::~TCalcSession() {
    // What refers to the calculator's parsers and variables goes before it.
    definitions_.clear();
    globalKeeper_.reset();
    values_.clear();
}

const TFunctionRegistry& TCalcSession::Registry() const {
    return calculator_->PanelParser().Registry();
}

namespace {

// Whether a variable holds something a later entry can use.
bool HoldsValue(const TVarEntryBase& entry) {
    return entry.IsScalar() ? static_cast<const TVarEntry&>(entry).hasValue
                            : static_cast<const TArrayEntry&>(entry).Length() > 0;
}

TCalcSession::TEntryResult SyntaxError(const TParser& parser) {
    TCalcSession::TEntryResult r;
    r.outcome = TCalcSession::TOutcome::SyntaxError;
    r.text = parser.RanOutOfMemory() ? std::string(kOutOfMemoryWhileCompiling) : parser.ErrorMessage();
    r.source = parser.Text();
    r.position = parser.ErrorStart() < 0 ? static_cast<int>(parser.Text().size()) : parser.ErrorStart();
    return r;
}

} // namespace

bool TCalcSession::SetGlobal(std::string_view text, TEntryResult& error) {
    TParser& global = calculator_->GlobalParser();
    global.SetText(text);
    if (global.Compile()) return true;
    error = SyntaxError(global);
    return false;
}

TCalcSession::TEntryResult TCalcSession::Enter(std::string_view text, TRadix radix) {
    TParser& panel = calculator_->PanelParser();
    panel.SetText(text); // the last entry's tree goes, and its definitions with it
    const std::size_t definedBefore = panel.Handler()->Definitions().size();
    if (!panel.Compile()) return SyntaxError(panel);
    const bool defines = panel.Handler()->Definitions().size() > definedBefore;

    if (calculator_->Start([this] { GiveValuesBack(); })) waiter_.WaitForRunEnd();
    TakeValuesBack();

    if (defines) {
        // The same text once more, into a parser that stays: its definitions are found
        // first now, and they outlive the panel parser's next SetText.
        std::unique_ptr<TParserBase> keeper = panel.Clone();
        keeper->ShareHandler(panel.Handler());
        auto& keeperParser = static_cast<TParser&>(*keeper);
        keeperParser.SetText(text);
        if (keeperParser.Compile()) {
            keeper->Rebind(); // binds the definition bodies
            definitions_.push_back(std::move(keeper));
        }
    }

    const TCalcInfo& ci = calculator_->CalcInfo();
    TEntryResult r;
    r.text = ResultLineText(calculator_->Result(), ci, radix);
    if (ci.error) {
        r.outcome = TOutcome::RunError;
        r.text = EscapeControlBytes(r.text);
    }
    return r;
}

void TCalcSession::GiveValuesBack() {
    TVarHandler& store = calculator_->PanelParser().Store();
    for (auto it = values_.begin(); it != values_.end();) {
        TVarEntryBase* entry = store.Find(it->first);
        // A name this entry uses as the other kind keeps its old value for later entries.
        if (entry && entry->Kind() == it->second->Kind()) {
            entry->Assign(std::move(it->second));
            it = values_.erase(it);
        } else {
            ++it;
        }
    }
}

void TCalcSession::TakeValuesBack() {
    TVarHandler& store = calculator_->PanelParser().Store();
    for (const auto& entry : store.Locals())
        if (HoldsValue(*entry)) values_[entry->Name()] = entry->TakeValue();
    std::vector<std::string> globals;
    for (const auto& entry : store.Globals().entries) globals.push_back(entry->Name());
    for (const std::string& name : globals) globalKeeper_->Find(name);
}

void TCalcSession::Clear() {
    definitions_.clear();
    calculator_->PanelParser().Clear();
    values_.clear();
    for (const auto& entry : calculator_->PanelParser().Globals().entries) entry->Clear();
    globalKeeper_->ReleaseAll();
}

std::optional<std::string> TCalcSession::UserFunctionForm(std::string_view name) const {
    const TFunctionDef* def = calculator_->PanelParser().Handler()->Find(name);
    if (!def) return std::nullopt;
    std::string form = def->Name() + "(";
    for (int i = 0; i < def->ParameterCount(); ++i) {
        if (i > 0) form += ';';
        form += def->Parameter(i)->Name();
        if (def->ParameterIsArray(i)) form += "[]";
    }
    return form + ")";
}

std::vector<std::string> TCalcSession::Names() const {
    std::set<std::string> names;
    for (const auto& [name, factory] : Registry().Entries()) names.insert(name);
    for (const TFunctionDef* def : calculator_->PanelParser().Handler()->Definitions())
        names.insert(def->Name());
    for (const auto& [name, value] : values_) names.insert(name);
    for (const auto& entry : calculator_->PanelParser().Globals().entries)
        if (HoldsValue(*entry)) names.insert(entry->Name());
    return {names.begin(), names.end()};
}

} // namespace NuvixCli
