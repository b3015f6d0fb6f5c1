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
#ifndef LODTHRESH_SIMULATION_SCAN_H
#define LODTHRESH_SIMULATION_SCAN_H

#include <vector>

#include "threshold/design.h"
#include "threshold/genetic_map.h"

namespace lodthresh::simulation {

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
// positive; or when the scan would need more than 2^26 marker intervals.
NullScan even_null_scan(double length_morgan, double chromosomes, double spacing_cm, Tail tail,
                        double rate);

// The dense map of G Morgan on C chromosomes on a grid of fineness
// `grid` = 4 rho delta (kDenseGrid for even_null_scan's spacing 0), for
// checking the extrapolation by halving delta. Throws as even_null_scan, and
// unless the grid is finite and positive.
NullScan dense_null_scan(double length_morgan, double chromosomes, Tail tail, double rate,
                         double grid);

// The markers of a genetic map. Throws std::invalid_argument when the map has
// no chromosome, a chromosome has no marker, a position is not finite or a
// chromosome's positions decrease, or the rate is not finite and positive.
NullScan map_null_scan(const GeneticMap& map, Tail tail, double rate);

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_SCAN_H
