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

} // namespace

std::string PlotText(const TPlotPanel& panel) {
    std::string out;
    for (std::size_t i = 0;; ++i) {
        if (i > 0) out += "\r\n";
        bool more = false;
        bool first = true;
        for (const auto& slot : panel.curves) {
            if (!slot) continue;
            if (!first) out += '\t';
            first = false;
            const TPlotCurve& c = *slot;
            if (i < c.x.size()) {
                AppendNumber10(out, c.x[i]);
                out += '\t';
                AppendNumber10(out, c.y[i]);
            } else {
                out += '\t';
            }
            more = more || i + 1 < c.x.size();
        }
        if (!more) break;
    }
    out += "\r\n";
    return out;
}

} // namespace NuvixParser
