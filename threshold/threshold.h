// Nominal significance search: from the genome-wide significance level that a
// linkage scan should keep to the pointwise level and the critical LOD scores.
#ifndef LODTHRESH_THRESHOLD_THRESHOLD_H
#define LODTHRESH_THRESHOLD_THRESHOLD_H

#include <stdexcept>

namespace lodthresh {

// The five values of one calculation, in the order the dialogue asks them.
struct ThresholdParameters {
    double genome_length = 33.0;  // G, length of the genomic region in Morgan
    double chromosomes = 23.0;    // C, number of chromosomes (an integer by its check)
    double crossover_rate = 2.0;  // rho, cross-over rate of the mapping method
    double significance = 0.05;   // alpha, global (genome-wide) significance level
    double precision = 1e-8;      // epsilon, allowed |alpha_calc - alpha|
};

// The outcome of one calculation, in the order of the report lines.
struct ThresholdResult {
    double nominal_alpha;  // alpha_n, the pointwise significance level
    double lod_dense;      // critical LOD score for an infinitely dense map
    double lod_10cm;       // ... for a map with 10 cM marker spacing
    double lod_5cm;        // ... 5 cM
    double lod_2cm;        // ... 2 cM
    double lod_1cm;        // ... 1 cM
};

// Raised by compute_thresholds when the bisection can no longer move before
// |alpha_calc - alpha| <= epsilon holds, so that no nominal level meets the
// requested precision (a precision below zero or finer than double arithmetic
// resolves near alpha, or alpha at or below the lower start bound 1e-10).
class PrecisionNotReached : public std::runtime_error {
  public:
    PrecisionNotReached();
};

// Most halvings of the search interval: a backstop only. A search that cannot
// end is found earlier, when the midpoint repeats; and one that still moves
// narrows to adjacent doubles long before this (about 90 halvings from
// [1e-10, 1], and some 1100 even from an interval as wide as the doubles reach).
constexpr int kMaxHalvings = 2000;

// Finds the nominal level alpha_n at which the genome-wide approximation
//   alpha_calc = (C + 2 rho G z(alpha_n)^2) alpha_n,  z the standard-normal quantile,
// meets alpha within epsilon, by bisection over [1e-10, alpha], and converts it
// into critical LOD scores (Lander and Kruglyak, Nature Genetics 1995): the
// chi-square value with one degree of freedom exceeded with probability
// 2 alpha_n, over 2 ln 10, scaled by 0.8, 0.85, 0.9 and 0.93 for 10, 5, 2 and
// 1 cM maps.
//
// Throws PrecisionNotReached when the search cannot end (see above), and lets
// Numerics_1_1::Exception from the quantile functions pass (e.g. alpha_n above
// 0.5, where 1 - 2 alpha_n is no probability).
ThresholdResult compute_thresholds(const ThresholdParameters& parameters);

// The result of a nominal level and its dense-map LOD score: the sparser maps'
// scores are the fixed fractions of kMapFractions (threshold/units.h).
ThresholdResult with_map_fractions(double nominal_alpha, double lod_dense);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_THRESHOLD_H
