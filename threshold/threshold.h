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

// ---------------------------------------------------------------------------
// The exact method: the same equation solved in full double precision.

// Raised by compute_thresholds_exact when no nominal level in (0, 0.5) meets the
// equation: the implied level never reaches alpha (one chromosome, a short
// genome and the suggestive level alpha = 1, say).
class NoSolution : public std::runtime_error {
  public:
    NoSolution();
};

// Raised by compute_thresholds_exact when the nominal level lies below the
// smallest normal double, 2.2e-308, where it cannot be given to full precision
// (2 rho G beyond about 1e300).
class NominalLevelOutOfRange : public std::runtime_error {
  public:
    NominalLevelOutOfRange();
};

// The upper standard-normal quantile: the z >= 0 with Q(z) = p, where
// Q(z) = erfc(z / sqrt 2) / 2 is the upper tail, for 0 < p <= 0.5.
// Throws std::domain_error for any other p (NaN included).
// Method: AS 111 (Numerics_1_1::normv) as the start, then Halley steps on the
// upper tail from the C library's erfc, or on 1/2 - erf(z / sqrt 2)/2 for
// p >= 1/4, where 1/2 - p is exact and the tail would lose its low digits.
// Accuracy: within a few ulps of z for DBL_MIN <= p <= 0.5 (erfc and erf are
// good to about one ulp); for subnormal p the density in the step is itself
// subnormal and the last digits go.
double upper_normal_quantile(double p);

// The exact method: the smallest nominal level alpha_n in (0, 0.5) with
//   (C + 2 rho G z(alpha_n)^2) alpha_n = alpha,  z the upper standard-normal
// quantile (upper_normal_quantile), to a relative error of about 1e-15, and the
// critical LOD scores from it: LOD = z(alpha_n)^2 / (2 ln 10), which is the
// chi-square quantile with one degree of freedom at 1 - 2 alpha_n exactly,
// scaled by 0.8, 0.85, 0.9 and 0.93 for 10, 5, 2 and 1 cM maps. The precision
// of the record is not used. alpha may be any positive level, alpha = 1 (one
// expected false positive per scan, the suggestive level) included.
//
// Throws std::invalid_argument unless G, C, rho and alpha are finite and
// positive; NoSolution when no alpha_n in (0, 0.5) meets the equation;
// NominalLevelOutOfRange when it lies below the normal doubles.
//
// The implied level g(a) = (C + 2 rho G z(a)^2) a rises from 0 as a rises
// from 0, but 2 rho G z^2 a falls again above a = 0.117 (z = 1.19), so for a
// short genome g can rise to a hump, fall to a valley and rise again to C/2
// at a = 1/2. The search brackets the first crossing of alpha accordingly
// and then runs a safeguarded Newton iteration, bounded in its steps.
ThresholdResult compute_thresholds_exact(const ThresholdParameters& parameters);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_THRESHOLD_H
