// Rows of the designs mode: one threshold per genome or map, design, level and
// marker spacing, with the simulated threshold beside it when asked for.
#ifndef LODTHRESH_TABLE_DESIGN_ROWS_H
#define LODTHRESH_TABLE_DESIGN_ROWS_H

#include <cstddef>
#include <string>
#include <vector>

#include "table/format.h"
#include "threshold/design.h"

namespace lodthresh::table {

// A design by name, or a custom rate with its tail (name null).
struct DesignChoice {
    const char* name;
    Tail tail;
    double rate;
};

// A comma-separated list of designs ("backcross", say); "all" is every design.
std::string parse_designs(const std::string& text, std::vector<DesignChoice>* designs);
// A rate field of this mode: a design's name (with its own tail) or a number
// above 0 (with `tail`); a list, "all" being every design.
std::string parse_design_or_rate(const std::string& text, Tail tail, DesignChoice* design);
std::string parse_designs_or_rates(const std::string& text, Tail tail,
                                   std::vector<DesignChoice>* designs);
// "one-sided", "two-sided" or "2df".
std::string parse_tail(const std::string& text, Tail* tail);
// Marker spacings in cM: finite numbers >= 0, 0 being the dense map.
std::string parse_spacings(const std::string& text, std::vector<double>* spacings_cm);

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

// As append_header, append_row and append_footer, for rows of this mode;
// `simulated` adds the fields sim_lod, sim_se, sim_level and sim_level_se.
// The text format gives LOD scores to three decimals and levels to four
// significant digits, with a dash for an empty field.
void append_design_header(Format format, bool simulated, std::string& out);
void append_design_row(Format format, bool simulated, const DesignRow& row, std::size_t index,
                       std::string& out);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_DESIGN_ROWS_H
