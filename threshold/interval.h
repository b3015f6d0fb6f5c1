// The genome-wide level of an interval-mapping scan: the statistic at the
// markers and between them, as R/qtl's calc.genoprob(step = ...) with
// Haley-Knott regression evaluates it (Haley and Knott, Heredity 69:315-324,
// 1992; Lander and Botstein, Genetics 121:185-199, 1989), in the model of
// threshold/level.h (Feingold, Brown and Siegmund, Am J Hum Genet 53:234-251,
// 1993; Siegmund and Yakir, The Statistics of Gene Mapping, Springer 2007).
//
// Between two markers the interval-mapping statistic carries no information
// of its own. With complete genotype information its null statistic at a
// point is the conditional expectation of the Ornstein-Uhlenbeck process Z(t)
// given the two flanking markers, normalised to unit variance. Whiten the
// markers' statistics: W = (W1, W2) standard bivariate normal, the markers
// being the projections of W on two unit vectors at angle theta,
// cos theta = r = exp(-2 rho d) for markers d Morgan apart. The statistic at
// a point x Morgan from the left marker is the projection of W on the unit
// vector at angle psi(x) in [0, theta] between them, where
//   tan psi(x) = exp(2 rho (2x - d)) (1 - exp(-4 rho x)) / sqrt(1 - exp(-4 rho d))
// (its inner products with the markers' vectors are the correlations
// exp(-2 rho x) and exp(-2 rho (d - x)); psi(d / 2) = theta / 2).
//
// The projection on a direction in the arc exceeds b somewhere while neither
// marker's does for W = R (cos phi, sin phi) with phi in [0, theta] and
// b < R <= b / m(phi), m(phi) = max(cos phi, cos(theta - phi)); the set of
// points above b is then one piece between the markers, a peak that the
// markers miss. With the Rayleigh radius and uniform phi,
//   I(theta, b) = (1/2pi) int_0^theta [exp(-b^2/2) - exp(-b^2/(2 m(psi)^2))] dpsi
//              = exp(-b^2/2) / pi * int_0^tan(theta/2) (1 - exp(-b^2 x^2 / 2)) / (1 + x^2) dx,
// and the expected number of peaks of the scan is
//   lambda_interval(T) = lambda_markers(T) + k sum_intervals I(theta_i, sqrt T),
// k = 1 for the one-sided test and 2 for the two-sided one (the peaks of
// either sign). With pseudomarkers at angles phi_i only the points of the
// arc at them count: exp(-b^2/2) becomes exp(-b^2 / (2 c(psi)^2)),
// c(psi) = max_i cos(psi - phi_i), which is I(theta) less the I of each arc
// between neighbouring points (the peaks that fall between them).
//
// The 2-df test of the intercross is Z_a^2 + Z_d^2, two independent
// processes of rates 2 rho / 3 and 4 rho / 3 (kAdditiveShare,
// kDominanceShare), each interpolated on its own arc: the peaks that the
// markers miss are those of the sum of squares at the points between them.
// See two_df_interval_exceedance.
#ifndef LODTHRESH_THRESHOLD_INTERVAL_H
#define LODTHRESH_THRESHOLD_INTERVAL_H

#include <vector>

#include "threshold/level.h"
#include "threshold/pointwise.h"

