// The page's plots: per design the critical LOD against the marker spacing,
// from the dense map to 20 cM (or a map's wider mean spacing), beside Lander
// and Kruglyak's fixed fractions of the dense map's LOD and a map's own
// threshold.
#ifndef LODTHRESH_WEB_PLOT_H
#define LODTHRESH_WEB_PLOT_H

#include <string>

#include "table/design_request.h"
#include "table/values.h"
#include "threshold/genetic_map.h"

namespace lodthresh::web {

// The plot of one design as a JSON object: {"design", "genome", "levels",
// "spacings_cm", "curves" (per level), "dense", "fixed_spacings_cm", "fixed",
// "fixed_labels" (the fractions as text), with a map "map_spacing_cm" and
// "map", then "x_ticks", "y_ticks" and their "_labels"}. The genome is the
// first length and number of chromosomes of `values`, or the map's.
void append_plot(const table::DesignValues& values, const GeneticMap* map,
                 const table::DesignChoice& design, std::string& out);

}  // namespace lodthresh::web

#endif  // LODTHRESH_WEB_PLOT_H
