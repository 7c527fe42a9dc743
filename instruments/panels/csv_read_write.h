// TCSVReadWrite: a table of text fields read from and written to comma-separated files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace NuvixParser {

class TCSVReadWrite {
public:
    using TRow = std::vector<std::string>;

    // Clears the table, then fills it from the file; false (and an empty table) when the
    // file could not be read.
    bool Read(const std::string& path);
    // Writes the table through a temporary file beside `path` that then replaces it, so a
    // failed write leaves the old file as it was. False on any failure.
    bool Write(const std::string& path) const;

    // The table from bytes read elsewhere (cleared first).
    void Parse(std::string_view data);
    // The bytes Write puts into the file.
    std::string Format() const;

    std::vector<TRow>& Rows() { return rows_; }
    const std::vector<TRow>& Rows() const { return rows_; }
    // The 1-based line of the file on which row `row` began (rows appended by hand: 0).
    int LineOf(std::size_t row) const { return row < lines_.size() ? lines_[row] : 0; }

private:
    std::vector<TRow> rows_;
    std::vector<int> lines_;
};

} // namespace NuvixParser
