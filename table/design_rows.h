// Rows of the designs mode: one threshold per genome or map, design, level and
// marker spacing, with the simulated threshold beside it when asked for.
#ifndef LODTHRESH_TABLE_DESIGN_ROWS_H
#define LODTHRESH_TABLE_DESIGN_ROWS_H

#include "table/format.h"
#include "table/schema.h"
#include "table/values.h"
#include "threshold/design.h"

namespace lodthresh::table {

// The simulated values of a row; each may be missing (see has_*).
struct Simulated {
    bool has_lod = false;  // fewer than 10 replicates expected above it, or not run
    double lod = 0.0;
    double lod_se = 0.0;
    bool has_level = false;  // the row has no analytic threshold, or not run
    double level = 0.0;
    double level_se = 0.0;
};

struct DesignRow {
    double length;       // G in Morgan (a map's: the sum of its intervals)
    double chromosomes;  // C
    const char* map;     // the map's path as given, or null
    DesignChoice design;
    double alpha;
    double spacing_cm;  // not used with a map
    Status status;
    DesignThreshold result;  // only with Status::ok
    Simulated simulated;     // only written when the rows are simulated
};

// Computes the row's result and status from its scan.
void solve_design_row(const Scan& scan, DesignRow& row);

// The fields length, chromosomes, map, design, tail, rate, alpha, spacing_cm
// (empty for a map), status, nominal_alpha, lod, and with kSimulated sim_lod,
// sim_se, sim_level and sim_level_se. The text format leaves out the status,
// gives LOD scores to three decimals, levels to four significant digits and
// simulated levels to four decimals, and puts the map's path last.
Schema<DesignRow> design_schema(unsigned present);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_DESIGN_ROWS_H
