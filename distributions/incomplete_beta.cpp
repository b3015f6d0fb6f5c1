// The regularised incomplete beta function I_x(a, b) and its complement, after
// DiDonato and Morris (ACM TOMS 18(3):360-373, 1992): the front factor
// x^a (1-x)^b / B(a, b) (their brcomp) times the continued fraction of
// Numerical Recipes' betacf in its even, contracted form written in
// lambda = a - (a + b) x (their bfrac), evaluated by the modified Lentz method.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "distributions/internal.h"

namespace lodthresh::distributions::detail {

namespace {

// From this shape up, ln Gamma is taken from Stirling's series: its ten terms
// are then exact to below 2e-18.
constexpr double LARGE_SHAPE = 8.0;
constexpr double TWO_PI = 6.283185307179586;

// The continued fraction takes up to about sqrt(min(a, b)) / 10 terms next
// to the mean and a few dozen elsewhere; it is given 2000 + 2 sqrt(min(a, b)),
// at most a million, which serves shapes up to about 1e15. With a tiny shape
// it converges only after about 8 / sqrt(z) terms at the far end z of the
// argument, and the other side's fraction is taken instead.
constexpr double FRACTION_BASE_TERMS = 2000.0;
constexpr double FRACTION_MAX_TERMS = 1e6;
// A convergent's ratio to the one before settles within a rounding of 1.
constexpr double FRACTION_TOLERANCE = 2.0 * DBL_EPSILON;
// Replacement for a denominator of the Lentz method that vanishes.
constexpr double FRACTION_TINY = DBL_MIN;

// ln Gamma(z) - ((z - 1/2) ln z - z + ln sqrt(2 pi)) for z >= 8, Stirling's
// series sum_k B_2k / (2k (2k - 1) z^(2k - 1)), k = 1..10.
double stirling_correction(double z) {
    constexpr double coefficients[] = {
        1.0 / 12.0,         -1.0 / 360.0,         1.0 / 1260.0, -1.0 / 1680.0,
        1.0 / 1188.0,       -691.0 / 360360.0,    1.0 / 156.0,  -3617.0 / 122400.0,
        43867.0 / 244188.0, -174611.0 / 125400.0,
    };
    const double r = 1.0 / z;
    const double r2 = r * r;
    double sum = 0.0;
    for (int k = 9; k >= 0; --k) {
        sum = sum * r2 + coefficients[k];
    }
    return sum * r;
}

// t - ln(1 + t), for t >= -1/2, without the cancellation of the two terms near
// t = 0 (DiDonato and Morris's rlog1). With u = t / (2 + t), ln(1 + t) is
// 2 atanh(u) = 2 (u + u^3/3 + u^5/5 + ...), and t = 2u / (1 - u), so
//     t - ln(1 + t) = 2 u^2 (1 / (1 - u) - u (1/3 + u^2/5 + u^4/7 + ...)),
// whose terms do not cancel for |u| <= 1/3 (t <= 1).
double log1p_remainder(double t) {
    if (t > 1.0) {
        return t - std::log1p(t);
    }
    const double u = t / (2.0 + t);
    const double u2 = u * u;
    double sum = 0.0;
    double power = 1.0;
    for (int k = 0; k < 40; ++k) {
        const double term = power / (2.0 * k + 3.0);
        sum = sum + term;
        if (term <= DBL_EPSILON * sum) {
            break;
        }
        power = power * u2;
    }
    return 2.0 * u2 * (1.0 / (1.0 - u) - u * sum);
}

// ln x, with x also given as y = 1 - x: from y by log1p when x >= 1/2, where
// y carries the digits.
double log_of(double x, double y) {
    return x < 0.5 ? std::log(x) : std::log1p(-y);
}

// x^a, with x also given as y = 1 - x. pow(x, a) for x < 1/2: its relative
// error is then a times that of x, as the function's own is. For x >= 1/2,
// exp(a ln(1 - y)): the rounding of x near 1 would be magnified a times.
double power_of(double x, double y, double a) {
    return x < 0.5 ? std::pow(x, a) : std::exp(a * std::log1p(-y));
}

// 1 / Gamma(z) for 0 < z < 8, as z / Gamma(1 + z) below 1 so that a tiny z
// gives no overflow.
double reciprocal_gamma(double z) {
    return z < 1.0 ? z / std::tgamma(1.0 + z) : 1.0 / std::tgamma(z);
}

bool is_normal_positive(double value) {
    return value >= DBL_MIN && value <= DBL_MAX;
}

// A front factor, and its logarithm, finite where the factor underflows.
struct Front {
    double value;
    double log;
};

// The product of the factors when every factor and the product are normal
// numbers; otherwise the same product from the sum of the logarithms (far in
// a tail, where one power underflows and another may overflow).
Front combine(double product, bool factors_normal, double log_sum) {
    if (factors_normal && is_normal_positive(product)) {
        return {product, std::log(product)};
    }
    return {std::exp(log_sum), log_sum};
}

// x^a y^b / B(a, b) = x^a y^b Gamma(a + b) / (Gamma(a) Gamma(b)) for a, b < 8,
// the gamma functions by tgamma.
Front front_small_shapes(double a, double b, double x, double y) {
    const double gamma_ratio = std::tgamma(a + b) * reciprocal_gamma(a) * reciprocal_gamma(b);
    const double xa = power_of(x, y, a);
    const double yb = power_of(y, x, b);
    const double product = xa * yb * gamma_ratio;
    const double log_sum = a * log_of(x, y) + b * log_of(y, x) + std::log(gamma_ratio);
    return combine(product, is_normal_positive(xa) && is_normal_positive(yb), log_sum);
}

// The front factor with one shape p >= 8 (at argument u, v = 1 - u) and the
// other q < 8 (at v). With Stirling's series,
//     Gamma(p + q) / Gamma(p) = (p + q)^q exp((p - 1/2) ln(1 + q/p) - q
//                                              + delta(p + q) - delta(p)),
// a ratio near (p + q)^q whose exponent is small, so that
//     u^p v^q / B(p, q) = u^p (v (p + q))^q exp(...) / Gamma(q),
// a product of factors of moderate size near the mean.
Front front_one_large_shape(double p, double q, double u, double v) {
    const double exponent =
        (p - 0.5) * std::log1p(q / p) - q + (stirling_correction(p + q) - stirling_correction(p));
    double up_times_ratio = 0.0;
    if (u < 0.5) {
        up_times_ratio = std::pow(u, p) * std::exp(exponent);
    } else {
        up_times_ratio = std::exp(p * std::log1p(-v) + exponent);
    }
    const double vq = std::pow(v * (p + q), q);
    const double divisor = reciprocal_gamma(q);
    const double product = up_times_ratio * vq * divisor;
    const double log_sum =
        p * log_of(u, v) + exponent + q * (log_of(v, u) + std::log(p + q)) + std::log(divisor);
    return combine(product, is_normal_positive(up_times_ratio) && is_normal_positive(vq), log_sum);
}

// The front factor for a, b >= 8 (DiDonato and Morris's brcomp): with Stirling's
// series for the three gamma functions,
//     x^a y^b / B(a, b) = sqrt(a b / (2 pi (a + b))) exp(delta(a + b) - delta(a)
//                         - delta(b)) (x (a + b) / a)^a (y (a + b) / b)^b,
// and the last two powers are exp(-(a phi(-lambda/a) + b phi(lambda/b))),
// phi(t) = t - ln(1 + t) >= 0: a sum of terms that do not cancel.
//
// Far below the mean on one side (x (a + b) / a < 1/2, say), exp(-a phi)
// would carry the rounding of an exponent near a ln x, much larger than a,
// the power's own condition: there (x (a + b) / a)^a is taken by pow, and the
// other power, exp(b ln(1 + lambda/b)), by exp, unless one of them leaves the
// normal doubles.
Front front_large_shapes(double a, double b, double x, double y, double lambda) {
    const double sum = a + b;
    const double ta = -lambda / a;
    const double tb = lambda / b;
    const double scale = std::sqrt(b / sum * (a / TWO_PI));
    const double correction =
        stirling_correction(sum) - stirling_correction(a) - stirling_correction(b);
    if (ta >= -0.5 && tb >= -0.5) {
        const double exponent = -(a * log1p_remainder(ta) + b * log1p_remainder(tb)) + correction;
        return {scale * std::exp(exponent), std::log(scale) + exponent};
    }
    // One side far out: s the shape there, at argument u (v = 1 - u); r the
    // other shape, whose t = (v (a + b) - r) / r is then positive.
    const bool x_far = ta < -0.5;
    const double s = x_far ? a : b;
    const double r = x_far ? b : a;
    const double u = x_far ? x : y;
    const double v = x_far ? y : x;
    const double t = x_far ? tb : ta;
    const double far_power = std::pow(u * (sum / s), s);
    const double near_power = std::exp(r * std::log1p(t));
    const double product = scale * std::exp(correction) * far_power * near_power;
    const double log_sum =
        std::log(scale) + correction + s * (log_of(u, v) + std::log1p(r / s)) + r * std::log1p(t);
    return combine(product, is_normal_positive(far_power) && is_normal_positive(near_power),
                   log_sum);
}

// x^a y^b / B(a, b), with y = 1 - x and lambda = a - (a + b) x.
Front front_factor(double a, double b, double x, double y, double lambda) {
    if (a >= LARGE_SHAPE && b >= LARGE_SHAPE) {
        return front_large_shapes(a, b, x, y, lambda);
    }
    if (a >= LARGE_SHAPE) {
        return front_one_large_shape(a, b, x, y);
    }
    if (b >= LARGE_SHAPE) {
        return front_one_large_shape(b, a, y, x);
    }
    return front_small_shapes(a, b, x, y);
}

double lentz_denominator(double value) {
    return std::fabs(value) < FRACTION_TINY ? FRACTION_TINY : value;
}

// The terms of the continued fraction of I_x(a, b) / (x^a y^b / B(a, b)) for
// lambda = a - (a + b) x >= 0 (x at most the mean, where it converges fast).
// Numerical Recipes' betacf fraction 1 / (1 + d1 / (1 + d2 / (1 + ...))) in x
// cancels for large a with x near 1: each 1 + d_k loses the digits of 1 - x,
// and the result is off by about |d ln I / d ln x| = cond / (1 - x) roundings
// (thousands for d2 = 1e5). Its even part, with the partial numerators and
// denominators rewritten in lambda and y (DiDonato and Morris's bfrac),
//     1 / (beta_0 + alpha_1 / (beta_1 + alpha_2 / (beta_2 + ...))),
//     beta_0 = (1 + lambda) / (1 + 1/a),
//     alpha_n = (1 + (n-1)/a)(1 + (n-1)/a + b/a) (a / (a + 2n - 1))^2 n (b - n) x^2,
//     beta_n = n + n (b - n) x / (a + 2n - 1)
//              + (1 + n/a) / (1 + 1/a + 2n/a) (1 + lambda + n (1 + y)),
// has no such cancellation: the digits of 1 - x come in through lambda and y.
class FractionTerms {
  public:
    FractionTerms(double a, double b, double x, double y, double lambda)
        : a_(a), b_(b), x_(x), y_(y), lambda_(lambda) {}

