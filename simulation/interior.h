// The points that interval mapping evaluates between two markers (not
// installed): where they lie, and the direction of each in the plane of the
// interval's whitened statistics (kernel.h).
//
// Pseudomarkers lie every S cM from each chromosome's first marker (R/qtl's
// calc.genoprob with `step`, no points beyond the end markers); the 2-df
// continuous scan takes each interval of d cM in ceil(d / g) equal parts.
#ifndef LODTHRESH_SIMULATION_INTERIOR_H
#define LODTHRESH_SIMULATION_INTERIOR_H

#include <cstdint>
#include <vector>

#include "simulation/kernel.h"
#include "simulation/scan.h"

namespace lodthresh::simulation {

// A pseudomarker this close to a marker (1e-8 cM, in Morgan) is the marker:
// the positions of a map come back from its distances with rounding errors
// far below it.
constexpr double kCoincident = 1e-10;

// The most points between markers that a scan may evaluate per replicate.
constexpr std::uint64_t kMaxInteriorPoints = std::uint64_t{1} << 26;

// The offsets from its left marker (in Morgan, increasing, strictly inside) of
// the points evaluated in the interval [left, left + distance] of a
// chromosome, left measured from the chromosome's first marker: the
// pseudomarkers, or the 2-df continuous scan's grid; none for the markers
// alone and for the 1-df continuous scan, whose interval the kernel takes
// whole. Replaces the contents of `offsets`.
void interior_offsets(const NullScan& scan, double left, double distance,
                      std::vector<double>& offsets);

// The direction (cos psi, sin psi), as a Step (r = cos psi, s = sin psi), of
// the point `offset` Morgan into an interval of `distance` Morgan, for a
// component of cross-over rate `rate` (kernel.h gives psi).
Step interior_direction(double distance, double offset, double rate);

// The points between markers that a replicate evaluates (each counted once,
// whatever the number of components): 0 for the markers alone and for the
// 1-df continuous scan.
std::uint64_t interior_points(const NullScan& scan);

// Throws std::invalid_argument when the scan's interval mapping is not one
// that can be simulated: a kind on the dense map, a step or a grid that is not
// finite and positive, or more than kMaxInteriorPoints points between markers.
// Reads the scan's distances, which must be finite and >= 0.
void check_between(const NullScan& scan);

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_INTERIOR_H
