// Chi-square distribution function, and its quantile by Algorithm AS 91
// (Best & Roberts 1975).
#include <cmath>
#include <limits>

#include "numerics/numerics.h"

namespace Numerics_1_1 {

namespace {

// ln 2 rounded to ten decimals, as AS 91 has it; not the double nearest ln 2.
constexpr double AS91_AA = 0.6931471806;
// A start-A value below this is the result, without refinement.
constexpr double AS91_E = 5e-7;
// Relative stop tolerance of the start-B Newton steps and of the refinement.
constexpr double AS91_TOL = 5e-9;
// Start A applies when ln(p) * AS91_SMALL_CHI_SLOPE > v.
constexpr double AS91_SMALL_CHI_SLOPE = -1.24;
// Start B applies below this many degrees of freedom.
constexpr double AS91_SMALL_V = 0.32;
// Passes of the start-B Newton iteration before giving up. Ordinary arguments
// settle in a few dozen; a NaN p would otherwise loop for ever.
constexpr int AS91_START_B_MAX_PASSES = 1000;
// Passes of the seven-term Taylor refinement; the last value is returned.
constexpr int AS91_MAX_PASSES = 21;

// Start A, small chi-square: ch = (p xx 2^xx Gamma(xx))^(1/xx), the inverse of
// the leading term of the series for P(xx, ch/2).
double as91_start_small_chi_square(double p, double xx, double g) {
    const double product = p * xx * std::exp(xx * AS91_AA + g);
    if (std::isfinite(product)) {
        return std::pow(product, 1.0 / xx);
    }
    // Beyond about 302 degrees of freedom 2^xx Gamma(xx) overflows; the same
    // start value in logarithms stays finite.
    return std::exp((std::log(p) + std::log(xx) + xx * AS91_AA + g) / xx);
}

// Start B, small v: Newton iteration of AS 91 that matches ln(1 - p) with a
// rational approximation of the upper tail.
double as91_start_small_v(double p, double c, double g) {
    double ch = 0.4;
    const double a = std::log(1.0 - p);
    for (int pass = 0; pass < AS91_START_B_MAX_PASSES; ++pass) {
        const double q = ch;
        const double p1 = 1.0 + ch * (4.67 + ch);
        const double p2 = ch * (6.73 + ch * (6.66 + ch));
        const double t = -0.5 + (4.67 + 2.0 * ch) / p1 - (6.73 + ch * (13.32 + 3.0 * ch)) / p2;
        ch = ch - (1.0 - std::exp(a + g + 0.5 * ch + c * AS91_AA) * p2 / p1) / t;
        if (within_tolerance(q / ch, 1.0, AS91_TOL)) {
            return ch;
        }
    }
    throw Exception("chisqv", "Start value did not converge");
}

// Start C, the Wilson-Hilferty cube-root approximation, with the AS 91
// replacement near p = 1 where the cube root overshoots.
double as91_start_wilson_hilferty(double p, double v, double c, double g) {
    const double x = normv(p, 0.0, 1.0);
    const double p1 = 0.222222 / v;
    const double w = x * std::sqrt(p1) + 1.0 - p1;
    double ch = v * w * w * w;
    if (ch > 2.2 * v + 6.0) {
        ch = -2.0 * (std::log(1.0 - p) - c * std::log(0.5 * ch) + g);
    }
    return ch;
}

// Seven-term Taylor series step of AS 91 towards chisqp(ch, v) = p.
double as91_taylor_refinement(double ch, double p, double xx, double c, double g) {
    for (int pass = 0; pass < AS91_MAX_PASSES; ++pass) {
        const double q = ch;
        const double p1 = 0.5 * ch;
        const double p2 = p - gammp(xx, p1);
        const double t = p2 * std::exp(xx * AS91_AA + g + p1 - c * std::log(ch));
        const double b = t / ch;
        const double a = 0.5 * t - b * c;
        const double s1 =
            (210.0 + a * (140.0 + a * (105.0 + a * (84.0 + a * (70.0 + 60.0 * a))))) / 420.0;
        const double s2 = (420.0 + a * (735.0 + a * (966.0 + a * (1141.0 + 1278.0 * a)))) / 2520.0;
        const double s3 = (210.0 + a * (462.0 + a * (707.0 + 932.0 * a))) / 2520.0;
        const double s4 =
            (252.0 + a * (672.0 + 1182.0 * a) + c * (294.0 + a * (889.0 + 1740.0 * a))) / 5040.0;
        // Four-digit coefficients 2264 and 1175, as in Best & Roberts.
        const double s5 = (84.0 + 2264.0 * a + c * (1175.0 + 606.0 * a)) / 2520.0;
        const double s6 = (120.0 + c * (346.0 + 127.0 * c)) / 5040.0;
        ch = ch + t * (1.0 + 0.5 * t * s1 -
                       b * c * (s1 - b * (s2 - b * (s3 - b * (s4 - b * (s5 - b * s6))))));
        if (within_tolerance(q / ch, 1.0, AS91_TOL)) {
            return ch;
        }
    }
    return ch;
}

}  // namespace

double chisqp(double x, double v) {
    if (!is_positive(v)) {
        throw Exception("chisqp", "Invalid v parameter");
    }
    if (!(x > 0.0)) {
        return 0.0;
    }
    return gammp(0.5 * v, 0.5 * x);
}

double chisqv(double p, double v) {
    if (!is_probability(p)) {
        throw Exception("chisqv", "Invalid p parameter");
    }
    if (!is_positive(v)) {
        throw Exception("chisqv", "Invalid v parameter");
    }
    // The quantiles at the ends are exact; the iterations would only approach
    // them slowly (p = 1) or through 0 * infinity (p = 0, v above ~302).
    if (p == 1.0) {
        return std::numeric_limits<double>::infinity();
    }
    if (p == 0.0) {
        return 0.0;
    }
    const double xx = 0.5 * v;
    const double c = xx - 1.0;
    const double g = lngamma(xx);
    double ch = 0.0;
    if (std::log(p) * AS91_SMALL_CHI_SLOPE > v) {
        ch = as91_start_small_chi_square(p, xx, g);
        // Also passes a NaN through.
        if (!(ch >= AS91_E)) {
            return ch;
        }
    } else if (v < AS91_SMALL_V) {
        ch = as91_start_small_v(p, c, g);
    } else {
        ch = as91_start_wilson_hilferty(p, v, c, g);
    }
    return as91_taylor_refinement(ch, p, xx, c, g);
}

}  // namespace Numerics_1_1