namespace lodthresh {

struct GeneticMap;  // threshold/genetic_map.h

// theta = arccos(exp(-2 rho d)), the angle between the whitened statistics of
// two markers d Morgan apart, in [0, pi/2]. Throws std::invalid_argument
// unless rho > 0 and d >= 0 are finite.
double interval_angle(double rate, double length);

// psi(x), the angle of the statistic x Morgan from the left marker of an
// interval d Morgan long, in [0, theta]: 0 at x = 0, theta at x = d. Throws
// std::invalid_argument unless rho > 0, d >= 0 and 0 <= x <= d are finite.
double pseudomarker_angle(double rate, double length, double offset);

// I(theta, b): the probability that the projection of W on some direction of
// the arc [0, theta] exceeds b while neither end's does, for
// 0 <= theta <= pi/2 and b >= 0 (one sign: twice it for |projection| > b).
// Within 1e-15 relative (measured: 6.2e-16) of 30-digit quadratures of the
// polar integral (tests/threshold/interval_references.tsv) for theta in
// [1e-4, pi/2) and b in [0.01, 37], beyond which exp(-b^2/2) is subnormal.
// Throws std::invalid_argument for any other argument.
double interval_exceedance(double theta, double b);

// The same for the arc evaluated at pseudomarkers only, at the given angles
// in [0, theta] (the markers' 0 and theta are always evaluated; the order of
// the angles does not matter). It is I(theta, b) less I of each arc between
// neighbouring points, to within 1e-16 of I(theta, b) absolute: relative to
// itself as good where the pseudomarkers are not crowded against a marker (a
// pseudomarker at a fraction f of the interval from its marker costs about a
// factor 1 / (3 f) of that). Throws std::invalid_argument as above, and for
// angles outside [0, theta].
double interval_exceedance(double theta, const std::vector<double>& angles, double b);

// The 2-df analogue of I: the probability that Z_a(x)^2 + Z_d(x)^2 exceeds T
// at a point between two markers d Morgan apart while at neither marker, the
// components of rates kAdditiveShare rho and kDominanceShare rho
// interpolated on their own arcs. Computed as a product Gauss-Legendre
// quadrature over the two components' polar angles, on panels split where
// the markers' order changes, of the probability, in closed form, that the
// squared radii (u, v) of the two components fall outside the polygon
// {u A_j + v D_j <= T} of the points evaluated, less the markers' polygon.
// Every point between is the limit of grids of 16 and 32 steps even in the
// additive angle, extrapolated in the squared step. Accuracy: within 1e-4
// relative of finer quadratures for intervals up to 50 cM (4e-4 up to
// 3 Morgan), and within 1.3 standard errors (about 1e-3) of 4e7 Monte Carlo
// draws of the model for 2 to 20 cM at T = 12 and 20. Intervals below
// 1e-4 cM add nothing (their peaks are some 1e-9 of alpha_T).
// `offsets`, when given, are the pseudomarkers' distances from the left
// marker, in [0, d] (those at the markers add nothing). Throws
// std::invalid_argument unless rho > 0, d >= 0 and T >= 0 are finite,
// 4 rho d <= 1e300, and the offsets lie in [0, d].
double two_df_interval_exceedance(double rate, double length, double t);
double two_df_interval_exceedance(double rate, double length, const std::vector<double>& offsets,
                                  double t);

// Every point between neighbouring markers: the limit of a step tending to 0.
constexpr double kEveryPoint = 0.0;

// A scan by interval mapping: each chromosome's marker intervals, Morgan, in
// map order (a chromosome of one marker has none), and where between the
// markers the statistic is evaluated: every `step` Morgan from the
// chromosome's first marker (R/qtl's pseudomarkers of calc.genoprob with
// stepwidth "fixed" and off.end 0), or at every point (kEveryPoint). A grid
// point within 1e-9 step of a marker is that marker. R/qtl's step = 0,
// markers only, is design_threshold on marker_scan(scan); a step beyond every
// interval gives the same.
struct IntervalScan {
    std::vector<std::vector<double>> chromosomes;
    double step = kEveryPoint;
};

// G Morgan on C chromosomes, each G / C long with markers at both ends and
// ceil(G / (C spacing)) equal intervals between them (at most `spacing`
// Morgan apart), and the given step.
// Throws std::invalid_argument unless G > 0, spacing > 0 and step >= 0 are
// finite, C >= 1 and each chromosome has at most 1,000,000 intervals.
IntervalScan even_interval_scan(double length, int chromosomes, double spacing, double step);

// The intervals of a genetic map (threshold/genetic_map.h) and the step.
IntervalScan map_interval_scan(const GeneticMap& map, double step);

// The same markers without the points between: C chromosomes and each
// interval a stretch of its own length and spacing, as map_scan gives them.
Scan marker_scan(const IntervalScan& scan);

// lambda_interval(T), the expected number of peaks at or above T in one null
// scan: the markers' lambda(T) of marker_scan (threshold/level.h) and the
// peaks between them. 1 - exp(-lambda) is the genome-wide p-value of a peak
// of that height. Throws std::invalid_argument unless the scan has a
// chromosome, every interval is finite and >= 0, the step is >= 0 (+inf:
// markers only), rho is finite and positive, 4 rho d <= 1e300 for every
// interval d, T is finite and >= 0, and the pseudomarkers of the intervals
// that differ in length or in their place on the step's grid number at most
// 100,000.
double interval_expected_peaks(const IntervalScan& scan, Tail tail, double rate, double t);

// The threshold of the scan: the largest T with lambda_interval(T) = alpha,
// solved as design_threshold solves the markers' (threshold/level.h), the
// nominal level being alpha_T there. Throws as interval_expected_peaks, and
// std::invalid_argument unless alpha is finite and positive, NoSolution and
// NominalLevelOutOfRange as design_threshold.
DesignThreshold interval_threshold(const IntervalScan& scan, Tail tail, double rate, double alpha);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_INTERVAL_H
