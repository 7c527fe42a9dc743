// Fuzz target: the macro file reader and the file text written back from its panels.
#include <string>
#include <string_view>
#include <vector>

#include "engine/macro_file.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace NuvixFuzz {

using NuvixParser::TMacroPanel;

namespace {

// The plain form (two tabs, empty Global panel) is written without headers, so the
// captions do not survive it; the texts always do.
bool WrittenPlain(const std::vector<TMacroPanel>& tabs) {
    return tabs.size() == 2 && tabs[0].text.empty();
}

void CheckSameTabs(const std::vector<TMacroPanel>& a, const std::vector<TMacroPanel>& b) {
    FUZZ_CHECK(a.size() == b.size());
    const bool captions = !WrittenPlain(a);
    for (std::size_t i = 0; i < a.size(); ++i) {
        FUZZ_CHECK(a[i].text == b[i].text);
        if (captions) FUZZ_CHECK(a[i].caption == b[i].caption);
    }
}

} // namespace

void FuzzMacroFile(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::vector<TMacroPanel> tabs = NuvixParser::SplitMacroText(file);
    FUZZ_CHECK(tabs.size() >= 2);
    // Every text is the stretch of the file its offset names.
    for (const TMacroPanel& tab : tabs) {
        FUZZ_CHECK(tab.offset <= file.size());
        FUZZ_CHECK(tab.text.size() <= file.size() - tab.offset);
        FUZZ_CHECK(file.substr(tab.offset, tab.text.size()) == tab.text);
    }
    // Captions end at the first "$$*/" and texts at the next header, so nothing read can
    // hold either marker and writing the panels back reads as the same panels.
    const std::string written = NuvixParser::JoinMacroText(tabs);
    const std::vector<TMacroPanel> again = NuvixParser::SplitMacroText(written);
    CheckSameTabs(tabs, again);
    FUZZ_CHECK(NuvixParser::JoinMacroText(again) == written || WrittenPlain(tabs));
}

} // namespace NuvixFuzz
