// Reading the address-to-instrument entries of the simulated GPIB bus.
#include "instruments/sim/gpib_sim_config.h"

#include <charconv>

#include "instruments/text_fields.h"

namespace NuvixParser {
namespace {

constexpr int kMaxAddress = 30; // GPIB primary addresses

// "ADDRESS:FILE", blanks allowed around both; the address must be new.
bool ReadEntry(std::string_view text, const std::vector<TGpibSimEntry>& known, TGpibSimEntry& entry,
               std::string& error) {
    const std::size_t colon = text.find(':');
    const std::string_view address = TrimBlanks(text.substr(0, colon));
    const std::string_view file = colon == std::string_view::npos ? "" : TrimBlanks(text.substr(colon + 1));
    const auto [end, ec] = std::from_chars(address.data(), address.data() + address.size(), entry.address);
    if (ec != std::errc() || end != address.data() + address.size() || address.empty() || file.empty()) {
        error = "expected ADDRESS:FILE, not '" + std::string(text) + "'";
        return false;
    }
    if (entry.address < 0 || entry.address > kMaxAddress) {
        error = "address " + std::string(address) + " is not a GPIB primary address (0 to 30)";
        return false;
    }
    for (const TGpibSimEntry& other : known) {
        if (other.address == entry.address) {
            error = "address " + std::string(address) + " is given twice";
            return false;
        }
    }
    entry.file = std::string(file);
    return true;
}

} // namespace

bool ParseGpibSimList(std::string_view list, std::vector<TGpibSimEntry>& out, std::string& error) {
    out.clear();
    for (;;) {
        const std::size_t comma = list.find(',');
        TGpibSimEntry entry;
        if (!ReadEntry(list.substr(0, comma), out, entry, error)) return false;
        out.push_back(std::move(entry));
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

bool ParseGpibSimConfig(std::string_view text, const std::string& folder, std::vector<TGpibSimEntry>& out,
                        std::string& error) {
    out.clear();
    TConfigLines lines(text);
    for (std::string_view line; lines.Next(line);) {
        TGpibSimEntry entry;
        if (!ReadEntry(line, out, entry, error)) {
            error = "line " + std::to_string(lines.Number()) + ": " + error;
            return false;
        }
        if (entry.file.front() != '/' && !folder.empty()) entry.file = folder + "/" + entry.file;
        out.push_back(std::move(entry));
    }
    return true;
}

} // namespace NuvixParser
