// Fuzz target: the CSV reader and the GUI file loader, and their written forms read back.
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"
#include "instruments/panels/csv_read_write.h"
#include "instruments/panels/gui_file.h"

namespace NuvixFuzz {

namespace {

// A row of one empty field is written as an empty line, which the reader skips; no GUI
// file has such a row (every object writes six fields and more).
bool HasLoneEmptyField(const NuvixParser::TCSVReadWrite& table) {
    for (const auto& row : table.Rows())
        if (row.size() == 1 && row[0].empty()) return true;
    return false;
}

} // namespace

void FuzzGuiFile(const std::uint8_t* data, std::size_t size) {
    using namespace NuvixParser;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TCSVReadWrite table;
    table.Parse(bytes);
    for (const auto& row : table.Rows()) FUZZ_CHECK(!row.empty());
    for (std::size_t r = 1; r < table.Rows().size(); ++r) FUZZ_CHECK(table.LineOf(r) > table.LineOf(r - 1));

    if (!HasLoneEmptyField(table)) {
        TCSVReadWrite again;
        again.Parse(table.Format());
        FUZZ_CHECK(again.Rows() == table.Rows());
    }

    TEditObjectList objects;
    const TGuiLoadResult loaded = ObjectsFromTable(table, "fuzz.gui", objects);
    if (!loaded.Ok()) {
        FUZZ_CHECK(objects.empty());
        FUZZ_CHECK((loaded.status == TGuiLoadStatus::TooManyRows) == (table.Rows().size() > kMaxGuiFileRows));
        return;
    }
    FUZZ_CHECK(objects.size() <= table.Rows().size());
    // What was loaded saves to a file that loads to the same objects.
    TCSVReadWrite saved;
    ObjectsToTable(objects, saved);
    const std::string written = saved.Format();
    TCSVReadWrite reread;
    reread.Parse(written);
    TEditObjectList back;
    FUZZ_CHECK(ObjectsFromTable(reread, "fuzz.gui", back).Ok());
    FUZZ_CHECK(back.size() == objects.size());
    TCSVReadWrite savedAgain;
    ObjectsToTable(back, savedAgain);
    FUZZ_CHECK(savedAgain.Format() == written);
}

} // namespace NuvixFuzz
