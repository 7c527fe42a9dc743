// GUI files: a panel's control objects as rows of a comma-separated file, one per object.
#pragma once

#include <string>
#include <string_view>

#include "instruments/panels/edit_object.h"

namespace NuvixParser {

class TCSVReadWrite;

// A larger file is refused as a whole.
constexpr std::size_t kMaxGuiFileRows = 4096;

enum class TGuiLoadStatus {
    Loaded,      // also for a file that could not be read: an empty panel
    TooManyRows, // more than kMaxGuiFileRows rows
    BadNumber,   // a common field is not an integer; `message` says where
};

struct TGuiLoadResult {
    TGuiLoadStatus status = TGuiLoadStatus::Loaded;
    std::string message;
    bool Ok() const { return status == TGuiLoadStatus::Loaded; }
};

// Empties `objects` and fills it from the file. Unless the result is Ok, `objects` is left
// empty: no object of a refused file is used.
TGuiLoadResult LoadObjects(const std::string& path, TEditObjectList& objects);
// The same from a table already read; `fileName` only names the file in messages.
TGuiLoadResult ObjectsFromTable(const TCSVReadWrite& table, std::string_view fileName, TEditObjectList& objects);

// The table of an object list, and writing it (false when the file could not be written;
// the old file is then left as it was).
void ObjectsToTable(const TEditObjectList& objects, TCSVReadWrite& table);
bool SaveObjects(const std::string& path, const TEditObjectList& objects);

} // namespace NuvixParser
