// The exact method: Lander and Kruglyak's genome-wide approximation solved for
// the nominal level in full double precision, in place of the standard
// method's bisection to a precision with AS 111's quantile.
#ifndef LODTHRESH_THRESHOLD_EXACT_H
#define LODTHRESH_THRESHOLD_EXACT_H

#include "threshold/level.h"
#include "threshold/threshold.h"

namespace lodthresh {

// The exact method: the smallest nominal level alpha_n in (0, 0.5) with
//   (C + 2 rho G z(alpha_n)^2) alpha_n = alpha,  z the upper standard-normal
// quantile, and the critical LOD scores from it: LOD = z(alpha_n)^2 / (2 ln 10),
// which is the chi-square quantile with one degree of freedom at 1 - 2 alpha_n
// exactly, scaled by 0.8, 0.85, 0.9 and 0.93 for 10, 5, 2 and 1 cM maps. The
// precision of the record is not used. alpha may be any positive level,
// alpha = 1 (one expected false positive per scan, the suggestive level)
// included; C any positive number (below 1: part of a chromosome).
//
// It is the designs' threshold (threshold/level.h) of a one-sided test on a
// dense map, T = z^2: solve_level on G Morgan and C chromosomes. Accuracy:
// the nominal level and the dense-map LOD score within 5.2e-16 and 6.3e-16
// relative of 40-digit solutions of the equation over G = 1 to 100, C = 1 to
// 50, rho = 1 to 3.2 and alpha = 0.001 to 1 (tools/measure_exact.py); within
// 4 and 5 ulps for G = 0.5 to 1000, alpha = 1e-6 to 1.
//
// Throws std::invalid_argument unless G, C, rho and alpha are finite and
// positive; NoSolution when no alpha_n in (0, 0.5) meets the equation;
// NominalLevelOutOfRange when it lies below the normal doubles.
ThresholdResult compute_thresholds_exact(const ThresholdParameters& parameters);

// The upper standard-normal quantile: the z >= 0 with Q(z) = p, where
// Q(z) = erfc(z / sqrt 2) / 2 is the upper tail, for 0 < p <= 0.5.
// Throws std::domain_error for any other p (NaN included).
// Method: AS 111 (Numerics_1_1::normv; Beasley and Springer, Applied
// Statistics 26(1):118-121, 1977) as the start, then Halley steps on the
// upper tail from the C library's erfc, or on 1/2 - erf(z / sqrt 2)/2 for
// p >= 1/4, where 1/2 - p is exact and the tail would lose its low digits.
// Accuracy: within a few ulps of z for DBL_MIN <= p <= 0.5 (erfc and erf are
// good to about one ulp); for subnormal p the density in the step is itself
// subnormal and the last digits go.
double upper_normal_quantile(double p);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_EXACT_H
