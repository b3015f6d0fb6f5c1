#include "threshold/threshold.h"

#include <cmath>

#include "numerics/numerics.h"
#include "threshold/units.h"

namespace lodthresh {

PrecisionNotReached::PrecisionNotReached()
    : std::runtime_error("the requested precision cannot be reached for these parameters") {}

namespace {

// Lower end of the bisection interval for the nominal level.
constexpr double kLowerStart = 1e-10;

// Genome-wide level implied by the nominal level mid (Lander and Kruglyak's
// approximation for a continuous map): ((2 rho) G T + C) mid with T = z(mid)^2.
// The factor 2 rho G is formed first, then multiplied by T, then C is added.
double implied_global_level(const ThresholdParameters& parameters, double mid) {
    const double z = Numerics_1_1::normv(mid, 0.0, 1.0);
    const double t = std::pow(z, 2.0);
    return ((2.0 * parameters.crossover_rate) * parameters.genome_length * t +
            parameters.chromosomes) *
           mid;
}

// Bisection for alpha_n. alpha_calc rises with mid over the interval, so a
// too-high implied level moves the upper end down and a too-low one the lower
// end up. The acceptance band |alpha_calc - alpha| <= epsilon is inclusive.
double nominal_level(const ThresholdParameters& parameters) {
    const double alpha = parameters.significance;
    const double epsilon = parameters.precision;
    double lo = kLowerStart;
    double hi = alpha;
    double previous_mid = std::nan("");
    for (int halvings = 0; halvings < kMaxHalvings; ++halvings) {
        // Upper end minus half the width, not (lo + hi)/2: the two round differently.
        const double mid = hi - (hi - lo) / 2.0;
        // The same midpoint twice means the same comparison again and again: stuck.
        if (mid == previous_mid) {
            break;
        }
        previous_mid = mid;
        const double d = implied_global_level(parameters, mid) - alpha;
        if (d > epsilon) {
            hi = mid;
        } else if (d < -epsilon) {
            lo = mid;
        } else if (d >= -epsilon && d <= epsilon) {
            return mid;
        } else {
            // Not a number: 2 rho G overflowed and met T = 0 (mid = 0.5), say,
            // or a field holds no number. Such a level meets no precision.
            break;
        }
    }
    throw PrecisionNotReached();
}

}  // namespace

ThresholdResult compute_thresholds(const ThresholdParameters& parameters) {
    const double alpha_n = nominal_level(parameters);
    // The chi-square value with one degree of freedom exceeded with
    // probability 2 alpha_n, turned into a LOD score: LOD = chi^2 / (2 ln 10).
    const double chi_square = Numerics_1_1::chisqv(1.0 - 2 * alpha_n, 1.0);
    return with_map_fractions(alpha_n, lod_of_chi_square(chi_square));
}

ThresholdResult with_map_fractions(double nominal_alpha, double lod_dense) {
    return ThresholdResult{nominal_alpha,
                           lod_dense,
                           lod_dense * kMapFractions[0].fraction,
                           lod_dense * kMapFractions[1].fraction,
                           lod_dense * kMapFractions[2].fraction,
                           lod_dense * kMapFractions[3].fraction};
}

}  // namespace lodthresh
