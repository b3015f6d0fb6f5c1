#include "web/text_cells.h"

namespace lodthresh::web {

namespace {

// The name that stands for a map's while the row is written: a file's name
// may hold blanks, which would split its cell.
constexpr const char* kMapStandIn = "map";

std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\n')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\n') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// The columns of the results, which a row without a result replaces by its
// reason, start at the nominal level.
std::size_t value_columns(const std::vector<std::string>& headings) {
    for (std::size_t i = 0; i < headings.size(); ++i) {
        if (headings[i] == "nominal_alpha" || headings[i] == "status") {
            return i;
        }
    }
    return headings.size();
}

}  // namespace

std::vector<std::string> header_cells(const std::string& header) {
    return words_of(header);
}

RowCells row_cells(const table::DesignRow& row, std::size_t index, bool simulated) {
    std::string header;
    table::append_design_header(table::Format::text, simulated, header);
    const std::vector<std::string> headings = words_of(header);

    table::DesignRow written = row;
    written.map = row.map != nullptr ? kMapStandIn : nullptr;
    std::string line;
    table::append_design_row(table::Format::text, simulated, written, index, line);
    std::vector<std::string> words = words_of(line);

    RowCells cells;
    const std::size_t values =
        row.status == table::Status::ok ? words.size() : value_columns(headings);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i < values) {
            const bool map_cell = row.map != nullptr && i < headings.size() && headings[i] == "map";
            cells.cells.push_back(map_cell ? std::string(row.map) : words[i]);
        } else {
            cells.reason += cells.reason.empty() ? "" : " ";
            cells.reason += words[i];
        }
    }
    return cells;
}

}  // namespace lodthresh::web
