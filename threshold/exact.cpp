// The exact method: Lander and Kruglyak's genome-wide approximation solved for
// the nominal level in full double precision, with an accurate normal quantile
// in place of AS 111 and a bounded Newton iteration in place of the bisection.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <stdexcept>

#include "numerics/numerics.h"
#include "threshold/normal.h"
#include "threshold/threshold.h"
#include "threshold/units.h"

namespace lodthresh {

NoSolution::NoSolution()
    : std::runtime_error("no nominal level in (0, 0.5) meets the requested level") {}

NominalLevelOutOfRange::NominalLevelOutOfRange()
    : std::runtime_error("the nominal level lies below the range of double precision") {}

namespace {

using normal::density;
using normal::kSqrtHalf;
using normal::upper_tail;

// AS 111 starts within about 1e-4 of z even deep in the tail, and each Halley
// step cubes the relative error: after a step below 1e-7 of z the next one
// would fall below an ulp, so the iteration ends there.
constexpr int kMaxHalleySteps = 6;
constexpr double kHalleySettled = 1e-7;

// Above z = 1.2 (a below Q(1.2) = 0.115) the implied level rises with a for
// every genome: 2 rho G z^2 a has its only maximum at z = 1.19, where
// z phi(z) = 2 Q(z).
constexpr double kRisingFrom = 1.2;

// Newton steps in log a end once a step is below 1e-12 relative: the error
// after it is of the order of its square. Geometric bisection of the widest
// bracket, [DBL_MIN, 0.5], to that width takes about 70 steps.
constexpr int kMaxSolverSteps = 200;
constexpr double kSolverSettled = 1e-12;

// Bisection and golden-section steps for the hump of a short genome, each
// far more than the interval [0, 1.2] needs to shrink to rounding.
constexpr int kMaxHumpSteps = 200;

// The equation (C + 2 rho G z(a)^2) a = alpha of one calculation.
class Equation {
  public:
    explicit Equation(const ThresholdParameters& parameters)
        : rho_(parameters.crossover_rate),
          g_(parameters.genome_length),
          c_(parameters.chromosomes),
          alpha_(parameters.significance),
          k_((2.0 * rho_) * g_) {}

    double k() const { return k_; }
    double c() const { return c_; }
    double alpha() const { return alpha_; }

    // log(alpha_calc / alpha) at nominal level a, whose quantile z is given.
    // alpha_calc is formed as the standard method forms it: ((2 rho) G T + C) a.
    double log_ratio(double a, double z) const {
        const double t = z * z;
        return std::log(((2.0 * rho_) * g_ * t + c_) * a / alpha_);
    }
    double log_ratio(double a) const { return log_ratio(a, upper_normal_quantile(a)); }

    // d log(alpha_calc) / d log a at a, with z = z(a): dz/da = -1/phi(z).
    double log_slope_in_a(double a, double z) const {
        return 1.0 - 2.0 * k_ * z * a / (density(z) * (k_ * z * z + c_));
    }

    // d log((C + k z^2) Q(z)) / dz: the slope of the implied level over z.
    double log_slope_in_z(double z) const {
        return 2.0 * k_ * z / (c_ + k_ * z * z) - density(z) / upper_tail(z);
    }

