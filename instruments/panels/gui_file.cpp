// GUI files: the six common fields of a row, then the object's own.
#include "instruments/panels/gui_file.h"

#include <cstdint>
#include <limits>

#include "instruments/panels/csv_read_write.h"

namespace NuvixParser {

namespace {

constexpr std::size_t kCommonFields = 6;

// Says which text of which line is not a number, as the user has to find it in the file.
std::string BadNumberMessage(std::string_view fileName, int line, std::string_view text) {
    return std::string(fileName) + ", line " + std::to_string(line) + ": '" + std::string(text) +
           "' is not a valid integer value";
}

} // namespace

TGuiLoadResult ObjectsFromTable(const TCSVReadWrite& table, std::string_view fileName, TEditObjectList& objects) {
    objects.clear();
    const auto& rows = table.Rows();
    if (rows.size() > kMaxGuiFileRows) return {TGuiLoadStatus::TooManyRows, {}};
    TEditObjectList loaded;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const TCSVReadWrite::TRow& row = rows[r];
        if (row.size() < kCommonFields) continue;
        std::int64_t common[kCommonFields];
        for (std::size_t i = 0; i < kCommonFields; ++i) {
            // The edges are signed 32-bit; the id is any 32-bit pattern, so that every id
            // the writer produces (0..4294967295) and a negative one typed by hand read.
            const std::int64_t low = std::numeric_limits<std::int32_t>::min();
            const std::int64_t high = i + 1 == kCommonFields ? std::int64_t{std::numeric_limits<std::uint32_t>::max()}
                                                              : std::int64_t{std::numeric_limits<std::int32_t>::max()};
            if (!ParseFileInteger(row[i], common[i]) || common[i] < low || common[i] > high)
                return {TGuiLoadStatus::BadNumber, BadNumberMessage(fileName, table.LineOf(r), row[i])};
        }
        const TEditObjectCreator* creator = CreatorOf(static_cast<int>(common[0]));
        if (!creator) continue;
        TEditObjectPtr object = creator->create();
        object->rect = {static_cast<std::int32_t>(common[1]), static_cast<std::int32_t>(common[2]),
                        static_cast<std::int32_t>(common[3]), static_cast<std::int32_t>(common[4])};
        object->id = static_cast<std::uint32_t>(common[5]);
        object->ReadFields(std::span<const std::string>(row).subspan(kCommonFields));
        loaded.push_back(std::move(object));
    }
    objects = std::move(loaded);
    return {};
}

TGuiLoadResult LoadObjects(const std::string& path, TEditObjectList& objects) {
    objects.clear();
    TCSVReadWrite table;
    if (!table.Read(path)) return {};
    return ObjectsFromTable(table, path, objects);
}

void ObjectsToTable(const TEditObjectList& objects, TCSVReadWrite& table) {
    auto& rows = table.Rows();
    rows.clear();
    for (const TEditObjectPtr& object : objects) {
        TCSVReadWrite::TRow& row = rows.emplace_back();
        row.push_back(std::to_string(object->TypeId()));
        for (std::int32_t edge : {object->rect.left, object->rect.top, object->rect.right, object->rect.bottom})
            row.push_back(std::to_string(edge));
        row.push_back(std::to_string(object->id));
        object->WriteFields(row);
    }
}

bool SaveObjects(const std::string& path, const TEditObjectList& objects) {
    TCSVReadWrite table;
    ObjectsToTable(objects, table);
    return table.Write(path);
}

} // namespace NuvixParser
