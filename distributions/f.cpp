// The F distribution's tails and upper-tail quantile from the incomplete beta
// function, the LOD score of an F statistic and its inverse, and the checks
// of every public function's arguments.
#include "distributions/f.h"

#include <cfloat>
#include <cmath>
#include <stdexcept>
#include <string>

#include "distributions/internal.h"

namespace lodthresh::distributions {

namespace {

constexpr double LN10 = 2.302585092994045684;

// Newton steps and bisections of the quantile: Newton from the start value
// takes about six; bisection alone would need about 75 to close the
// bracket from the smallest to the largest double.
constexpr int QUANTILE_MAX_STEPS = 200;
// A Newton step in ln f below this ends the iteration: the next would be
// below the rounding of the tail.
constexpr double QUANTILE_TOLERANCE = 4.0 * DBL_EPSILON;

[[noreturn]] void invalid(const char* function, const std::string& what) {
    throw std::invalid_argument(std::string("lodthresh::distributions::") + function + ": " + what);
}

void require_positive(const char* function, const char* name, double value, const char* what) {
    if (!(value > 0.0 && value <= DBL_MAX)) {
        invalid(function, std::string(name) + " = " + detail::shown(value) +
                              " is not a positive finite " + what);
    }
}

void require_shapes(const char* function, double a, double b) {
    require_positive(function, "a", a, "shape");
    require_positive(function, "b", b, "shape");
}

void require_degrees(const char* function, double d1, double d2) {
    require_positive(function, "d1", d1, "number of degrees of freedom");
    require_positive(function, "d2", d2, "number of degrees of freedom");
}

void require_unit_interval(const char* function, double x) {
    if (!(x >= 0.0 && x <= 1.0)) {
        invalid(function, "x = " + detail::shown(x) + " is outside [0, 1]");
    }
}

void require_statistic(const char* function, double f) {
    if (std::isnan(f)) {
        invalid(function, "f is NaN");
    }
}

// d2 = n - k - 1, the residual degrees of freedom of the regression.
double residual_degrees(const char* function, int k, int n) {
    if (k < 1) {
        invalid(function, "k = " + std::to_string(k) + " is below 1 degree of freedom");
    }
    const long long d2 = static_cast<long long>(n) - k - 1;
    if (d2 < 1) {
        invalid(function, "n = " + std::to_string(n) +
                              " individuals leave n - k - 1 = " + std::to_string(d2) +
                              " residual degrees of freedom for k = " + std::to_string(k) +
                              "; at least 1 is needed");
    }
    return static_cast<double>(d2);
}

struct Argument {
    double x;
    double y;
};

// (u / (u + v), v / (u + v)) for u, v >= 0 not both 0, halving both (exactly)
// when the sum overflows.
Argument shares(double u, double v) {
    double sum = u + v;
    if (sum > DBL_MAX) {
        u = 0.5 * u;
        v = 0.5 * v;
        sum = u + v;
    }
    return {u / sum, v / sum};
}

// The incomplete beta function's argument of the F tails at f > 0:
// x = d2 / (d2 + d1 f) and y = 1 - x = d1 f / (d2 + d1 f), each formed on its
// own to a few roundings; for d1 f beyond the largest double, from d2 / f and
// d1.
Argument f_argument(double f, double d1, double d2) {
    const double scaled = d1 * f;
    if (scaled <= DBL_MAX) {
        return shares(d2, scaled);
    }
    return shares(d2 / f, d1);
}

detail::BetaTails f_tails(double f, double d1, double d2) {
    const Argument argument = f_argument(f, d1, d2);
    return detail::beta_tails(0.5 * d2, 0.5 * d1, argument.x, argument.y);
}

// ln Gamma(z) for the quantile's start value only: tgamma below 8, and the
// leading terms of Stirling's series above.
double rough_log_gamma(double z) {
    if (z < 8.0) {
        return std::log(std::tgamma(z));
    }
    return (z - 0.5) * std::log(z) - z + 0.9189385332046728 + 1.0 / (12.0 * z);
}

// A start for the quantile's iteration from the leading term of the tail:
// P(F > f) ~ x^a / (a B(a, b)) as x = d2 / (d2 + d1 f) -> 0, and
// P(F <= f) ~ y^b / (b B(a, b)) as y = 1 - x -> 0, a = d2/2, b = d1/2.
// Near the mean 1 instead.
double quantile_start(double target, bool upper, double d1, double d2) {
    const double a = 0.5 * d2;
    const double b = 0.5 * d1;
    const double log_beta = rough_log_gamma(a) + rough_log_gamma(b) - rough_log_gamma(a + b);
    const double shape = upper ? a : b;
    const double log_share = (std::log(target) + std::log(shape) + log_beta) / shape;
    if (!(log_share < 0.0)) {
        return 1.0;
    }
    // share = x (upper) or y (lower); the other is 1 - share.
    const double share = std::exp(log_share);
    const double rest = -std::expm1(log_share);
    const double start = upper ? (d2 / d1) * (rest / share) : (d2 / d1) * (share / rest);
    return start > 0.0 && start <= DBL_MAX ? start : 1.0;
}

// The geometric midpoint of a bracket (lo, hi), 0 <= lo < hi <= +infinity.
// An open end is the smallest normal or the largest double, which is taken
// itself once the other end is within a factor 2^64 of it, so that the
// iteration ends there rather than creeping towards it.
double split(double lo, double hi) {
    if (hi > DBL_MAX && lo >= 0x1p-64 * DBL_MAX) {
        return DBL_MAX;
    }
    if (lo < DBL_MIN && hi <= 0x1p64 * DBL_MIN) {
        return DBL_MIN;
    }
    return std::sqrt(std::fmax(lo, DBL_MIN)) * std::sqrt(std::fmin(hi, DBL_MAX));
}

}  // namespace

double incomplete_beta(double a, double b, double x) {
    require_shapes("incomplete_beta", a, b);
    require_unit_interval("incomplete_beta", x);
    return detail::beta_tails(a, b, x, 1.0 - x).lower;
}

double incomplete_beta_complement(double a, double b, double x) {
    require_shapes("incomplete_beta_complement", a, b);
    require_unit_interval("incomplete_beta_complement", x);
    return detail::beta_tails(a, b, x, 1.0 - x).upper;
}

double f_upper_tail(double f, double d1, double d2) {
    require_degrees("f_upper_tail", d1, d2);
    require_statistic("f_upper_tail", f);
    if (f <= 0.0) {
        return 1.0;
    }
    if (f > DBL_MAX) {
        return 0.0;
    }
    return f_tails(f, d1, d2).lower;
}

double f_lower_tail(double f, double d1, double d2) {
    require_degrees("f_lower_tail", d1, d2);
    require_statistic("f_lower_tail", f);
    if (f <= 0.0) {
        return 0.0;
    }
    if (f > DBL_MAX) {
        return 1.0;
    }
    return f_tails(f, d1, d2).upper;
}

// Newton's method on ln T(f) = ln target in t = ln f, T the smaller tail: the
// upper tail p for p <= 1/2, else the lower tail 1 - p (exact for p >= 1/2).
// ln F has a log-concave density (the difference of the logarithms of two
// independent chi-square variables, each log-concave), so ln T is concave in
// t and Newton's iterates, after at most one overshoot, approach the root
// from one side. The root stays bracketed by the signs seen so far; a step
// that leaves the bracket, or a tail that underflows, is replaced by
// bisection in ln f. The step, in t, is (ln T - ln target) / |d ln T / dt|,
// applied to f as f + f expm1(step) so that f keeps its digits far from 1.
double f_upper_quantile(double p, double d1, double d2) {
    require_degrees("f_upper_quantile", d1, d2);
    if (!(p > 0.0 && p < 1.0)) {
        invalid("f_upper_quantile", "p = " + detail::shown(p) + " is outside (0, 1)");
    }
    const bool upper = p <= 0.5;
    const double target = upper ? p : 1.0 - p;
    const double log_target = std::log(target);
    // The root is in (lo, hi).
    double lo = 0.0;
    double hi = HUGE_VAL;
    double f = quantile_start(target, upper, d1, d2);
    for (int step = 0; step < QUANTILE_MAX_STEPS; ++step) {
        const detail::BetaTails tails = f_tails(f, d1, d2);
        // The F distribution's upper tail is the beta function's lower one.
        const double tail = upper ? tails.lower : tails.upper;
        const double log_tail = upper ? tails.log_lower : tails.log_upper;
        const double slope = upper ? tails.lower_slope : tails.upper_slope;
        if (tail == target) {
            return f;
        }
        // The upper tail falls with f, the lower one rises.
        if ((tail > target) == upper) {
            lo = f;
        } else {
            hi = f;
        }
        if (lo >= DBL_MAX) {
            return HUGE_VAL;
        }
        if (hi <= DBL_MIN) {
            return 0.0;
        }
        double next = -1.0;
        if (std::isfinite(log_tail) && slope > 0.0 && slope <= DBL_MAX) {
            const double ratio = tail / target;
            const double excess = std::isnormal(ratio) ? std::log(ratio) : log_tail - log_target;
            const double change = (upper ? excess : -excess) / slope;
            next = f + f * std::expm1(change);
            if (std::fabs(change) <= QUANTILE_TOLERANCE && next > lo && next < hi) {
                return next;
            }
        }
        if (!(next > lo && next < hi)) {
            next = split(lo, hi);
        }
        if (next == f) {
            return f;
        }
        f = next;
    }
    return f;
}

double lod_of_f(double f, int k, int n) {
    const double d2 = residual_degrees("lod_of_f", k, n);
    if (!(f >= 0.0)) {
        invalid("lod_of_f", "f = " + detail::shown(f) + " is not a non-negative F statistic");
    }
    return (0.5 * n) * (std::log1p(k * f / d2) / LN10);
}

double f_of_lod(double lod, int k, int n) {
    const double d2 = residual_degrees("f_of_lod", k, n);
    if (!(lod >= 0.0)) {
        invalid("f_of_lod", "lod = " + detail::shown(lod) + " is not a non-negative LOD score");
    }
    return std::expm1(lod * LN10 / (0.5 * n)) * d2 / k;
}

}  // namespace lodthresh::distributions