  private:
    double rho_, g_, c_, alpha_, k_;
};

// The root of log_ratio in [lo, hi], where log_ratio(lo) < 0 <= log_ratio(hi)
// and no other root lies, from `start`: Newton steps in log a, which is nearly
// linear there, and a geometric bisection whenever a step would leave the
// bracket.
double solve(const Equation& equation, double lo, double hi, double start) {
    double a = start;
    for (int step = 0; step < kMaxSolverSteps; ++step) {
        const double z = upper_normal_quantile(a);
        const double ratio = equation.log_ratio(a, z);
        if (ratio == 0.0) {
            return a;
        }
        (ratio < 0.0 ? lo : hi) = a;
        const double newton = -ratio / equation.log_slope_in_a(a, z);
        double next = a * std::exp(newton);
        const bool inside = next > lo && next < hi;
        if (inside && std::fabs(newton) <= kSolverSettled) {
            return next;
        }
        if (!inside) {
            next = std::sqrt(lo) * std::sqrt(hi);
            if (next <= lo || next >= hi) {
                return a;  // lo and hi are adjacent doubles
            }
        }
        a = next;
    }
    throw std::runtime_error("the nominal level did not converge");
}

// The largest z in (0, 1.2) at which the implied level has a local maximum
// over a (the top of the hump), or 0 when it rises all the way to a = 1/2.
// The slope over z is 2kz/(C + kz^2) - phi(z)/Q(z): the first term is concave
// up to z1 = sqrt(3C/k) and falls beyond it, the normal hazard phi/Q is convex
// and rising. So the slope is concave on [0, z1] and falling beyond z1, and
// has at most two zeros; the top of the hump is the larger one.
double hump_top(const Equation& equation) {
    const double z1 = std::sqrt(3.0 * equation.c() / equation.k());
    const double end = std::min(z1, kRisingFrom);
    double from = end;  // the slope over z is above 0 at `from`, at most 0 at `to`
    double to = kRisingFrom;
    if (!(equation.log_slope_in_z(end) > 0.0)) {
        // Golden-section search for the maximum of the concave slope on [0, end].
        const double shrink = 0.618033988749894848205;  // (sqrt 5 - 1)/2
        double left = 0.0;
        double right = end;
        double x1 = right - shrink * (right - left);
        double x2 = left + shrink * (right - left);
        double slope1 = equation.log_slope_in_z(x1);
        double slope2 = equation.log_slope_in_z(x2);
        for (int step = 0; step < kMaxHumpSteps && right - left > 1e-12; ++step) {
            if (slope1 < slope2) {
                left = x1;
                x1 = x2;
                slope1 = slope2;
                x2 = left + shrink * (right - left);
                slope2 = equation.log_slope_in_z(x2);
            } else {
                right = x2;
                x2 = x1;
                slope2 = slope1;
                x1 = right - shrink * (right - left);
                slope1 = equation.log_slope_in_z(x1);
            }
        }
        from = left + (right - left) / 2.0;
        if (!(equation.log_slope_in_z(from) > 0.0)) {
            return 0.0;
        }
        to = end;
    }
    // Bisection where the slope falls through 0.
    for (int step = 0; step < kMaxHumpSteps && to - from > 1e-15 * to; ++step) {
        const double mid = from + (to - from) / 2.0;
        (equation.log_slope_in_z(mid) > 0.0 ? from : to) = mid;
    }
    return from + (to - from) / 2.0;
}

// The smallest a in (0, 1/2) with log_ratio(a) = 0. The implied level rises
// up to a = Q(1.2); beyond, it may pass a hump and a valley before it ends at
// C/2 at a = 1/2.
double nominal_level(const Equation& equation) {
    if (!std::isfinite(equation.k()) || equation.log_ratio(DBL_MIN) >= 0.0) {
        throw NominalLevelOutOfRange();
    }
    const double rising_end = upper_tail(kRisingFrom);
    if (equation.log_ratio(rising_end) >= 0.0) {
        // One fixed-point step a = alpha / (C + k T(a)) from a = alpha / (C + k)
        // starts Newton within a few per cent of the root.
        const double guess =
            std::clamp(equation.alpha() / (equation.c() + equation.k()), DBL_MIN, rising_end);
        const double start =
            std::clamp(guess / std::exp(equation.log_ratio(guess)), 2 * DBL_MIN, rising_end / 2);
        return solve(equation, DBL_MIN, rising_end, start);
    }
    const double z_top = hump_top(equation);
    if (z_top > 0.0) {
        const double top = upper_tail(z_top);
        if (equation.log_ratio(top) >= 0.0) {
            return solve(equation, rising_end, top, rising_end + (top - rising_end) / 2.0);
        }
        // Below alpha up to the valley: the first crossing is on the last rise.
        if (equation.log_ratio(0.5) > 0.0) {
            return solve(equation, top, 0.5, top + (0.5 - top) / 2.0);
        }
    } else if (equation.log_ratio(0.5) > 0.0) {
        return solve(equation, rising_end, 0.5, rising_end + (0.5 - rising_end) / 2.0);
    }
    throw NoSolution();
}

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
        const double residual =
            central ? half_minus_p - 0.5 * std::erf(z * kSqrtHalf) : upper_tail(z) - p;
        // Halley's step for Q(z) = p, with Q' = -phi and Q'' = z phi.
        const double t = residual / density(z);
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
    const double alpha_n = nominal_level(Equation(parameters));
    // The chi-square quantile with one degree of freedom at 1 - 2 alpha_n is
    // z(alpha_n)^2 exactly, so the LOD score needs no chi-square routine.
    const double z = upper_normal_quantile(alpha_n);
    return with_map_fractions(alpha_n, lod_of_chi_square(z * z));
}

}  // namespace lodthresh
