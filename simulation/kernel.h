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
//
// Between two markers (interval mapping, scan.h) the statistic is
// interpolated from theirs. Markers j and j + 1, d apart, have r = exp(-2 rho
// d); a point x into the interval has correlations r1 = exp(-2 rho x) and
// r2 = exp(-2 rho (d - x)) with them (r1 r2 = r, the process being Markov). Its
// statistic with complete genotype information is the conditional expectation
//   E[Z(x) | Z_j, Z_{j+1}] = a Z_j + b Z_{j+1},
//   a = (r1 - r r2) / (1 - r^2),  b = (r2 - r r1) / (1 - r^2),
// normalised to unit variance v = a r1 + b r2 = (r1^2 + r2^2 - 2 r^2) / (1 - r^2).
// In the whitened coordinates of the chain's own step, W = (Z_j, e_j) with
// independent standard normal components, Z_j = W . (1, 0) and
// Z_{j+1} = W . (r, s), the unit vector at the angle theta = acos r; and
// a Z_j + b Z_{j+1} = W . (a + b r, b s) = W . (r1, (r2 - r r1) / s), whose
// squared length is v. The point's statistic is therefore W . (cos psi, sin psi)
// with
//   tan psi = (r2 - r r1) / (s r1) = r (exp(4 rho x) - 1) / s,
// which rises from 0 at x = 0 to s / r = tan theta at x = d (psi = theta / 2 at
// the midpoint): the point is one step of the chain from Z_j by the angle psi
// instead of theta, drawn with the same deviate e_j. So:
// - a pseudomarker costs one multiply-add pair, cos psi Z_j + sin psi e_j,
//   with its direction computed once per interval (interior.h);
// - over the whole interval, psi runs over the arc [0, theta], and the
//   largest projection W . (cos psi, sin psi) is |W| where the direction of W
//   lies on the arc and the larger end (a marker's statistic) elsewhere. W lies
//   on the arc when both cross products (1, 0) x W = e_j and W x (r, s) =
//   s Z_j - r e_j are >= 0; a two-sided test takes W or -W, where the two have
//   the same sign. |W|^2 = Z_j^2 + e_j^2 is kept on its own, on the squared
//   scale, so no square root is taken within the chains;
// - a 2-df statistic's components have rates of their own, so their arcs are
//   walked at different speeds and the maximum of Z_a^2 + Z_d^2 is taken at
//   points: the pseudomarkers, or a grid of the interval for the continuous
//   scan (IntervalMapping::grid_cm).
// The markers' deviates are the same whatever the scan evaluates between them,
// so a seed's interval maxima are at least its markers-only maxima, replicate
// by replicate.
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
// dominance one unused by a 1-df statistic) and how many there are; and the
// points that each of them evaluates between its markers,
// Plan::points[first_point, first_point + points).
struct Run {
    Step a;
    Step d;
    std::size_t count;
    std::size_t first_point = 0;
    std::size_t points = 0;
};

// A point between two markers: its direction (r = cos psi, s = sin psi) in the
// whitened plane of each component's interval.
struct Direction {
    Step a;
    Step d;
};

// What the chains evaluate between markers: nothing, the whole arc of each
// interval (1-df continuous scan), or points (pseudomarkers, the 2-df
// continuous scan's grid).
enum class Interior { none, arc, points };

struct ChromosomeRuns {
    std::size_t first;  // into Plan::runs
    std::size_t steps;  // in all its runs
};

// The scan as the chains need it: each chromosome's intervals in runs of equal
// length (and of the same points between their markers), so that an evenly
// spaced scan costs a few bytes however many markers it has, and its steps
// stay in registers.
struct Plan {
    std::vector<ChromosomeRuns> chromosomes;
    std::vector<Run> runs;
    Interior interior = Interior::none;
    std::vector<Direction> points;
};

// The plan of a scan. Throws std::invalid_argument when the scan has no
// chromosome, its rate is not finite and positive, a distance is not finite
// and >= 0, a dense scan's chromosome has steps not divisible by 4, or its
// interval mapping is refused (interior.h, check_between).
Plan make_plan(const NullScan& scan);

// Runs kLanes replicates of the whole scan from `stream`, one deviate per lane
// and component at each marker, markers in order, lanes within a marker, the
// additive component before the dominance one; leaves `stream` past the
// deviates drawn. Writes each lane's maximum to fine[0, kLanes) on the
// statistic's own scale (max Z, max Z^2, max Z_a^2 + Z_d^2; between the
// markers too as the plan's interior says), and for the dense
// map the every-fourth-point subgrid's to coarse[0, kLanes). Reads `stop`
// (when not null) every few thousand deviates, and returns false when it is
// set.
using LaneRunner = bool (*)(const Plan& plan, const Ziggurat& normal, Xoshiro256& stream,
                            const std::atomic<bool>* stop, double* fine, double* coarse);

// The runner of a tail, for the dense map's grid and subgrid or for markers
// and what lies between them (the dense map has nothing: `interior` is then
// not read).
LaneRunner lane_runner(Tail tail, bool dense, Interior interior = Interior::none);

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_KERNEL_H
