// TCSVReadWrite: the reading state machine, the quoting rule of the writer, and the
// replace-by-rename write.
#include "instruments/panels/csv_read_write.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace NuvixParser {

namespace {

// A field is quoted when reading it unquoted would change it: a comma or a line end
// would split it, a leading blank would be dropped, a quote would be taken literally
// only inside an unquoted field. Blanks anywhere are quoted, so texts keep all of them.
bool NeedsQuotes(std::string_view field) {
    return field.find_first_of("\n\r ,\"") != std::string_view::npos;
}

} // namespace

// The reader in states; "store" appends the collected field to the last row, "end row"
// starts a new one. An empty row left at the end is removed.
//
//   start --'"'--> quoted --'"'--> after quote --'"'--> quoted (one '"' kept)
//     |  \--other--> unquoted        |  bytes up to ',' or a line end are dropped
//     ' ' dropped (leading blanks)   ',' store, line end store + end row
//   line end: store + end row, then further CR/LF are skipped (no empty rows)
void TCSVReadWrite::Parse(std::string_view data) {
    enum class State { Start, Unquoted, Quoted, AfterQuote, AfterLineEnd };
    rows_.assign(1, TRow{});
    lines_.assign(1, 1);
    std::string field;
    int line = 1;
    State state = State::Start;
    auto store = [&] {
        rows_.back().push_back(std::move(field));
        field.clear();
    };
    auto endRow = [&] {
        store();
        rows_.emplace_back();
        lines_.push_back(line);
        state = State::AfterLineEnd;
    };
    for (std::size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        const bool lineEnd = c == '\r' || c == '\n';
        // Lines are counted as an editor shows them: CR LF is one line end.
        if (c == '\n' || (c == '\r' && (i + 1 == data.size() || data[i + 1] != '\n'))) ++line;
        if (state == State::AfterLineEnd) {
            if (lineEnd) continue;
            lines_.back() = line;
            state = State::Start;
        }
        switch (state) {
        case State::Start:
            if (c == ' ') break;
            if (c == '"')
                state = State::Quoted;
            else if (c == ',')
                store();
            else if (lineEnd)
                endRow();
            else {
                field += c;
                state = State::Unquoted;
            }
            break;
        case State::Unquoted:
            if (c == ',') {
                store();
                state = State::Start;
            } else if (lineEnd)
                endRow();
            else
                field += c;
            break;
        case State::Quoted:
            if (c == '"')
                state = State::AfterQuote;
            else
                field += c;
            break;
        case State::AfterQuote:
            if (c == '"') {
                field += '"';
                state = State::Quoted;
            } else if (c == ',') {
                store();
                state = State::Start;
            } else if (lineEnd)
                endRow();
            break;
        case State::AfterLineEnd:
            break;
        }
    }
    if (!data.empty() && state != State::AfterLineEnd) endRow();
    if (rows_.back().empty()) {
        rows_.pop_back();
        lines_.pop_back();
    }
}

bool TCSVReadWrite::Read(const std::string& path) {
    rows_.clear();
    lines_.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return false;
    Parse(data);
    return true;
}

std::string TCSVReadWrite::Format() const {
    std::string out;
    for (const TRow& row : rows_) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) out += ',';
            const std::string& field = row[i];
            if (!NeedsQuotes(field)) {
                out += field;
                continue;
            }
            out += '"';
            for (char c : field) {
                if (c == '"') out += '"';
                out += c;
            }
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

bool TCSVReadWrite::Write(const std::string& path) const {
    namespace fs = std::filesystem;
    const std::string data = Format();
    // Beside the target, so the rename stays on one file system and replaces it at once.
    const std::string temp = path + ".writing~";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

} // namespace NuvixParser
