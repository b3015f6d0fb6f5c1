// The simulated power of a genome-wide linkage scan: the chance that a scan
// finds a QTL, the maximum of its statistic over the QTL's chromosome reaching
// the threshold.
//
// Under the alternative a QTL sits at tau on one chromosome. With complete
// genotype information the statistic along that chromosome is the null
// process (scan.h) plus a mean that decays with the distance from the QTL as
// the process's correlation does:
//   Z(t) = xi exp(-2 rho |t - tau|) + U(t),  U the null Ornstein-Uhlenbeck process,
// xi the noncentrality at the QTL itself (D. Siegmund and B. Yakir, The
// Statistics of Gene Mapping, Springer, 2007; E. Feingold, P. O.
// Brown and D. Siegmund, Am. J. Hum. Genet. 53(1):234-251, 1993). A 2-df
// statistic has the means xi_a exp(-2 rho_a |t - tau|) and
// xi_d exp(-2 rho_d |t - tau|) on its independent additive and dominance
// components (rates rho_a = 2 rho / 3 and rho_d = 4 rho / 3). The other
// chromosomes keep the null: the power counts the QTL's own chromosome only.
//
// A replicate draws the QTL's place, steps the null chain along the markers of
// its chromosome (kernel.h) and adds the mean at each marker; it is a hit when
// the chromosome's maximum reaches the threshold T: Z >= sqrt(T) at some
// marker (one-sided), |Z| >= sqrt(T) (two-sided), Z_a^2 + Z_d^2 >= T (2 df).
// The dense map is simulated on its fine grid and on the every-fourth-point
// subgrid of the same paths, and the power extrapolated to the continuum as
// the null's levels are: 2 P(delta) - P(4 delta) (Richardson on sqrt(delta)).
#ifndef LODTHRESH_SIMULATION_ALTERNATIVE_H
#define LODTHRESH_SIMULATION_ALTERNATIVE_H

#include <cstdint>

#include "simulation/scan.h"
#include "simulation/simulate.h"

namespace lodthresh::simulation {

// The QTL's noncentrality xi on each component of the statistic: its mean at
// the QTL itself. A one-component statistic (one- and two-sided tests) uses
// the additive one alone.
struct QtlEffect {
    double additive = 0;
    double dominance = 0;
};

// Where a replicate's QTL lies.
enum class QtlPlacement {
    // A chromosome with probability proportional to its length from first to
    // last marker, and tau uniform between them. On a genome of one-marker
    // chromosomes only (no length at all) the QTL is at a marker, as at_marker.
    uniform,
    // A marker uniformly among all the genome's markers (not on the dense map,
    // whose grid is no marker).
    at_marker,
};

struct PowerEstimate {
    std::uint64_t hits;        // replicates whose maximum reached T (on the fine grid)
    std::uint64_t replicates;  // simulated
    // hits / replicates; for the dense map 2 P(delta) - P(4 delta), kept in
    // [0, 1].
    double power;
    // sqrt(p (1 - p) / N); for the dense map the standard error of the mean of
    // the per-replicate 2 [grid hit] - [subgrid hit].
    double se;
    // The dense map's subgrid hits (0 otherwise).
    std::uint64_t coarse_hits = 0;
};

// Simulates `replicates` scans under the QTL `effect` placed as `placement`
// says, and estimates the power of the threshold `t` (chi-square scale, T =
// 2 ln(10) LOD). The same seed gives the same estimate whatever
// control.threads (replicates go in blocks whose size depends on the scan and
// the placement alone, block b on the seed's stream jumped b times; the QTLs'
// places are drawn before the block's chains, so that unlike simulate's a
// shorter run is not the start of a longer one); control.stop and
// control.progress as for simulate. Returns false when stopped (`out` is then
// to be discarded).
// Throws std::invalid_argument when t is not finite and positive, an effect is
// negative or not finite, replicates or threads is 0, the scan is refused by
// simulate (no chromosome, bad rate or distance, a dense grid not in fours),
// it evaluates the statistic between markers (interval mapping), or the
// placement is at_marker on the dense map.
bool simulate_power(const NullScan& scan, double t, const QtlEffect& effect, QtlPlacement placement,
                    std::uint64_t replicates, const Control& control, PowerEstimate& out);

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_ALTERNATIVE_H
