// The power of a genome scan in the large-sample model: the probability that
// the scan's maximum over the chromosome that carries a QTL reaches the
// threshold T (Lander and Botstein, Genetics 121:185-199, 1989; Siegmund and
// Yakir, The Statistics of Gene Mapping, Springer 2007, ch. 4 and 6).
//
// Under the alternative a QTL sits at tau. Along its chromosome the statistic
// is the null Ornstein-Uhlenbeck process of threshold/level.h plus the mean
// xi exp(-2 rho |t - tau|), xi being the mean at the QTL itself; the 2-df
// test's components (rates kAdditiveShare rho and kDominanceShare rho) carry
// the means xi_a exp(-2 rho_a |t - tau|) and xi_d exp(-2 rho_d |t - tau|).
// At a point the test rejects where Z >= b (one-sided), |Z| >= b
// (two-sided), b = sqrt(T), or Z_a^2 + Z_d^2 >= T (2 df).
//
// The method. The mean is the covariance of the process with its value at
// tau, so given the statistic at tau, Z(tau) = u ~ N(xi, 1), the statistic
// elsewhere has the null law given U(tau) = u; and given its value at a
// marker k left of tau, the markers further left have the null law given
// their neighbour. Hence with the null survival functions of the chain of
// markers (AR(1) with coefficient exp(-2 rho d) between markers d apart)
//   SL_k(z) = P(no marker left of k rejects | Z_k = z),
//   SR_k(z) = P(no marker right of k rejects | Z_k = z),
// which do not depend on the QTL, the probability that no marker rejects is
//   QTL at marker k:           int_A phi(z - xi) SL_k(z) SR_k(z) dz,
//   QTL a from marker k (of d): int phi(u - xi) H(u) G(u) du,
// A the acceptance region, H(u) = E[1_A SL_k (Z_k) | U(tau) = u] and
// G(u) = E[1_A SR_{k+1} (Z_{k+1}) | U(tau) = u]. The survival functions follow
// by the forward and backward recursions SL_{k+1} = K_d (1_A SL_k), K_d the
// Gaussian transition, evaluated on a uniform grid (1.5 nodes per standard deviation
// of the narrowest transition between markers, 1.25 for 2 df, 1 for those
// from the QTL to a marker; step at most 0.25) by
// Nystrom's method with weights for A that are the trapezoid rule inside and
// exact for polynomials of degree 5 across its boundary (the interval for one
// component; the disc for 2 df as a strip and two caps); the 2-df kernel is
// the product of its components'. The uniform QTL position is a Gauss-Lobatto
// rule within each interval (the markers are its ends); everything but the
// last Gaussian average over u is done once for all effects (PowerCurve).
// The dense map is the limit of equally spaced markers, 2 rho_max delta =
// 0.04, 0.02, 0.01, extrapolated to delta = 0 in sqrt(delta) with a
// quadratic (the discrete scan's shortfall goes as sqrt(delta)).
//
// Accuracy. Against 10^6 simulated scans of the model per configuration
// (tests/threshold/power_simulated.tsv: sibs rho 2, backcross and
// intercross-additive rho 1, ril-sibmating rho 4, the intercross's 2 df with
// dominance 0 and with an equal split; markers every 1, 5 and 20 cM on
// 1450 cM in 20 chromosomes and the mouse example map; powers 0.02 to 0.998)
// power and at_marker are within 0.0013 everywhere, about 3 standard errors
// of the simulation; the dense map within 0.0013 of the simulated 0.1 and
// 0.2 cM scans extrapolated in sqrt(spacing). Against finer grids (4 nodes
// per sd) the grid costs at most 3e-5 (one component) and 3e-4 (2 df), the
// Lobatto rule at most 1.2e-4 and 3e-4; against direct quadrature of two
// markers' bivariate normal law, 5e-5. Markers closer than the grid
// resolves (below about 0.01 cM with other intervals of 20 cM) stay within
// 1e-3. Costs (Release, CPU time of one core): a row of the 1450 cM genome
// at 1 cM is 0.1 to 0.2 ms for one component and 7 ms for 2 df; the mouse
// map's 94 intervals of 5 to 25 cM 2 to 11 ms and 90 ms; the dense map 0.4
// to 2.5 ms and 0.12 s; one more effect of a PowerCurve 1 to 4 microseconds.
#ifndef LODTHRESH_THRESHOLD_POWER_H
#define LODTHRESH_THRESHOLD_POWER_H

#include <memory>
#include <vector>

#include "threshold/pointwise.h"

namespace lodthresh {

struct GeneticMap;  // threshold/genetic_map.h

// The markers a power calculation scans: per chromosome the distances between
// neighbouring markers in Morgan (a chromosome of one marker has none); with
// `dense` each chromosome's one entry is its length and the scan is
// continuous along it.
struct PowerScan {
    std::vector<std::vector<double>> chromosomes;
    bool dense = false;
};

// G Morgan on C chromosomes, each G / C long with markers at both ends and
// ceil(G / (C spacing)) equal intervals between them (as even_interval_scan);
// spacing 0: the dense map. Throws std::invalid_argument unless G > 0 and
// spacing >= 0 are finite, C >= 1 and a chromosome has at most 1,000,000
// intervals.
PowerScan even_power_scan(double length_morgan, int chromosomes, double spacing_morgan);

// The intervals between neighbouring markers of a genetic map.
PowerScan map_power_scan(const GeneticMap& map);

// The QTL's effect: the mean of the statistic's components at the QTL (xi);
// one-component tests use `additive` alone.
struct Effect {
    double additive = 0;
    double dominance = 0;
};

// power: the QTL uniform along the scanned genome (a chromosome with
// probability proportional to its length from first to last marker, uniform
// within it; when every chromosome has one marker, as at_marker).
// at_marker: the QTL at a marker chosen uniformly among all markers; NaN on
// the dense map.
struct ScanPower {
    double power;
    double at_marker;
};

// The power of one scan at one threshold for any effect: the survival
// functions are computed once (the cost of scan_power), each effect then
// costs a Gaussian average per distinct chromosome. Increasing in each
// component of the effect and decreasing in T. Throws std::invalid_argument
// for an empty scan, a distance that is not finite and >= 0, a dense
// chromosome without exactly one entry, T or rho not finite and > 0.
class PowerCurve {
  public:
    PowerCurve(const PowerScan& scan, Tail tail, double rate, double t);
    // Throws std::invalid_argument unless both components of the effect are
    // finite and >= 0 (the dominance is not read by one-component tests).
    ScanPower at(const Effect& effect) const;

    struct Tables;  // power.cpp

  private:
    std::shared_ptr<const Tables> tables_;
};

// PowerCurve(scan, tail, rate, t).at(effect).
ScanPower scan_power(const PowerScan& scan, Tail tail, double rate, double t, const Effect& effect);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_POWER_H
