// TLineEditor: the interactive session's line input over libedit: prompt, editing keys,
// history kept in a file across sessions, Tab completion, Ctrl+C as a key.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace NuvixCli {

struct TLineEditorKeys;

// Where the history is kept: $XDG_STATE_HOME/varnexcalc/history when XDG_STATE_HOME is an
// absolute path (relative ones are to be ignored), else ~/.local/state/varnexcalc/history;
// empty when neither is known. Either argument may be null.
std::string HistoryPath(const char* xdgStateHome, const char* home);

// The names Tab completes a word to: a word at the start of the line that begins with
// ':' from `commands`, any other from `names()`, asked at each Tab.
struct TCompletionSource {
    std::vector<std::string> commands;
    std::function<std::vector<std::string>()> names;
};

// What Tab does with `prefix` among `candidates` (compared without regard to case, as
// built-in names are): the text to insert after the prefix (the rest of the only match,
// or what all matches share beyond it), and the matches to list when nothing can be
// inserted and more than one fits.
struct TCompletion {
    std::string insert;
    std::vector<std::string> listed;
};
TCompletion Complete(std::string_view prefix, const std::vector<std::string>& candidates);

class TLineEditor {
public:
    enum class TRead {
        Line,        // a line was entered (without its line end)
        Interrupted, // Ctrl+C: the line typed so far is dropped
        End,         // Ctrl+D on an empty line, or the input ended
    };

    // Reads and later writes the history at `historyPath` (none when empty).
    TLineEditor(std::string historyPath, TCompletionSource completion);
    ~TLineEditor();
    TLineEditor(const TLineEditor&) = delete;
    TLineEditor& operator=(const TLineEditor&) = delete;

    TRead Read(const std::string& prompt, std::string& line);
    // After Interrupted: whether the line was empty when Ctrl+C came.
    bool InterruptedEmpty() const { return interruptedEmpty_; }
    // Adds a line to the history and writes the history file, so that a session that is
    // killed loses nothing already entered.
    void Remember(std::string_view line);

private:
    friend struct TLineEditorKeys; // libedit's callbacks
    struct TLibedit;
    std::unique_ptr<TLibedit> el_;
    std::string historyPath_;
    TCompletionSource completion_;
    std::string prompt_;
    bool interrupted_ = false;
    bool interruptedEmpty_ = false;
};

} // namespace NuvixCli
