// The instrument file: settings, init scripts and command rules; matching a command.
#include "instruments/sim/instrument_file.h"

#include <charconv>

#include "instruments/text_fields.h"

namespace NuvixParser {
namespace {

// Not '*': SCPI commands begin with one (*IDN?).
constexpr std::string_view kWildcard = "{}";

} // namespace

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r') out += '\r';
        else if (c == 'n') out += '\n';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            unsigned value = 0;
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
            out += static_cast<char>(value);
            i += 2;
        } else out += c;
    }
    return out;
}

bool ReadInstrumentFile(std::string_view text, TInstrumentFile& out, std::string& error) {
    out = TInstrumentFile{};
    int delayMs = 0;
    TConfigLines lines(text);
    for (std::string_view line; lines.Next(line);) {
        const int lineNumber = lines.Number();
        const std::size_t arrow = line.find("=>");
        if (arrow != std::string_view::npos) {
            const std::string_view pattern = TrimBlanks(line.substr(0, arrow));
            if (pattern.empty() || pattern.find(kWildcard) != pattern.rfind(kWildcard)) {
                error = "line " + std::to_string(lineNumber) + ": a pattern needs text and at most one {}";
                return false;
            }
            out.rules.push_back({std::string(pattern), std::string(TrimBlanks(line.substr(arrow + 2))), delayMs});
            continue;
        }
        const std::size_t colon = line.find(':');
        const std::string_view name = colon == std::string_view::npos ? line : TrimBlanks(line.substr(0, colon));
        const std::string_view value = colon == std::string_view::npos ? "" : TrimBlanks(line.substr(colon + 1));
        bool ok = colon != std::string_view::npos;
        if (!ok) {
        } else if (EqualIgnoringCase(name, "terminator")) {
            out.terminator = Unescape(value);
            ok = !out.terminator.empty();
        } else if (EqualIgnoringCase(name, "answer-terminator")) {
            out.answerTerminator = Unescape(value);
        } else if (EqualIgnoringCase(name, "echo")) {
            ok = value == "on" || value == "off";
            out.echo = value == "on";
        } else if (EqualIgnoringCase(name, "delay")) {
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), delayMs);
            ok = ec == std::errc() && end == value.data() + value.size() && delayMs >= 0;
        } else if (EqualIgnoringCase(name, "init")) {
            out.init.emplace_back(value);
        } else {
            ok = false;
        }
        if (!ok) {
            error = "line " + std::to_string(lineNumber) + ": expected 'PATTERN => RESPONSE' or a setting "
                    "(terminator, answer-terminator, echo, delay, init)";
            return false;
        }
    }
    return true;
}

bool MatchCommand(std::string_view pattern, std::string_view command, std::string& arg) {
    arg.clear();
    const std::size_t hole = pattern.find(kWildcard);
    if (hole == std::string_view::npos) return EqualIgnoringCase(pattern, command);
    const std::string_view head = pattern.substr(0, hole);
    const std::string_view tail = pattern.substr(hole + kWildcard.size());
    if (command.size() < head.size() + tail.size()) return false;
    if (!EqualIgnoringCase(command.substr(0, head.size()), head) ||
        !EqualIgnoringCase(command.substr(command.size() - tail.size()), tail))
        return false;
    arg = command.substr(head.size(), command.size() - head.size() - tail.size());
    return true;
}

} // namespace NuvixParser
