// Reading a macro file's text into panels: the plain form (one calculator panel) and the
// sectioned form ("/*$$panel:" caption "$$*/" LF, then the panel's text).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace NuvixParser {

struct TMacroPanel {
    std::string caption;
    std::string text;
    // Byte offset of the text in the file, so positions in it map back to file lines.
    std::size_t offset = 0;
};

// The captions of a new document.
constexpr const char* kGlobalCaption = "Global";
std::string CalculatorCaption(int number); // "Calculator " + number

// Splits a file's bytes into tabs. Tab 0 is the Global panel, whatever its caption says
// (sections are positional); a new document's tabs 0 ("Global", empty) and 1
// ("Calculator 1", empty) are filled first and further sections are appended. Without any
// header the whole text is tab 1's. Text before the first header is dropped; exactly one
// byte (the LF) after "$$*/" is skipped. A header whose "$$*/" is missing has an empty
// caption, and the text right after "/*$$panel:" is the panel's.
std::vector<TMacroPanel> SplitMacroText(std::string_view file);

// The file text of a document (tab 0 the Global panel): the plain form (tab 1's text
// alone) when there are exactly two tabs and the Global panel is empty, else one section
// per tab. Nothing is escaped: a caption holding "$$*/" or a text holding "/*$$panel:"
// does not read back as written.
std::string JoinMacroText(const std::vector<TMacroPanel>& tabs);

// The line-end convention of a document, kept from the file it was read from so that a
// file made on another system is written back as it came. The panel header lines end in
// a lone LF in either convention.
enum class TLineEnds { Lf, CrLf };

// The convention of the panel texts of a file: that of their first line end (CR LF or LF);
// LF when no text has a line end.
TLineEnds LineEndsOf(const std::vector<TMacroPanel>& tabs);

// A text with LF line ends (as an editor gives it) in the given convention.
std::string WithLineEnds(std::string_view lfText, TLineEnds lineEnds);

// The save prompt is skipped for a small scratch document: exactly two tabs, tab 1
// active, and fewer than 50 characters in the two texts together.
bool SavePromptCanBeSkipped(std::size_t tabCount, int activeTab, std::size_t charactersOfTabs0And1);

} // namespace NuvixParser
