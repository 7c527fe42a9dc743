// Finding the serial devices: by-id links of USB adapters, then the device nodes.
#include "instruments/serial_device_list.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

namespace NuvixParser {
namespace {

namespace fs = std::filesystem;

// Node names in the order the groups are listed.
constexpr std::string_view kNodePrefixes[] = {"ttyUSB", "ttyACM", "ttyS"};

// Sorts so that ttyS2 comes before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b) {
    const auto digits = [](const std::string& s) { return s.find_first_of("0123456789"); };
    const std::size_t da = digits(a), db = digits(b);
    if (da == db && da != std::string::npos && a.compare(0, da, b, 0, db) == 0 && a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace

std::string ProductOfById(std::string_view name) {
    constexpr std::string_view kUsb = "usb-";
    if (name.substr(0, kUsb.size()) != kUsb) return {};
    name.remove_prefix(kUsb.size());
    // The interface part: -ifNN, and for multi-port adapters -portN after it.
    if (const std::size_t at = name.rfind("-if"); at != std::string_view::npos) name = name.substr(0, at);
    std::string product(name);
    std::replace(product.begin(), product.end(), '_', ' ');
    return product;
}

std::vector<TSerialDevice> ListSerialDevices(const std::string& devRoot) {
    std::vector<TSerialDevice> devices;
    std::set<std::string> named; // device nodes that have a by-id name
    std::error_code ec;
    std::vector<std::string> links;
    for (const auto& entry : fs::directory_iterator(fs::path(devRoot) / "serial" / "by-id", ec))
        links.push_back(entry.path().string());
    std::sort(links.begin(), links.end());
    for (const std::string& link : links) {
        const fs::path target = fs::weakly_canonical(fs::path(link).parent_path() / fs::read_symlink(link, ec), ec);
        if (ec || !fs::exists(target, ec)) continue;
        named.insert(target.string());
        devices.push_back({link, target.string(), ProductOfById(fs::path(link).filename().string())});
    }
    for (std::string_view prefix : kNodePrefixes) {
        std::vector<std::string> nodes;
        for (const auto& entry : fs::directory_iterator(devRoot, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
                std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                            [](char c) { return c >= '0' && c <= '9'; }))
                nodes.push_back(name);
        }
        std::sort(nodes.begin(), nodes.end(), NaturalLess);
        for (const std::string& name : nodes) {
            const std::string path = (fs::path(devRoot) / name).string();
            const std::string canonical = fs::weakly_canonical(path, ec).string();
            if (!named.count(canonical)) devices.push_back({path, path, {}});
        }
    }
    return devices;
}

} // namespace NuvixParser
