// The page's plots: per design the critical LOD against the marker spacing,
// from the dense map to 20 cM (or a map's wider mean spacing), beside Lander
// and Kruglyak's fixed fractions of the dense map's LOD and a map's own
// threshold; for power rows, per design the power of the scan against the
// number of individuals.
#ifndef LODTHRESH_WEB_PLOT_H
#define LODTHRESH_WEB_PLOT_H

#include <string>
#include <vector>

#include "table/design_request.h"
#include "table/design_rows.h"
#include "table/power_rows.h"
#include "table/values.h"
#include "threshold/genetic_map.h"

namespace lodthresh::web {

// The plot of one design as a JSON object: {"design", "genome", "levels",
// "spacings_cm", "curves" (per level), "dense", "fixed_spacings_cm", "fixed",
// "fixed_labels" (the fractions as text), with a map "map_spacing_cm" and
// "map", with a simulation "sim_spacings_cm" (the spacings of `rows`
// simulated, rising; a map's at its mean spacing) and per level at each of
// them "sim" (the row's sim_lod), "sim_low" and "sim_high" (sim_lod -+ 2
// sim_se), null where the row has none, then "x_ticks", "y_ticks" and their
// "_labels"}. The genome is the first length and number of chromosomes of
// `values`, or the map's; the simulated points are its threshold rows of the
// design, of the large sample as the curves are (not a cross's n
// individuals). The axis reaches the widest spacing simulated.
void append_plot(const table::DesignValues& values, const GeneticMap* map,
                 const table::DesignChoice& design, const std::vector<table::DesignRow>& rows,
                 std::string& out);

// The plot of the power of one design's scan against the number of
// individuals n, as a JSON object: {"kind": "power", "design", "genome" (with
// its spacing), "dominance" (the ratio's text, intercross designs only),
// "individuals" (the n of the points, whole numbers rising on a logarithmic
// axis from 20 or less to 1000 or more, through every n of `rows`), "levels"
// and "pves" (each curve's, as text), "curves" (the power at each n, null
// where a row would have none), "targets" (the target powers), "x_ticks",
// "y_ticks" and their "_labels"}. The power at n is the power row's of that
// n (solve_power_group): the level's threshold converted to n individuals and
// the QTL's noncentrality from its share of variance. The scan is the first
// genome's at its first spacing, or the map's, and the QTL's dominance ratio
// the first given. `rows` are the answer's power rows, of every design.
void append_power_plot(const table::DesignValues& values, const table::PowerValues& power,
                       const GeneticMap* map, const table::DesignChoice& design,
                       const std::vector<table::PowerRow>& rows, std::string& out);

}  // namespace lodthresh::web

#endif  // LODTHRESH_WEB_PLOT_H
