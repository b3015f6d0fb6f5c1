// The null scan that the simulation replicates: the markers of a genome-wide
// linkage scan, chromosome by chromosome, and the statistic they carry.
//
// Under the null hypothesis the statistic along a chromosome is a stationary
// Ornstein-Uhlenbeck process Z(t) with correlation exp(-2 rho |s - t|), t in
// Morgan, rho the statistic's cross-over rate:
//   E. Lander and L. Kruglyak, Genetic dissection of complex traits:
//   guidelines for interpreting and reporting linkage results, Nature
//   Genetics 11(3):241-247, 1995;
//   E. Feingold, P. O. Brown and D. Siegmund, Gaussian models for genetic
//   linkage analysis using complete high-resolution maps of identity by
//   descent, American Journal of Human Genetics 53(1):234-251, 1993.
// Chromosomes are independent, and so are the additive and dominance
// components of a 2-df statistic (rates 2 rho / 3 and 4 rho / 3). A scan is
// the distances between neighbouring markers; the kernel (kernel.h) steps the
// process from marker to marker.
//
// The dense map, a continuum that no grid of markers reaches, is simulated on
// a fine grid and its every-fourth-point subgrid of the same paths, and the
// thresholds and levels of the two are extrapolated to the continuum
// (Richardson): a grid of step delta falls short of the continuum by
// a sqrt(delta) + O(delta), so 2 q(delta) - q(4 delta) cancels the leading term.
//
// Interval mapping (Haley-Knott regression on the genotype probabilities of
// R/qtl's calc.genoprob, complete genotype information) evaluates the
// statistic between neighbouring markers too. There it carries no information
// of its own: it is the normalised conditional expectation of Z(x) given the
// two flanking markers' statistics, an interpolation of them (kernel.h). A
// scan takes the statistic at its markers only, over the whole of every
// interval (the continuous scan), or at pseudomarkers every S cM from each
// chromosome's first marker (R/qtl's `step`) besides the markers.
#ifndef LODTHRESH_SIMULATION_SCAN_H
#define LODTHRESH_SIMULATION_SCAN_H

#include <vector>

#include "threshold/design.h"
#include "threshold/genetic_map.h"

namespace lodthresh::simulation {

// Where a scan evaluates the statistic.
enum class ScanKind {
    markers,        // at the markers only
    continuous,     // at every point of every interval between neighbouring markers
    pseudomarkers,  // at the markers and at pseudomarkers every step_cm cM
};

// The grid of a 2-df continuous scan, in cM: the two components are
// interpolated along angles of their own, so the maximum of Z_a^2 + Z_d^2
// inside an interval has no closed form and is taken over equally spaced
// points at most this far apart.
constexpr double kIntervalGridCm = 0.1;

// What interval mapping adds between the markers.
struct IntervalMapping {
    ScanKind kind = ScanKind::markers;
    // Pseudomarkers: every step_cm cM from each chromosome's first marker up
    // to its last, those that fall on a marker (within 1e-8 cM) being the
    // marker itself.
    double step_cm = 0;
    // A 2-df continuous scan: ceil(d / grid_cm) equal parts of every interval
    // of d cM, the statistic taken at their ends.
    double grid_cm = kIntervalGridCm;
};

// What one replicate scans.
struct NullScan {
    Tail tail;
    double rate;  // rho of the statistic (of the 2-df statistic as a whole)
    // Per chromosome: the distances between neighbouring markers in Morgan
    // (an empty vector: a chromosome with one marker, which still counts).
    std::vector<std::vector<double>> chromosomes;
    // The continuum, simulated on the fine grid of `chromosomes` (each with a
    // number of steps divisible by 4) and corrected by Richardson extrapolation
    // against its every-fourth-point subgrid.
    bool dense = false;
    // Markers only, or interval mapping's points between them too (not on the
    // dense map, which has nothing between its markers).
    IntervalMapping between{};
};

// The fineness of the dense map's grid: 4 rho delta, with rho the rate of the
// fastest component (4 rho / 3 of 2-df statistics). The grid's own shortfall is
// about 0.6 sqrt(4 rho delta T) on the sqrt(T) scale; the extrapolation leaves
// under 0.01 LOD of it (README, Simulation of the null scan).
constexpr double kDenseGrid = 0.002;

// C chromosomes of G / C Morgan each, scanned at markers `spacing_cm` cM apart
// at most: both ends and ceil(100 L / s) equal intervals between them. Spacing
// 0 is the dense map on a grid of fineness kDenseGrid.
// Throws std::invalid_argument unless G is finite and positive, C a whole
// number from 1 to 10^6, the spacing finite and >= 0 and the rate finite and
// positive; or when the scan would need more than 2^26 marker intervals. With
// `between` (interval mapping) also unless its step (pseudomarkers) or grid
// (2-df continuous) is finite and positive, when the spacing is 0 (the dense
// map has nothing between its markers), or when the scan would evaluate the
// statistic at more than 2^26 points.
NullScan even_null_scan(double length_morgan, double chromosomes, double spacing_cm, Tail tail,
                        double rate, const IntervalMapping& between = {});

// The dense map of G Morgan on C chromosomes on a grid of fineness
// `grid` = 4 rho delta (kDenseGrid for even_null_scan's spacing 0), for
// checking the extrapolation by halving delta. Throws as even_null_scan, and
// unless the grid is finite and positive.
NullScan dense_null_scan(double length_morgan, double chromosomes, Tail tail, double rate,
                         double grid);

// The markers of a genetic map. Throws std::invalid_argument when the map has
// no chromosome, a chromosome has no marker, a position is not finite or a
// chromosome's positions decrease, or the rate is not finite and positive; and
// with `between` as even_null_scan.
NullScan map_null_scan(const GeneticMap& map, Tail tail, double rate,
                       const IntervalMapping& between = {});

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_SCAN_H