    // beta_0, as a (1 + lambda) / (a + 1).
    double first() const { return a_ * (1.0 + lambda_) / (a_ + 1.0); }

    // alpha_n and beta_n, with the factors of a cleared from the ratios (no
    // 1/a, which overflows for a tiny a):
    //     alpha_n = ((a + n - 1) / s)((a + b + n - 1) / s) n (b - n) x^2,
    //     beta_n = n + n (b - n) x / s + (a + n) / (a + 2n + 1) (1 + lambda + n (1 + y)),
    // with s = a + 2n - 1.
    void term(int index, double* alpha, double* beta) const {
        const double n = index;
        const double s = a_ + (2.0 * n - 1.0);
        const double w = n * (b_ - n) * x_;
        *alpha = ((a_ + (n - 1.0)) / s) * ((a_ + b_ + (n - 1.0)) / s) * (w * x_);
        *beta = n + w / s + (a_ + n) / (a_ + (2.0 * n + 1.0)) * ((1.0 + lambda_) + n * (1.0 + y_));
    }

  private:
    double a_, b_, x_, y_, lambda_;
};

// The fraction's value, or NaN when it has not converged in max_terms terms.
// The modified Lentz method, forwards, finds the depth where the convergents
// settle; the fraction is then evaluated backwards from a little deeper.
// The forward product of the convergents' ratios rounds once per term, which
// adds up to some ten roundings over a hundred terms near the mean; the
// backward evaluation is accurate to a few.
double continued_fraction(const FractionTerms& terms, int max_terms) {
    const double first = terms.first();
    double f = lentz_denominator(first);
    double c = f;
    double d = 0.0;
    int depth = 0;
    for (int n = 1; n <= max_terms; ++n) {
        double alpha = 0.0;
        double beta = 0.0;
        terms.term(n, &alpha, &beta);
        d = 1.0 / lentz_denominator(beta + alpha * d);
        c = lentz_denominator(beta + alpha / c);
        const double ratio = c * d;
        f = f * ratio;
        if (!(std::fabs(f) <= DBL_MAX)) {
            return NAN;
        }
        if (std::fabs(ratio - 1.0) <= FRACTION_TOLERANCE) {
            depth = n;
            break;
        }
    }
    if (depth == 0) {
        return NAN;
    }
    // Backwards: t_N = beta_N, t_n = beta_n + alpha_{n+1} / t_{n+1}, and the
    // value 1 / (beta_0 + alpha_1 / t_1).
    const int start = depth + depth / 8 + 8;
    double alpha = 0.0;
    double beta = 0.0;
    terms.term(start, &alpha, &beta);
    double t = beta;
    for (int n = start - 1; n >= 1; --n) {
        const double deeper_alpha = alpha;
        terms.term(n, &alpha, &beta);
        t = beta + deeper_alpha / lentz_denominator(t);
    }
    const double value = 1.0 / lentz_denominator(first + alpha / lentz_denominator(t));
    return std::isfinite(value) ? value : NAN;
}

[[noreturn]] void beyond_range(double a, double b) {
    throw std::domain_error(
        "lodthresh::distributions: the incomplete beta function's continued fraction does not "
        "converge for shapes " +
        shown(a) + " and " + shown(b) + " (beyond its range)");
}

// One side's tail: the front factor times the fraction, for the tail below x
// of the beta(a, b) distribution, lambda = a - (a + b) x.
struct Side {
    Front front;
    double fraction;
};

Side side(double a, double b, double x, double y, double lambda, int max_terms) {
    return {front_factor(a, b, x, y, lambda),
            continued_fraction(FractionTerms(a, b, x, y, lambda), max_terms)};
}

// Both tails from the lower one, I = front * fraction, its slope 1 / fraction.
BetaTails from_lower(const Side& lower_side) {
    const double lower = std::fmin(lower_side.front.value * lower_side.fraction, 1.0);
    const double upper = 1.0 - lower;
    return {lower,
            upper,
            lower_side.front.log + std::log(lower_side.fraction),
            std::log1p(-lower),
            1.0 / lower_side.fraction,
            lower_side.front.value / upper};
}

BetaTails from_upper(const Side& upper_side) {
    const double upper = std::fmin(upper_side.front.value * upper_side.fraction, 1.0);
    const double lower = 1.0 - upper;
    return {lower,
            upper,
            std::log1p(-upper),
            upper_side.front.log + std::log(upper_side.fraction),
            upper_side.front.value / lower,
            1.0 / upper_side.fraction};
}

}  // namespace

// The 15 digits that read back as the value, or else 17: snprintf, not
// streams, which would bring the whole of iostreams into the page's module.
std::string shown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    if (!std::isfinite(value) || std::strtod(text, nullptr) == value) {
        return text;
    }
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

BetaTails beta_tails(double a, double b, double x, double y) {
    if (x <= 0.0) {
        return {0.0, 1.0, -HUGE_VAL, 0.0, 0.0, 0.0};
    }
    if (y <= 0.0) {
        return {1.0, 0.0, 0.0, -HUGE_VAL, 0.0, 0.0};
    }
    const double sum = a + b;
    if (!(sum <= DBL_MAX)) {
        beyond_range(a, b);
    }
    const int max_terms = static_cast<int>(
        std::fmin(FRACTION_BASE_TERMS + 2.0 * std::sqrt(std::fmin(a, b)), FRACTION_MAX_TERMS));
    // lambda = a - (a + b) x = (a + b) y - b, from whichever of x and y is
    // multiplied by the larger shape, which keeps its rounding small.
    const double lambda = a > b ? sum * y - b : a - sum * x;
    // The fraction of the side below the mean; failing that (a tiny shape),
    // the other side's, whose tail is then the larger one.
    const bool lower_first = lambda >= 0.0;
    for (const bool lower : {lower_first, !lower_first}) {
        const Side tail =
            lower ? side(a, b, x, y, lambda, max_terms) : side(b, a, y, x, -lambda, max_terms);
        if (!std::isnan(tail.fraction)) {
            return lower ? from_lower(tail) : from_upper(tail);
        }
    }
    beyond_range(a, b);
}

}  // namespace lodthresh::distributions::detail
