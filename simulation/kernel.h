// The chain kernel of the null-scan simulation (not installed): the
// statistic of a replicate along its markers, and its genome-wide maximum.
//
// The Ornstein-Uhlenbeck process of the null statistic (scan.h; Feingold,
// Brown and Siegmund, Am. J. Hum. Genet. 53(1):234-251, 1993), seen at the
// markers only, is exactly an AR(1) chain:
//   Z_0 ~ N(0, 1),  Z_{j+1} = r_j Z_j + sqrt(1 - r_j^2) e_j,  r_j = exp(-2 rho d_j),
// with d_j the distance between markers j and j + 1 and e_j independent
// standard normal, so no step of discretisation enters at a marker. A
// replicate's genome-wide maximum is that of Z (one-sided), Z^2 (two-sided) or
// Z_a^2 + Z_d^2 (2 df), the maximum over markers of Lander and Kruglyak's
// genome-wide scan (Nature Genetics 11(3):241-247, 1995). The paths are never
// stored: each replicate leaves its maximum alone (and the dense map's
// subgrid's).
//
// Replicates run side by side in kLanes lanes from one stream of bits
// (xoshiro.h) turned into normal deviates by the ziggurat (ziggurat.h).
#ifndef LODTHRESH_SIMULATION_KERNEL_H
#define LODTHRESH_SIMULATION_KERNEL_H

#include <atomic>
#include <cstddef>
#include <vector>

#include "simulation/scan.h"
#include "simulation/xoshiro.h"
#include "simulation/ziggurat.h"
#include "threshold/design.h"

namespace lodthresh::simulation {

// Replicates run side by side in lanes: independent chains interleaved so that
// the multiply-add of one waits on no other and the generator state stays in
// registers. The lane count fixes the order of the draws, and so the results
// of a seed.
constexpr std::size_t kLanes = 8;

// One step of the AR(1) chain: Z' = r Z + s e, s = sqrt(1 - r^2).
struct Step {
    double r;
    double s;
};

// A run of equal marker intervals: the steps of both components (the
// dominance one unused by a 1-df statistic) and how many there are.
struct Run {
    Step a;
    Step d;
    std::size_t count;
};

struct ChromosomeRuns {
    std::size_t first;  // into Plan::runs
    std::size_t steps;  // in all its runs
};

// The scan as the chains need it: each chromosome's intervals in runs of equal
// length, so that an evenly spaced scan costs a few bytes however many markers
// it has, and its steps stay in registers.
struct Plan {
    std::vector<ChromosomeRuns> chromosomes;
    std::vector<Run> runs;
};

// The plan of a scan. Throws std::invalid_argument when the scan has no
// chromosome, its rate is not finite and positive, a distance is not finite
// and >= 0, or a dense scan's chromosome has steps not divisible by 4.
Plan make_plan(const NullScan& scan);

// Runs kLanes replicates of the whole scan from `stream`, one deviate per lane
// and component at each marker, markers in order, lanes within a marker, the
// additive component before the dominance one; leaves `stream` past the
// deviates drawn. Writes each lane's maximum to fine[0, kLanes) on the
// statistic's own scale (max Z, max Z^2, max Z_a^2 + Z_d^2), and for the dense
// map the every-fourth-point subgrid's to coarse[0, kLanes). Reads `stop`
// (when not null) every few thousand deviates, and returns false when it is
// set.
using LaneRunner = bool (*)(const Plan& plan, const Ziggurat& normal, Xoshiro256& stream,
                            const std::atomic<bool>* stop, double* fine, double* coarse);

// The runner of a tail, for the dense map's grid and subgrid or for markers.
LaneRunner lane_runner(Tail tail, bool dense);

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_KERNEL_H
