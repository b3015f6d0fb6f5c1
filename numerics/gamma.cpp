// Log-gamma (six-term Lanczos approximation) and the regularised incomplete
// gamma functions P(a, x) and Q(a, x) by series and continued fraction.
#include <cmath>
#include <limits>

#include "numerics/numerics.h"

namespace Numerics_1_1 {

namespace {

// Replacement for a near-zero denominator in the modified Lentz method: 2^-1022,
// the smallest positive normal double.
constexpr double NUMERICS_TINY = 2.2250738585072014e-308;
static_assert(NUMERICS_TINY == std::numeric_limits<double>::min(), "2^-1022");

// Lanczos approximation with gamma = 5 and six terms.
constexpr double LANCZOS_SHIFT = 5.5;
constexpr double LANCZOS_HALF = 0.5;
constexpr double LANCZOS_SERIES_BASE = 1.000000000190015;
// The double nearest sqrt(2 pi).
constexpr double LANCZOS_ROOT_TWO_PI = 2.5066282746310007;
constexpr double LANCZOS_COEFFICIENTS[6] = {
    76.18009172947146,  -86.50532032941678,   24.01409824083091,
    -1.231739572460166, 0.001208650973866179, -5.395239384953e-06,
};

// x^a e^-x / Gamma(a), the factor common to the series and the continued
// fraction. The exponent is summed as a ln x, then - x, then - ln Gamma(a).
double incomplete_gamma_prefactor(double a, double x, double log_gamma) {
    return std::exp(std::log(x) * a + (-x) - log_gamma);
}

}  // namespace

double lngamma(double x) {
    double t = x + LANCZOS_SHIFT;
    t = t - (x + LANCZOS_HALF) * std::log(t);
    double s = LANCZOS_SERIES_BASE;
    // Denominators x + 1, ..., x + 6, each formed from the one before.
    double y = x;
    for (const double coefficient : LANCZOS_COEFFICIENTS) {
        y = y + 1.0;
        s = s + coefficient / y;
    }
    return std::log(LANCZOS_ROOT_TWO_PI * s / x) + (-t);
}

void gser(double* result, double a, double x, double* log_gamma) {
    *log_gamma = lngamma(a);
    if (!(x > 0.0)) {
        if (x == 0.0) {
            *result = 0.0;
            return;
        }
        // Negative, or NaN.
        throw Exception("gser", "x less than 0");
    }
    // sum_{n>=0} x^n / (a (a+1) ... (a+n)), each term from the previous one.
    double ap = a;
    double sum = 1.0 / a;
    double term = sum;
    for (int n = 1; n <= NUMERICS_ITMAX; ++n) {
        ap = ap + 1.0;
        term = (x / ap) * term;
        sum = sum + term;
        if (std::fabs(term) < std::fabs(sum) * NUMERICS_EPS) {
            *result = sum * incomplete_gamma_prefactor(a, x, *log_gamma);
            return;
        }
    }
    throw Exception("gser", "a too large, NUMERICS_ITMAX too small");
}

void gcf(double* result, double a, double x, double* log_gamma) {
    *log_gamma = lngamma(a);
    // Q(a, x) = prefactor / (x + 1 - a - 1(1-a)/(x + 3 - a - 2(2-a)/(x + 5 - a - ...))),
    // evaluated forwards by the modified Lentz method (Thompson & Barnett 1986).
    double b = (x + 1.0) - a;
    double c = 1.0 / NUMERICS_TINY;
    double d = 1.0 / b;
    double h = d;
    bool converged = false;
    for (int i = 1; i <= NUMERICS_ITMAX; ++i) {
        const double an = static_cast<double>(-i) * (static_cast<double>(i) - a);
        b = b + 2.0;
        d = an * d + b;
        // Lentz's guard against a vanishing denominator. The band is
        // NUMERICS_EPS wide, far wider than NUMERICS_TINY, and either sign in it
        // is replaced by the positive NUMERICS_TINY.
        if (within_tolerance(d, 0.0, NUMERICS_EPS)) {
            d = NUMERICS_TINY;
        }
        c = an / c + b;
        if (within_tolerance(c, 0.0, NUMERICS_EPS)) {
            c = NUMERICS_TINY;
        }
        d = 1.0 / d;
        const double delta = d * c;
        h = h * delta;
        if (within_tolerance(delta, 1.0, NUMERICS_EPS)) {
            converged = true;
            break;
        }
    }
    if (!converged) {
        throw Exception("gcf", "a too large, NUMERICS_ITMAX too small");
    }
    *result = incomplete_gamma_prefactor(a, x, *log_gamma) * h;
}

double gammp(double a, double x) {
    if (!(x >= 0.0)) {
        throw Exception("gammp", "Invalid arguments");
    }
    if (!(a > 0.0)) {
        throw Exception("gammp", "Invalid arguments");
    }
    double result = 0.0;
    double log_gamma = 0.0;
    // The series converges fast below a + 1; from a + 1 up the continued
    // fraction does, and x = a + 1 itself goes to the fraction.
    if (x < a + 1.0) {
        gser(&result, a, x, &log_gamma);
        return result;
    }
    gcf(&result, a, x, &log_gamma);
    return 1.0 - result;
}

double gammq(double a, double x) {
    if (!(x >= 0.0)) {
        throw Exception("gammq", "Invalid arguments");
    }
    if (!(a > 0.0)) {
        throw Exception("gammq", "Invalid arguments");
    }
    double result = 0.0;
    double log_gamma = 0.0;
    // Same split as gammp, so that gammp + gammq is 1 up to one rounding.
    if (x < a + 1.0) {
        gser(&result, a, x, &log_gamma);
        return 1.0 - result;
    }
    gcf(&result, a, x, &log_gamma);
    return result;
}

}  // namespace Numerics_1_1
