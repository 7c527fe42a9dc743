// The "Save As Text" file of one plot.
#include "instruments/plot_text_file.h"

#include <charconv>
#include <cmath>

namespace NuvixParser {
namespace {

void AppendNumber10(std::string& out, double v) {
    if (std::isnan(v)) {
        out += std::signbit(v) ? "-NAN" : "+NAN";
    } else if (std::isinf(v)) {
        out += v < 0 ? "-INF" : "+INF";
    } else {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 10);
        out.append(buffer, result.ptr);
    }
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// A name in the tab-separated header: tabs and line breaks would start new fields or rows.
std::string TextField(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

// Rows of both files: a field separator between fields, every row ending in CR LF.
std::string Table(const TPlotPanel& panel, char separator, bool header, bool csv) {
    std::string out;
    if (header) {
        int k = 0;
        for (const auto& slot : panel.curves) {
            if (!slot) continue;
            const std::string n = std::to_string(++k);
            if (k > 1) out += separator;
            out += "x" + n;
            out += separator;
            const std::string& name = slot->name;
            out += name.empty() ? "y" + n : csv ? CsvField(name) : TextField(name);
        }
        out += "\r\n";
    }
    for (std::size_t i = 0;; ++i) {
        if (i > 0) out += "\r\n";
        bool more = false;
        bool first = true;
        for (const auto& slot : panel.curves) {
            if (!slot) continue;
            if (!first) out += separator;
            first = false;
            const TPlotCurve& c = *slot;
            if (i < c.x.size()) {
                AppendNumber10(out, c.x[i]);
                out += separator;
                AppendNumber10(out, c.y[i]);
            } else {
                out += separator;
            }
            more = more || i + 1 < c.x.size();
        }
        if (!more) break;
    }
    out += "\r\n";
    return out;
}

bool AnyNamed(const TPlotPanel& panel) {
    for (const auto& slot : panel.curves)
        if (slot && !slot->name.empty()) return true;
    return false;
}

} // namespace

std::string PlotText(const TPlotPanel& panel) {
    return Table(panel, '\t', AnyNamed(panel), false);
}

std::string PlotCsv(const TPlotPanel& panel) {
    return Table(panel, ',', true, true);
}

} // namespace NuvixParser
