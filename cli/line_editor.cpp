// TLineEditor over libedit's own interface (histedit.h): one EditLine and one History.
#include "cli/line_editor.h"

#include <histedit.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cctype>
#include <cstdio>

namespace NuvixCli {

namespace {

constexpr int kHistorySize = 1000;

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool StartsWith(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), name.begin(), SameLetter);
}

// The bytes a name is made of, as the parser reads identifiers.
bool IsNameByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '$';
}

// mkdir -p for the folders above `path`; the history is private, so they are made 0700.
void MakeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
}

} // namespace

std::string HistoryPath(const char* xdgStateHome, const char* home) {
    if (xdgStateHome && xdgStateHome[0] == '/') return std::string(xdgStateHome) + "/varnexcalc/history";
    if (home && home[0] == '/') return std::string(home) + "/.local/state/varnexcalc/history";
    return {};
}

TCompletion Complete(std::string_view prefix, const std::vector<std::string>& candidates) {
    TCompletion c;
    std::vector<const std::string*> matches;
    for (const std::string& name : candidates)
        if (StartsWith(name, prefix)) matches.push_back(&name);
    if (matches.empty()) return c;
    // What every match shares beyond the prefix, in the first match's spelling.
    std::size_t shared = matches.front()->size();
    for (const std::string* m : matches) {
        std::size_t i = prefix.size();
        while (i < shared && i < m->size() && SameLetter((*matches.front())[i], (*m)[i])) ++i;
        shared = i;
    }
    c.insert = matches.front()->substr(prefix.size(), shared - prefix.size());
    if (c.insert.empty() && matches.size() > 1)
        for (const std::string* m : matches) c.listed.push_back(*m);
    return c;
}

struct TLineEditor::TLibedit {
    EditLine* el = nullptr;
    History* history = nullptr;
    ~TLibedit() {
        if (el) el_end(el);
        if (history) history_end(history);
    }
};

namespace {

TLineEditor* EditorOf(EditLine* el) {
    void* data = nullptr;
    el_get(el, EL_CLIENTDATA, &data);
    return static_cast<TLineEditor*>(data);
}

} // namespace

// The callbacks libedit calls; friends in all but name, they reach the editor through
// its client data.
struct TLineEditorKeys {
    static char* Prompt(EditLine* el) { return EditorOf(el)->prompt_.data(); }

    // Ctrl+C reaches us as a key, since the session turns the terminal's signal keys off
    // while a line is edited: it ends the read, which tells the session.
    static unsigned char Interrupt(EditLine* el, int) {
        TLineEditor* editor = EditorOf(el);
        const LineInfo* line = el_line(el);
        editor->interrupted_ = true;
        editor->interruptedEmpty_ = line->lastchar == line->buffer;
        return CC_EOF;
    }

    // Ctrl+Z suspends as the terminal's key would: libedit's own SIGTSTP handler (set
    // with EL_SIGNAL) gives the terminal back while the program is stopped and takes it
    // again when it goes on.
    static unsigned char Suspend(EditLine*, int) {
        ::raise(SIGTSTP);
        return CC_REDISPLAY;
    }

    static unsigned char CompleteWord(EditLine* el, int) {
        TLineEditor* editor = EditorOf(el);
        const LineInfo* line = el_line(el);
        const char* start = line->cursor;
        while (start > line->buffer && IsNameByte(start[-1])) --start;
        const bool command = start > line->buffer && start[-1] == ':' && start - 1 == line->buffer;
        if (command) --start;
        const std::string_view prefix(start, static_cast<std::size_t>(line->cursor - start));
        if (prefix.empty()) return CC_ERROR;
        const TCompletion c =
            Complete(prefix, command ? editor->completion_.commands : editor->completion_.names());
        if (!c.insert.empty()) {
            el_insertstr(el, c.insert.c_str());
            return CC_REFRESH;
        }
        if (c.listed.empty()) return CC_ERROR;
        // In lines that fit an 80-column terminal.
        std::string list = "\n";
        std::size_t column = 0;
        for (const std::string& name : c.listed) {
            if (column > 0 && column + name.size() > 78) {
                list += '\n';
                column = 0;
            }
            list += name + "  ";
            column += name.size() + 2;
        }
        list += "\n";
        std::fputs(list.c_str(), stdout);
        std::fflush(stdout);
        return CC_REDISPLAY;
    }
};

TLineEditor::TLineEditor(std::string historyPath, TCompletionSource completion)
    : el_(std::make_unique<TLibedit>()), historyPath_(std::move(historyPath)),
      completion_(std::move(completion)) {
    HistEvent event;
    el_->history = history_init();
    history(el_->history, &event, H_SETSIZE, kHistorySize);
    history(el_->history, &event, H_SETUNIQUE, 1);
    if (!historyPath_.empty()) history(el_->history, &event, H_LOAD, historyPath_.c_str());

    el_->el = el_init("varnexcalc-cli", stdin, stdout, stderr);
    EditLine* el = el_->el;
    el_set(el, EL_CLIENTDATA, this);
    el_set(el, EL_EDITOR, "emacs");
    el_set(el, EL_PROMPT, &TLineEditorKeys::Prompt);
    el_set(el, EL_HIST, history, el_->history);
    // Window size changes and job control while a line is edited.
    el_set(el, EL_SIGNAL, 1);
    // Ctrl+C, Ctrl+\ and Ctrl+Z arrive as keys while a line is edited, not as signals:
    // the signals are what break a running calculation.
    el_set(el, EL_SETTY, "-d", "-isig", nullptr);
    // Added with the wide-character call, which keeps our static names; el_set copies
    // them and never frees the copies.
    el_wset(el, EL_ADDFN, L"varnex-interrupt", L"Drop the line (on an empty line: end on the second)",
            &TLineEditorKeys::Interrupt);
    el_set(el, EL_BIND, "^C", "varnex-interrupt", nullptr);
    el_wset(el, EL_ADDFN, L"varnex-complete", L"Complete a name or a command", &TLineEditorKeys::CompleteWord);
    el_set(el, EL_BIND, "^I", "varnex-complete", nullptr);
    el_wset(el, EL_ADDFN, L"varnex-suspend", L"Suspend the program", &TLineEditorKeys::Suspend);
    el_set(el, EL_BIND, "^Z", "varnex-suspend", nullptr);
    // The user's ~/.editrc (or $EDITRC) may rebind keys, as for every libedit program.
    el_source(el, nullptr);
}

TLineEditor::~TLineEditor() = default;

TLineEditor::TRead TLineEditor::Read(const std::string& prompt, std::string& line) {
    prompt_ = prompt;
    interrupted_ = false;
    int count = 0;
    const char* text = el_gets(el_->el, &count);
    if (interrupted_) return TRead::Interrupted;
    if (!text || count <= 0) return TRead::End;
    line.assign(text, static_cast<std::size_t>(count));
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return TRead::Line;
}

void TLineEditor::Remember(std::string_view line) {
    HistEvent event;
    history(el_->history, &event, H_ENTER, std::string(line).c_str());
    if (historyPath_.empty()) return;
    MakeParentFolders(historyPath_);
    history(el_->history, &event, H_SAVE, historyPath_.c_str());
    ::chmod(historyPath_.c_str(), 0600); // what was typed is the user's own
}

} // namespace NuvixCli
