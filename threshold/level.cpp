// The threshold of a scan: the largest root of log lambda(T) = log alpha.
//
// Above T = 2, lambda falls strictly, and a bracketed Newton iteration finds
// the root. Below it lambda may fall from C alpha_0, rise to a hump and fall
// again (a short genome at a level near 1, where the largest crossing may lie
// on either fall): a grid brackets it, a golden-section search finds the top
// of a hump that reaches alpha between two grid points below it, and halving
// towards 0 finds a crossing below the grid's first point.
#include "threshold/level.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "threshold/nu.h"
#include "threshold/units.h"

namespace lodthresh {

NoSolution::NoSolution()
    : std::runtime_error("no nominal level in (0, 0.5) meets the requested level") {}

NominalLevelOutOfRange::NominalLevelOutOfRange()
    : std::runtime_error("the nominal level lies below the range of double precision") {}

namespace {

constexpr double kLn2 = 0.693147180559945309417;  // ln 2

// The stretches as the level's sum needs them: one per spacing, with the
// lengths of that spacing added up, and no empty ones.
struct Term {
    double length;
    double scale;  // sqrt(4 rho spacing): x = scale sqrt(T)
};

// x = scale sqrt(T) stays below 1e152 for T < 1500, where nu = 2 / x^2 is
// still a normal double.
constexpr double kLargestScale = 1e150;

std::vector<Term> terms_of(const Scan& scan, double rate) {
    std::vector<Stretch> stretches;
    for (const Stretch& stretch : scan.stretches) {
        if (!(std::isfinite(stretch.length) && stretch.length >= 0.0 &&
              std::isfinite(stretch.spacing) && stretch.spacing >= 0.0)) {
            throw std::invalid_argument(
                "every stretch needs a finite length and spacing, neither below 0");
        }
        if (stretch.length > 0.0) {
            stretches.push_back(stretch);
        }
    }
    std::sort(stretches.begin(), stretches.end(),
              [](const Stretch& a, const Stretch& b) { return a.spacing < b.spacing; });
    std::vector<Term> terms;
    for (const Stretch& stretch : stretches) {
        // rho spacing first: 4 rho alone may overflow (a power of 2, the
        // order does not change the rounding).
        const double scale = std::sqrt(4.0 * (rate * stretch.spacing));
        if (!(scale <= kLargestScale)) {
            throw std::invalid_argument("4 rho times a marker spacing must not exceed 1e300");
        }
        if (!terms.empty() && terms.back().scale == scale) {
            terms.back().length += stretch.length;
        } else {
            terms.push_back(Term{stretch.length, scale});
        }
    }
    return terms;
}

// F(T) = log g(T) - log alpha, g(T) = [C + 2 rho T sum_k L_k nu(s_k sqrt T)] alpha_T,
// and its derivative in T.
class LevelEquation {
  public:
    // excess: null for the markers alone, or else X(T) of the scan.
    LevelEquation(const Scan& scan, const ExcessOfScan* excess, Tail tail, double rate,
                  double alpha)
        : terms_(terms_of(scan, rate)),
          excess_(excess),
          tail_(tail),
          chromosomes_(scan.chromosomes),
          twice_rate_(2.0 * rate),
          // 2 rho itself may overflow; its logarithm never does.
          log_twice_rate_(std::isfinite(twice_rate_) ? std::log(twice_rate_)
                                                     : kLn2 + std::log(rate)),
          alpha_(alpha),
          log_alpha_(std::log(alpha)) {}

    struct Value {
        double f;
        double slope;
    };

    // C + 2 rho T sum_k L_k nu(s_k sqrt T), the expected number of peaks over
    // alpha_T.
    double level_factor(double t) const {
        const double root_t = std::sqrt(t);
        double sum = 0.0;
        for (const Term& term : terms_) {
            sum += term.length * nu_with_slope(term.scale * root_t).value;
        }
        const double factor = chromosomes_ + twice_rate_ * t * sum;
        return excess_ == nullptr ? factor : factor + (*excess_)(t).factor;
    }

