// Rows of the designs mode: one threshold per genome or map, design, level and
// marker spacing, with the simulated threshold beside it when asked for; or
// with --lod one genome-wide p-value per genome or map, design, spacing and
// peak.
#ifndef LODTHRESH_TABLE_DESIGN_ROWS_H
#define LODTHRESH_TABLE_DESIGN_ROWS_H

#include <string>

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
    // Of a p-value row: the fraction of replicates whose maximum is above the
    // peak, and its binomial standard error.
    bool has_p = false;
    double p = 0.0;
    double p_se = 0.0;
};

// The genome-wide p-value of a peak of LOD L, T = 2 ln 10 L.
struct PeakPValue {
    double nominal_p = 0.0;  // alpha_T, the pointwise p-value of the design's test
    double expected = 0.0;   // lambda(T), the expected number of peaks this high per null scan
    double p_genome = 0.0;   // 1 - exp(-lambda(T)), the chance of at least one
};

// Where a scan evaluates the statistic (--scan, --step).
struct ScanPoints {
    bool interval = false;  // between the markers too, as interval mapping does
    double step_cm = 0.0;   // pseudomarkers every step cM; 0: every point between
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
    std::size_t scan;        // which of its genome's scans it is
    double peak;             // a p-value row's LOD score; 0 for a threshold row
    PeakPValue p_value;      // a p-value row's result, only with Status::ok
    // A cross's individuals (0: the large-sample rows). With them the LOD
    // scores are those of regression on n individuals, and the large-sample
    // LOD of the same pointwise level (what the simulation's maxima are
    // compared with) is kept beside them.
    int individuals;
    double large_sample_lod;
    ScanPoints points;
    // Why a row has no result when its scan is one the level cannot take (a
    // step leaving too many pseudomarkers, say); "" otherwise.
    std::string failure;
};

// Computes the row's result and status from its scan: the threshold of its
// level, or of a p-value row (peak > 0) the p-value of its peak; for n
// individuals through the F distribution (threshold/finite_sample.h). With
// `between` (the same markers as `scan`), the level of interval mapping's scan
// of them (threshold/interval.h).
void solve_design_row(const Scan& scan, DesignRow& row, const IntervalScan* between = nullptr);

// The fields length, chromosomes, map, design, tail, rate, (with
// kIndividuals) individuals, alpha, spacing_cm
// (empty for a map), (with kScanPoints) scan and step_cm, status, nominal_alpha, lod, and with
// kSimulated sim_lod, sim_se, sim_level and sim_level_se. The text format leaves out the status,
// gives LOD scores to three decimals, levels to four significant digits and
// simulated levels to four decimals, and puts the map's path last.
Schema<DesignRow> design_schema(unsigned present);

// The fields length, chromosomes, map, design, tail, rate, (with
// kIndividuals) individuals, spacing_cm, (with kScanPoints) scan and step_cm, lod
// (the peak's), status, nominal_p, expected, p_genome, and with kSimulated
// sim_p and sim_p_se. The text format gives the p-values and the expected
// number to four significant digits (below 1e-4 in scientific notation).
Schema<DesignRow> p_value_schema(unsigned present);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_DESIGN_ROWS_H
