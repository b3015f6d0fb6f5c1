// Thresholds and levels read from simulated maxima, with their standard
// errors: sample quantiles and exceedance fractions, and for the dense map
// their Richardson extrapolation from the grid and its subgrid (scan.h).
//
// The standard error of the dense map's extrapolated quantile rests on
// Bahadur's representation of sample quantiles (R. R. Bahadur, A note on
// quantiles in large samples, Annals of Mathematical Statistics
// 37(3):577-580, 1966): each sample quantile is the true one less
// (F_n(q) - F(q)) / f(q), so two quantiles of one sample are correlated as the
// indicators of exceeding them.
#ifndef LODTHRESH_SIMULATION_ESTIMATES_H
#define LODTHRESH_SIMULATION_ESTIMATES_H

#include "simulation/maxima.h"

namespace lodthresh::simulation {

struct Estimate {
    bool has_value;
    double value;
    double se;
};

// The LOD score exceeded by the replicates' maxima with probability
// p = 1 - exp(-alpha) (alpha: expected false positives per scan): the sample
// quantile at 1 - p interpolated between order statistics, h = (N - 1)(1 - p).
// Its standard error is half the distance between the quantiles at
// h -+ sqrt(N p (1 - p)) (the binomial interval of the order statistic). The
// dense map's is 2 q(delta) - q(4 delta) with the variance of the pair from
// Bahadur's representation (each quantile's binomial standard error, their
// correlation that of the two exceedance indicators). Missing (has_value false)
// when N p < 10. Throws std::invalid_argument when alpha is not finite and
// positive or there are no maxima.
Estimate simulated_threshold(const Maxima& maxima, double alpha);

// The fraction of maxima above `lod`, with its binomial standard error
// sqrt(P (1 - P) / N); for the dense map 2 P(delta) - P(4 delta) with the
// standard error of the per-replicate combination. Throws
// std::invalid_argument when lod is NaN or there are no maxima.
Estimate simulated_level(const Maxima& maxima, double lod);

}  // namespace lodthresh::simulation

#endif  // LODTHRESH_SIMULATION_ESTIMATES_H