    Value operator()(double t) const {
        // K = 2 rho T sum L nu(x), x = s sqrt(T); dK/dT = 2 rho sum L nu (1 + x (log nu)'/2).
        const double root_t = std::sqrt(t);
        double sum = 0.0;
        double slope_sum = 0.0;
        for (const Term& term : terms_) {
            const NuValue v = nu_with_slope(term.scale * root_t);
            sum += term.length * v.value;
            slope_sum += term.length * v.value * (1.0 + 0.5 * v.log_slope);
        }
        double level_factor = chromosomes_ + twice_rate_ * t * sum;
        double slope_numerator = twice_rate_ * slope_sum;
        if (excess_ != nullptr) {
            const ExcessPeaks excess = (*excess_)(t);
            level_factor += excess.factor;
            slope_numerator += excess.slope;
        }
        const LogLevel level = log_pointwise_level(tail_, t);
        if (!std::isfinite(level_factor)) {
            // 2 rho G T beyond the doubles: C no longer counts beside it, nor X.
            return Value{log_twice_rate_ + std::log(t) + std::log(sum) + level.value - log_alpha_,
                         slope_sum / (t * sum) + level.slope};
        }
        const double slope = slope_numerator / level_factor + level.slope;
        // Near the root the ratio g / alpha is near 1: the logarithm of the
        // product keeps every digit that a sum of the logarithms of its
        // factors (each as large as 700) would round away.
        const double ratio = level_factor * pointwise_level(tail_, t) / alpha_;
        if (ratio >= DBL_MIN && std::isfinite(ratio)) {
            return Value{std::log(ratio), slope};
        }
        return Value{std::log(level_factor) + level.value - log_alpha_, slope};
    }

