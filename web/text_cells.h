// The cells of the command line's text table, for the page's table: the text
// format's own words and digits, split at the blanks that align its columns.
#ifndef LODTHRESH_WEB_TEXT_CELLS_H
#define LODTHRESH_WEB_TEXT_CELLS_H

#include <cstddef>
#include <string>
#include <vector>

#include "table/design_rows.h"

namespace lodthresh::web {

// The column headings of the text format's header line.
std::vector<std::string> header_cells(const std::string& header);

// A row's cells as the text format writes them: one per heading for a row
// with a result; for a row without one, the cells of its values and, in
// `reason`, the words that say why there is no result.
struct RowCells {
    std::vector<std::string> cells;
    std::string reason;
};
// `simulated`: the row has the simulated fields.
RowCells row_cells(const table::DesignRow& row, std::size_t index, bool simulated);

}  // namespace lodthresh::web

#endif  // LODTHRESH_WEB_TEXT_CELLS_H
