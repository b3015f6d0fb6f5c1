// Thresholds of a cross of n individuals. The designs' thresholds are the
// large-sample ones, on the chi-square scale. A cross's LOD score from
// Haley-Knott regression on n individuals is (n/2) log10(RSS0/RSS1), for a
// normal trait a monotone function of an F statistic with k and n - k - 1
// degrees of freedom (k = 1 for the two-sided tests of one effect, 2 for the
// 2-df test of an F2's two): LOD = (n/2) log10(1 + k F / (n - k - 1)). The
// threshold for n individuals keeps the pointwise level of the large-sample
// one: the same nominal level, converted through the F quantile.
#ifndef LODTHRESH_THRESHOLD_FINITE_SAMPLE_H
#define LODTHRESH_THRESHOLD_FINITE_SAMPLE_H

#include "threshold/pointwise.h"

namespace lodthresh {

// k, the regression test's degrees of freedom: 1 (two-sided), 2 (2 df); 0 for
// a one-sided test, which is no regression LOD score.
int regression_df(Tail tail);

// The fewest individuals with n - k - 1 >= 1.
int least_individuals(Tail tail);

// The LOD score on n individuals whose pointwise level is `nominal` (0 <
// nominal < 1): (n/2) log10(1 + k F / (n - k - 1)), F the upper-tail F
// quantile with k and n - k - 1 degrees of freedom. +infinity where the
// quantile is beyond the doubles. Throws std::invalid_argument for a
// one-sided test or n below least_individuals.
double finite_sample_lod(Tail tail, double nominal, int n);

// The pointwise p-value of a peak of LOD `lod` > 0 on n individuals: the F
// upper tail at its F statistic. Throws as finite_sample_lod.
double finite_sample_p(Tail tail, double lod, int n);

// The large-sample threshold T whose pointwise level alpha_T is `p` (0 < p <=
// 1): z(p/2)^2 (two-sided), -2 ln p (2 df), z(p)^2 for p <= 1/2 (one-sided).
double chi_square_of_level(Tail tail, double p);

}  // namespace lodthresh

#endif  // LODTHRESH_THRESHOLD_FINITE_SAMPLE_H
