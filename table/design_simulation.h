// The simulated values of the designs mode's rows, as the command line and
// the page compute them.
#ifndef LODTHRESH_TABLE_DESIGN_SIMULATION_H
#define LODTHRESH_TABLE_DESIGN_SIMULATION_H

#include <cstdint>
#include <vector>

#include "simulation/null_scan.h"
#include "table/design_request.h"

namespace lodthresh::table {

// Simulates scan `s` of a genome (a map's, when `map` is given) for a design
// and fills in the simulated values of `rows`, the group's rows from
// solve_design_group (those of scan s: every scans-th from s). False when
// `control` stopped it. Throws std::invalid_argument as the simulation does
// (a chromosome of more markers than it takes, say).
bool simulate_scan(const Genome& genome, const GeneticMap* map, const DesignChoice& design,
                   std::size_t s, std::uint64_t replicates, const simulation::Control& control,
                   std::vector<DesignRow>& rows);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_DESIGN_SIMULATION_H
