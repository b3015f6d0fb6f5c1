#include "table/design_rows.h"

#include <cmath>
#include <stdexcept>

#include "threshold/threshold.h"

namespace lodthresh::table {

void solve_design_row(const Scan& scan, DesignRow& row) {
    try {
        row.result = design_threshold(scan, row.design.tail, row.design.rate, row.alpha);
        row.status = std::isfinite(row.result.nominal_alpha) && std::isfinite(row.result.lod)
                         ? Status::ok
                         : Status::calculation_failed;
    } catch (const NoSolution&) {
        row.status = Status::no_solution;
    } catch (const std::exception&) {
        row.status = Status::calculation_failed;  // NominalLevelOutOfRange, say
    }
}

}  // namespace lodthresh::table
