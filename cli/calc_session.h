// TCalcSession: the calculator behind the runner's interactive session, where every entry
// runs as a calculator panel's script and what it leaves (variables, arrays, user
// functions) stays for the next.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/result_text.h"
#include "engine/thread_messages.h"
#include "engine/var_handler.h"
#include "instruments/calculator.h"
#include "instruments/plot_model.h"
#include "instruments/text_output.h"

namespace NuvixCli {

// Whether an entry goes on past the end of its text: a '(' or a comment "/*" is still
// open. Brackets inside texts ('...') and quoted names ("...") do not count; comments nest
// as the parser reads them.
bool EntryOpen(std::string_view text);

// The line of `text` that holds byte `position` (the end of the text when negative), a
// caret under that byte, and the message:
//     1+*2
//       ^ Operand expected
// Tabs stay tabs in the caret line so the caret lines up; a UTF-8 character counts as
// one column; control bytes are shown as '?'.
std::string CaretText(std::string_view text, int position, std::string_view message);

// The session's text output window: print and println write through `write` at once, so
// output comes before the entry's result. Calls arrive on the calculation thread.
class TSessionOutput final : public NuvixParser::TTextOutput {
public:
    // `write` returns false when the text could not be written; `breakRun` is then called,
    // as output that can no longer be seen has no reason to go on.
    TSessionOutput(std::function<bool(std::string_view)> write, std::function<void()> breakRun)
        : write_(std::move(write)), breakRun_(std::move(breakRun)) {}
    void Print(std::string_view text) override;
    void PrintLine(std::string_view text) override;
    void Clear() override {}
    // Whether the last output left its line unfinished; clears the mark.
    bool TakeLineOpen();

private:
    void Write(std::string_view text);
    std::function<bool(std::string_view)> write_;
    std::function<void()> breakRun_;
    bool lineOpen_ = false;
};

class TCalcSession {
public:
    // How an entry ended.
    enum class TOutcome { Finished, RunError, SyntaxError };
    struct TEntryResult {
        TOutcome outcome = TOutcome::Finished;
        // The result line (a run error as "Error: " and its message); for a syntax error,
        // its message.
        std::string text;
        // Of a syntax error: the entry's text (as the parser keeps it) and where it is.
        std::string source;
        int position = 0;
    };

    // `write` takes the text output of the runs; `panels` answers the GUI functions (not owned).
    TCalcSession(std::function<bool(std::string_view)> write, NuvixParser::TPanelHost* panels);
    ~TCalcSession();
    TCalcSession(const TCalcSession&) = delete;
    TCalcSession& operator=(const TCalcSession&) = delete;

    // The Global panel's script, run before every entry as before every run of a panel.
    // False, with the error in `error`, when it does not compile.
    bool SetGlobal(std::string_view text, TEntryResult& error);

    // Compiles `text` and runs it on the calculation thread; returns when the run ended.
    // The result text is in `radix`.
    TEntryResult Enter(std::string_view text, NuvixParser::TRadix radix);
    // Safe from any thread: a running entry ends with "Breaked" at its next check.
    void Break() { calculator_->Break(); }
    // Whether a break was asked for and the running entry has not ended yet. A break that
    // came before the run began is forgotten when it begins, as in the calculator.
    bool BreakRequested() const { return calculator_->CalcInfo().BreakRequested(); }

    // Forgets the variables (also the '$' ones) and user functions of the entries; the
    // Global panel's stay, as it runs again before the next entry.
    void Clear();

    // Names for completion: built-in functions, user functions, and the variables and
    // arrays that hold something. Sorted, no duplicates.
    std::vector<std::string> Names() const;

    // Whether the output of the last entry left its line unfinished (then the result
    // needs a line of its own).
    bool TakeOutputLineOpen() { return output_.TakeLineOpen(); }
    // How a user function of the session is called, "name(a;b[])"; none for other names.
    std::optional<std::string> UserFunctionForm(std::string_view name) const;
    const NuvixParser::TPlotModel& Plots() const { return plots_; }
    const NuvixParser::TFunctionRegistry& Registry() const;

private:
    void GiveValuesBack();
    void TakeValuesBack();

    NuvixParser::TPlotModel plots_;
    TSessionOutput output_;
    NuvixParser::TRunEndWaiter waiter_;
    std::unique_ptr<NuvixParser::TCalculator> calculator_;
    // The values of the entries' variables between runs: a run binds the names of its
    // entry afresh, so each is handed over before the run and taken back after it.
    std::map<std::string, std::unique_ptr<NuvixParser::TVarEntryBase>, std::less<>> values_;
    // A user of every '$' variable, so that one outlives the entry that set it.
    std::unique_ptr<NuvixParser::TVarHandler> globalKeeper_;
    // A definition lives as long as the parse tree it was read in: every entry that
    // defined a function is compiled once more into a parser kept here.
    std::vector<std::unique_ptr<NuvixParser::TParserBase>> definitions_;
};

} // namespace NuvixCli
