// The simulated values of the designs mode's rows, as the command line and
// the page compute them.
#ifndef LODTHRESH_TABLE_DESIGN_SIMULATION_H
#define LODTHRESH_TABLE_DESIGN_SIMULATION_H

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "simulation/null_scan.h"
#include "table/design_request.h"

namespace lodthresh::table {

// Simulates scan `s` of a genome (a map's, when `map` is given) for a design
// and fills in the simulated values of `rows`, the group's rows from
// solve_design_group (those of scan s). False when
// `control` stopped it. Throws std::invalid_argument as the simulation does
// (a chromosome of more markers than it takes, say).
bool simulate_scan(const Genome& genome, const GeneticMap* map, const DesignChoice& design,
                   std::size_t s, std::uint64_t replicates, const simulation::Control& control,
                   std::vector<DesignRow>& rows);

// How a group's simulation tells how far it is and what went wrong: each
// scan's replicates done, and a scan that could not be simulated (whose rows
// then go without simulated values; without `failed` the exception passes).
struct GroupWatch {
    std::function<void(std::size_t scan, std::uint64_t done)> progress;
    std::function<void(const std::exception& error)> failed;
};

// Simulates every scan of a group's genome in turn, as simulate_scan does.
// Returns the number of scans done: all of them, or the index of the scan
// that `control` stopped.
std::size_t simulate_group(const Genome& genome, const GeneticMap* map, const DesignChoice& design,
                           std::uint64_t replicates, simulation::Control control,
                           const GroupWatch& watch, std::vector<DesignRow>& rows);

// What scan `s` of a group simulates, for a progress bar: "backcross at 10
// cM", "rate 1.3, two-sided, on gmap.csv" (`map` the map's path, or null).
std::string simulation_subject(const Genome& genome, const char* map, const DesignChoice& design,
                               std::size_t s);

// A progress bar's line of at most 79 characters, without the control codes
// that draw it: "simulating WHAT [####      ] 40%" and, from 5 s on, the time
// left, estimated from the `elapsed` seconds and the `fraction` done (0 to 1).
std::string progress_text(double fraction, double elapsed, const std::string& what);

}  // namespace lodthresh::table

#endif  // LODTHRESH_TABLE_DESIGN_SIMULATION_H