  private:
    std::vector<Term> terms_;
    const ExcessOfScan* excess_;
    Tail tail_;
    double chromosomes_;
    double twice_rate_;
    double log_twice_rate_;
    double alpha_;
    double log_alpha_;
};

// Above T = 2 the level g(T) falls strictly: d log alpha_T / dT <= -1/2 for
// every tail (Mills' ratio), while d log(C + K) / dT <= 1/T, nu falling.
constexpr double kFallingFrom = 2.0;
// Below it g may rise to a hump and fall again (a short genome at a level
// near 1): its largest crossing is bracketed on a grid of this many steps,
// each far narrower than a hump.
constexpr int kLowGridSteps = 256;
// At T = 1500 the pointwise level of every tail is below DBL_MIN (the 2-df
// tail exp(-750) is about 5e-326): a threshold beyond it has no nominal level.
constexpr double kLevelUnderflows = 1500.0;
constexpr int kMaxNewtonSteps = 200;
// Golden-section steps for the top of a hump, far more than a grid cell
// needs to shrink to rounding.
constexpr int kMaxGoldenSteps = 200;

// The root of F in [lo, hi] with F(lo) >= 0 (and F(hi) < 0, or else the
// steps end at hi), by Newton steps kept inside the bracket, bisecting where
// a step would leave it (or F has no finite value). Ends when a Newton step
// is below a few ulps of T (at the root's rounding F is within its own
// rounding of 0, and the step may not move T at all: a bisection there would
// walk away from the root) or the bracket holds no double between its ends.
double newton_in_bracket(const LevelEquation& equation, double lo, double hi, double t) {
    for (int step = 0; step < kMaxNewtonSteps; ++step) {
        const LevelEquation::Value v = equation(t);
        if (v.f == 0.0) {
            return t;
        }
        (v.f > 0.0 ? lo : hi) = t;
        double next = t - v.f / v.slope;
        if (std::fabs(next - t) <= 4.0 * DBL_EPSILON * t) {
            return next;
        }
        if (!(next > lo && next < hi)) {
            next = 0.5 * (lo + hi);
            if (std::fabs(next - t) <= 4.0 * DBL_EPSILON * t || std::nextafter(lo, hi) >= hi) {
                return next;
            }
        }
        t = next;
    }
    return t;  // not reached: Newton's quadratic steps end in a few dozen
}

// The largest F on (lo, hi), where F rises from lo and falls to hi (a grid
// point above its neighbours), by golden-section search: the top's height,
// and where it is.
struct Top {
    double t;
    double f;
};
Top hump_top(const LevelEquation& equation, double lo, double hi) {
    const double shrink = 0.618033988749894848205;  // (sqrt 5 - 1) / 2
    double x1 = hi - shrink * (hi - lo);
    double x2 = lo + shrink * (hi - lo);
    double f1 = equation(x1).f;
    double f2 = equation(x2).f;
    for (int step = 0; step < kMaxGoldenSteps && x2 - x1 > 4.0 * DBL_EPSILON * x2; ++step) {
        if (f1 < f2) {
            lo = x1;
            x1 = x2;
            f1 = f2;
            x2 = lo + shrink * (hi - lo);
            f2 = equation(x2).f;
        } else {
            hi = x2;
            x2 = x1;
            f2 = f1;
            x1 = hi - shrink * (hi - lo);
            f1 = equation(x1).f;
        }
    }
    return f1 < f2 ? Top{x2, f2} : Top{x1, f1};
}

// The largest root below T = 2, where F(2) < 0; 0 when there is none.
double root_below_falling(const LevelEquation& equation) {
    std::array<double, kLowGridSteps + 1> f{};
    f[kLowGridSteps] = equation(kFallingFrom).f;
    const auto grid_t = [](int i) { return kFallingFrom * i / kLowGridSteps; };
    // From the top down, to the first grid point where F reaches 0.
    int first = 0;
    for (int i = kLowGridSteps - 1; i >= 1; --i) {
        f[i] = equation(grid_t(i)).f;
        if (f[i] >= 0.0) {
            first = i;
            break;
        }
    }
    // A hump above it may still reach 0 between grid points: the highest
    // grid maximum whose top does brackets the largest root instead.
    for (int i = kLowGridSteps - 1; i >= std::max(first + 1, 2); --i) {
        if (f[i] > f[i + 1] && f[i] >= f[i - 1]) {
            const Top top = hump_top(equation, grid_t(i - 1), grid_t(i + 1));
            if (top.f >= 0.0) {
                return newton_in_bracket(equation, top.t, grid_t(i + 1),
                                         0.5 * (top.t + grid_t(i + 1)));
            }
        }
    }
    double lo = first > 0 ? grid_t(first) : 0.0;
    double hi = grid_t(first + 1);
    // Halving towards 0 for a crossing below the first grid point.
    for (int halving = 0; lo == 0.0 && halving < 60; ++halving) {
        const double small_t = std::ldexp(hi, -1);
        (equation(small_t).f >= 0.0 ? lo : hi) = small_t;
    }
    if (lo == 0.0) {
        return 0.0;
    }
    return newton_in_bracket(equation, lo, hi, 0.5 * (lo + hi));
}

void check_level(const Scan& scan, double rate, double alpha) {
    if (!(std::isfinite(scan.chromosomes) && scan.chromosomes > 0.0)) {
        throw std::invalid_argument("the number of chromosomes must be finite and above 0");
    }
    if (!(std::isfinite(rate) && rate > 0.0)) {
        throw std::invalid_argument("the cross-over rate must be finite and above 0");
    }
    if (!(std::isfinite(alpha) && alpha > 0.0)) {
        throw std::invalid_argument("the level must be finite and above 0");
    }
}

// The largest root of F, with or without an excess.
DesignThreshold solve_equation(const Scan& scan, const ExcessOfScan* excess, Tail tail, double rate,
                               double alpha) {
    check_level(scan, rate, alpha);
    const LevelEquation equation(scan, excess, tail, rate, alpha);
    double t = 0.0;
    if (equation(kFallingFrom).f >= 0.0) {
        // F(1500) is not evaluated: a root beyond it draws the steps to
        // T = 1500, whose nominal level is out of range all the same.
        t = newton_in_bracket(equation, kFallingFrom, kLevelUnderflows, 2.0 * kFallingFrom);
    } else {
        t = root_below_falling(equation);
        if (t == 0.0) {
            throw NoSolution();
        }
    }
    if (!(pointwise_level(tail, t) >= DBL_MIN)) {
        throw NominalLevelOutOfRange();
    }
    // At the root alpha_T = alpha / (C + K(T) + X(T)), whose relative error is about
    // that of T: alpha_T itself would multiply it by T / 2 (by 700 at
    // T = 1400, where alpha_T is near DBL_MIN).
    const double factor = equation.level_factor(t);
    const double nominal = std::isfinite(factor) ? alpha / factor : pointwise_level(tail, t);
    return DesignThreshold{nominal, lod_of_chi_square(t)};
}

}  // namespace

Scan even_scan(double length, double chromosomes, double spacing) {
    return Scan{chromosomes, {Stretch{length, spacing}}};
}

DesignThreshold solve_level(const Scan& scan, Tail tail, double rate, double alpha) {
    return solve_equation(scan, nullptr, tail, rate, alpha);
}

DesignThreshold solve_level(const Scan& scan, const ExcessOfScan& excess, Tail tail, double rate,
                            double alpha) {
    return solve_equation(scan, &excess, tail, rate, alpha);
}

DesignThreshold design_threshold(const Scan& scan, Tail tail, double rate, double alpha) {
    if (!(std::isfinite(scan.chromosomes) && scan.chromosomes >= 1.0)) {
        throw std::invalid_argument("the number of chromosomes must be at least 1");
    }
    return solve_level(scan, tail, rate, alpha);
}

double expected_peaks(const Scan& scan, Tail tail, double rate, double t) {
    check_level(scan, rate, 1.0);
    if (!(std::isfinite(t) && t >= 0.0)) {
        throw std::invalid_argument("the threshold must be finite and at least 0");
    }
    // The level's sum term by term, as LevelEquation forms it.
    const double root_t = std::sqrt(t);
    double sum = 0.0;
    for (const Term& term : terms_of(scan, rate)) {
        sum += term.length * nu(term.scale * root_t);
    }
    const double factor = scan.chromosomes + (2.0 * rate) * t * sum;
    if (!std::isfinite(factor)) {
        // 2 rho G T beyond the doubles, alpha_T far below 1 / that.
        return std::exp(kLn2 + std::log(rate) + std::log(t) + std::log(sum) +
                        log_pointwise_level(tail, t).value);
    }
    return factor * pointwise_level(tail, t);
}

}  // namespace lodthresh
