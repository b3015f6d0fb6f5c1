// Power rows of a planned scan: the chance that a scan finds a QTL of a given
// effect at the genome-wide threshold of its design and map, the individuals
// that reach a target power, or the smallest effect that does
// (threshold/power.h for the model).
#ifndef LODTHRESH_TABLE_POWER_ROWS_H
#define LODTHRESH_TABLE_POWER_ROWS_H

#include <cstdint>
#include <string>
#include <vector>

#include "simulation/alternative.h"
#include "simulation/null_scan.h"
#include "table/design_request.h"
#include "table/format.h"
#include "table/options.h"
#include "table/schema.h"
#include "threshold/power.h"

namespace lodthresh::table {

// The most individuals a sample-size row looks at.
constexpr int kMostIndividuals = 100000000;

// The effect sizes of power rows, each list as given (empty: not given).
struct PowerValues {
    std::vector<int> individuals;         // --individuals; the threshold converted to each
    std::vector<double> pves;             // shares of the trait's variance
    std::vector<double> dominances;       // d/a of intercross designs; {0} when not given
    std::vector<double> noncentralities;  // xi
    std::vector<double> target_powers;
};

// What a row solves for with a target power.
enum class Solve : unsigned char { nothing, individuals, pve, noncentrality };

struct PowerRow {
    double length;       // G in Morgan (a map's: the sum of its intervals)
    double chromosomes;  // C
    const char* map;     // the map's path as given, or null
    DesignChoice design;
    double alpha;
    double spacing_cm;  // not used with a map
    std::size_t scan;   // which of its genome's spacings it is
    int individuals;    // 0: none (the large-sample threshold)
    double pve;         // 0: none
    bool has_dominance;
    double dominance;
    double noncentrality;  // 0 until given, derived or solved
    double target_power;   // 0: none
    Solve solve;
    Status status;
    DesignThreshold threshold;  // the level's threshold, converted to the individuals
    ScanPower power;
    // The model's threshold on the chi-square scale and the QTL's effect on
    // the statistic's components.
    double model_t;
    Effect effect;
    // Of the simulation of the alternative in the model (--simulate).
    bool has_simulated;
    double sim_power;
    double sim_power_se;
    std::string failure;  // why a row has no result, when it is not its status's
};

// Reads --pve, --dominance, --noncentrality, --target-power and the list of
// --individuals for the designs of `values` (read_design_options). Errors in
// the order individuals, pve, dominance, noncentrality, target-power.
std::vector<OptionError> read_power_options(const Options& options, const DesignValues& values,
                                            PowerValues& power);

// Whether the design's test has the F2's two components, or is one of them
// (the dominance ratio applies).
bool intercross_like(const DesignChoice& design);

// The rows of one genome and design, solved: each level at each spacing, then
// each individuals, pve, dominance, noncentrality and target power, these
// varying fastest in that order. `map` is the map's path, or null; with a
// `genetic_map` its markers are the scan.
std::vector<PowerRow> solve_power_group(const Genome& genome, const char* map,
                                        const GeneticMap* genetic_map, const DesignChoice& design,
                                        const std::vector<double>& alphas,
                                        const PowerValues& power);

// Simulates each ok row's scan under its alternative in the model, the QTL
// placed uniformly, and fills in sim_power and its standard error. False when
// `control` stopped it (the rows are then partly filled, to be discarded).
// `progress` tells the rows done and the replicates done of the current one.
bool simulate_power_rows(const Genome& genome, const GeneticMap* map, std::uint64_t replicates,
                         const simulation::Control& control,
                         const std::function<void(std::size_t row, std::uint64_t done)>& progress,
                         std::vector<PowerRow>& rows);

// The fields length, chromosomes, map, design, tail, rate, individuals,
// alpha, spacing_cm, pve, dominance, noncentrality, target_power, status,
// nominal_alpha, lod, power, power_at_marker, and with kSimulated sim_power
// and sim_power_se. The text format gives powers to three decimals.
Schema<PowerRow> power_schema(unsigned present);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_POWER_ROWS_H
