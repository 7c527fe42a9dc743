// Reading the panels of a macro file.
#include "engine/macro_file.h"

namespace NuvixParser {

namespace {
constexpr std::string_view kHeaderStart = "/*$$panel:";
constexpr std::string_view kHeaderEnd = "$$*/";
} // namespace

std::string CalculatorCaption(int number) {
    return "Calculator " + std::to_string(number);
}

std::vector<TMacroPanel> SplitMacroText(std::string_view file) {
    std::vector<TMacroPanel> tabs{{kGlobalCaption, "", 0}, {CalculatorCaption(1), "", 0}};
    std::size_t header = file.find(kHeaderStart);
    if (header == std::string_view::npos) {
        tabs[1].text.assign(file);
        return tabs;
    }
    std::size_t i = 0;
    while (header != std::string_view::npos) {
        std::size_t p = header + kHeaderStart.size();
        const std::size_t close = file.find(kHeaderEnd, p);
        std::string caption;
        // A header without its "$$*/" has an empty caption, and what follows it is the
        // panel's text: no byte of the file is lost.
        if (close != std::string_view::npos) {
            caption.assign(file.substr(p, close - p));
            p = close + kHeaderEnd.size();
            if (p < file.size()) ++p; // the line feed after the header
        }
        header = file.find(kHeaderStart, p);
        const std::size_t end = header == std::string_view::npos ? file.size() : header;
        if (i >= tabs.size()) tabs.push_back(TMacroPanel{});
        tabs[i].caption = std::move(caption);
        tabs[i].text.assign(file.substr(p, end - p));
        tabs[i].offset = p;
        ++i;
    }
    return tabs;
}

std::string JoinMacroText(const std::vector<TMacroPanel>& tabs) {
    if (tabs.empty()) return {};
    if (tabs.size() == 2 && tabs[0].text.empty()) return tabs[1].text;
    std::string file;
    for (const TMacroPanel& tab : tabs) {
        file += kHeaderStart;
        file += tab.caption;
        file += kHeaderEnd;
        file += '\n';
        file += tab.text;
    }
    return file;
}

TLineEnds LineEndsOf(const std::vector<TMacroPanel>& tabs) {
    for (const TMacroPanel& tab : tabs) {
        const std::size_t lf = tab.text.find('\n');
        if (lf != std::string::npos) return lf > 0 && tab.text[lf - 1] == '\r' ? TLineEnds::CrLf : TLineEnds::Lf;
    }
    return TLineEnds::Lf;
}

std::string WithLineEnds(std::string_view lfText, TLineEnds lineEnds) {
    if (lineEnds == TLineEnds::Lf) return std::string(lfText);
    std::string text;
    text.reserve(lfText.size() + lfText.size() / 16);
    for (const char c : lfText) {
        if (c == '\n') text += '\r';
        text += c;
    }
    return text;
}

bool SavePromptCanBeSkipped(std::size_t tabCount, int activeTab, std::size_t charactersOfTabs0And1) {
    return tabCount == 2 && activeTab == 1 && charactersOfTabs0And1 < 50;
}

} // namespace NuvixParser
