// A request of the designs mode as the command line and the page take it:
// the options as typed, checked into values in the command line's words, and
// the genomes and rows they ask for, in the command line's order.
#ifndef LODTHRESH_TABLE_DESIGN_REQUEST_H
#define LODTHRESH_TABLE_DESIGN_REQUEST_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulation/null_scan.h"
#include "table/design_rows.h"
#include "table/options.h"
#include "threshold/design.h"
#include "threshold/genetic_map.h"

namespace lodthresh::table {

// The marker spacing of a designs-mode request that gives none: the dense map.
constexpr double kDenseSpacingCm = 0.0;

// The fewest null scans a simulation takes: below it the simulated level of a
// threshold at 0.05 rests on a handful of scans, and a threshold's standard
// error on none.
constexpr std::uint64_t kLeastReplicates = 100;

// The values, each list as the command line expands it.
struct DesignValues {
    std::vector<double> lengths, chromosomes, alphas, spacings_cm;
    std::vector<double> lods;  // peaks' LOD scores (--lod): p-value rows; empty: thresholds
    int individuals = 0;       // a cross's individuals (--individuals); 0: large-sample rows
    std::vector<int> individual_counts;  // each of a list of them (power rows); empty: none
    ScanPoints points;                   // where the scan evaluates the statistic
    bool scan_given = false;             // --scan: the rows say where
    std::vector<DesignChoice> designs;
    Tail tail = Tail::one_sided;
    std::uint64_t replicates = 0;  // null scans to simulate; 0: none
    simulation::Control control;   // the simulation's seed and threads
};

// The combinations of options that this mode refuses: --precision, --design
// or --lod with --batch, and with --map the values that the map gives. The
// message, or none.
std::optional<std::string> refused_design_combination(const Options& options);

// Reads every option of this mode into `values`; an option not given takes
// its default (the standard mode's genome, rate and level in
// ThresholdParameters, DesignValues' tail, kDenseSpacingCm, no simulation,
// seed simulation::kDefaultSeed, one thread). Returns the errors in the order tail,
// length, chromosomes, design or rate, alpha or lod, spacing, scan, step,
// individuals,
// simulate, seed, threads; the command line reports the first, the page each beside its input.
std::vector<OptionError> read_design_options(const Options& options, DesignValues& values);

// The messages of a map read from the file `name`, as the command line prints
// them after "lodthresh: ": each bad line's "NAME:LINE: reason", or "NAME: no
// marker" for a file without one; none for a good map.
std::vector<std::string> map_messages(const std::string& name, const MapReading& reading);

// The warnings of the values, as the command line prints them after
// "lodthresh: warning: ": one for each genome and spacing longer than the
// genome's chromosomes (G/C), whose rows are computed all the same, with
// markers only at each chromosome's ends.
std::vector<std::string> spacing_warnings(const DesignValues& values);

// The map that the designs mode scans, from a map as read: without the
// chromosomes that `omit` names (a comma-separated list, --omit-chromosomes)
// and without the X chromosome, whose test differs by design and cross
// direction (a warning for it goes to `warnings`, as the command line prints
// it after "lodthresh: "). Returns the usage error of a name the map lacks,
// or of a map left without a chromosome; "" otherwise.
std::string map_to_scan(const std::string& name, MapReading& reading,
                        const std::optional<std::string>& omit, GeneticMap& map,
                        std::vector<std::string>& warnings);

// A genome and its scans: one per marker spacing, or a map's own; for
// interval mapping each scan's intervals too.
struct Genome {
    double length;
    double chromosomes;
    std::vector<double> spacings_cm;  // of each scan; unused for a map
    std::vector<Scan> scans;
    ScanPoints points;
    std::vector<IntervalScan> between;  // beside `scans` with points.interval, else empty
};

// G Morgan on C chromosomes at each spacing, scanned at `points`. Throws
// std::invalid_argument when interval mapping meets a dense map (spacing 0)
// or a chromosome of more than 10^6 intervals.
Genome even_genome(double length, double chromosomes, const std::vector<double>& spacings_cm,
                   const ScanPoints& points = {});
// The genomes of the values: each length with each number of chromosomes, or
// with a map (not null) the map's alone: its length, chromosomes and scan.
std::vector<Genome> genomes_of(const DesignValues& values, const GeneticMap* map);

// The rows of one genome and design, solved: each level at each scan, the
// scans varying faster; or, when `lods` is not empty, each scan's p-value of
// each peak, the peaks varying faster; for `individuals` > 0 those of a cross
// of that many. `map` is the map's path, or null.
std::vector<DesignRow> solve_design_group(const Genome& genome, const char* map,
                                          const DesignChoice& design,
                                          const std::vector<double>& alphas,
                                          const std::vector<double>& lods = {},
                                          int individuals = 0);

// The schema of the values' rows: thresholds or p-values of peaks, with the
// fields that their options add (the simulated values, individuals).
Schema<DesignRow> rows_schema(const DesignValues& values);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_DESIGN_REQUEST_H
