#include "threshold/exact.h"

#include <cmath>
#include <stdexcept>

#include "numerics/numerics.h"
#include "threshold/normal.h"

namespace lodthresh {

namespace {

// AS 111 starts within about 1e-4 of z even deep in the tail, and each Halley
// step cubes the relative error: after a step below 1e-7 of z the next one
// would fall below an ulp, so the iteration ends there.
constexpr int kMaxHalleySteps = 6;
constexpr double kHalleySettled = 1e-7;

bool finite_positive(double value) {
    return std::isfinite(value) && value > 0.0;
}

}  // namespace

double upper_normal_quantile(double p) {
    if (!(p > 0.0 && p <= 0.5)) {
        throw std::domain_error("upper_normal_quantile: p must lie in (0, 0.5]");
    }
    // For p >= 1/4, 1/2 - p is exact (Sterbenz), and 1/2 - p - erf(z/sqrt 2)/2
    // keeps the digits that Q(z) - p would cancel near the median.
    const bool central = p >= 0.25;
    const double half_minus_p = 0.5 - p;
    double z = -Numerics_1_1::normv(p, 0.0, 1.0);
    for (int step = 0; step < kMaxHalleySteps; ++step) {
        const double residual = central ? half_minus_p - 0.5 * std::erf(z * normal::kSqrtHalf)
                                        : normal::upper_tail(z) - p;
        // Halley's step for Q(z) = p, with Q' = -phi and Q'' = z phi.
        const double t = residual / normal::density(z);
        const double delta = t / (1.0 - 0.5 * z * t);
        if (!std::isfinite(delta)) {
            break;  // the density underflows: p is subnormal
        }
        z += delta;
        if (std::fabs(delta) <= kHalleySettled * z) {
            break;
        }
    }
    return z;
}

ThresholdResult compute_thresholds_exact(const ThresholdParameters& parameters) {
    if (!finite_positive(parameters.genome_length) || !finite_positive(parameters.chromosomes) ||
        !finite_positive(parameters.crossover_rate) || !finite_positive(parameters.significance)) {
        throw std::invalid_argument(
            "compute_thresholds_exact: G, C, rho and alpha must be finite and positive");
    }
    const DesignThreshold dense =
        solve_level(even_scan(parameters.genome_length, parameters.chromosomes, 0.0),
                    Tail::one_sided, parameters.crossover_rate, parameters.significance);
    return with_map_fractions(dense.nominal_alpha, dense.lod);
}

}  // namespace lodthresh
