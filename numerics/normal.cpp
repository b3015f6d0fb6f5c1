// Normal quantile by Algorithm AS 111 (Beasley & Springer 1977).
#include <cmath>

#include "numerics/numerics.h"

namespace Numerics_1_1 {

namespace {

// Rational approximation in r = q^2, q = p - 1/2, for |q| <= 0.42.
constexpr double AS111_A0 = 2.50662823884;
constexpr double AS111_A1 = -18.61500062529;
constexpr double AS111_A2 = 41.39119773534;
// Ten decimals, -25.4410604963, where the AS 111 listing has -25.44106049637;
// the results of this library are those of the stored value.
constexpr double AS111_A3 = -25.4410604963;
constexpr double AS111_B1 = -8.4735109309;
constexpr double AS111_B2 = 23.08336743743;
constexpr double AS111_B3 = -21.06224101826;
constexpr double AS111_B4 = 3.13082909833;
// Rational approximation in s = sqrt(-ln r), r the nearer tail probability.
constexpr double AS111_C0 = -2.78718931138;
constexpr double AS111_C1 = -2.29796479134;
constexpr double AS111_C2 = 4.85014127135;
constexpr double AS111_C3 = 2.32121276858;
constexpr double AS111_D1 = 3.54388924762;
constexpr double AS111_D2 = 1.63706781897;
constexpr double AS111_SPLIT = 0.42;

double as111_central(double q) {
    const double r = q * q;
    const double numerator = ((AS111_A3 * r + AS111_A2) * r + AS111_A1) * r + AS111_A0;
    const double denominator =
        (((AS111_B4 * r + AS111_B3) * r + AS111_B2) * r + AS111_B1) * r + 1.0;
    return (q * numerator) / denominator;
}

// Magnitude of the quantile whose nearer tail has probability r, 0 < r < 0.08.
double as111_tail(double r) {
    const double s = std::sqrt(-std::log(r));
    return (((AS111_C3 * s + AS111_C2) * s + AS111_C1) * s + AS111_C0) /
           ((AS111_D2 * s + AS111_D1) * s + 1.0);
}

}  // namespace

double normv(double p, double mean, double variance) {
    const double q = p - 0.5;
    double z = 0.0;
    // Only a |q| strictly above 0.42 goes to the tail; q = +/-0.42 and a NaN
    // stay central.
    if (std::fabs(q) > AS111_SPLIT) {
        double r = p;
        if (q > 0.0) {
            r = 1.0 - p;
        }
        // p <= 0 or p >= 1: a bare 0.0, neither shifted nor scaled.
        if (!(r > 0.0)) {
            return 0.0;
        }
        z = as111_tail(r);
        if (q < 0.0) {
            z = -z;
        }
    } else {
        z = as111_central(q);
    }
    return std::sqrt(variance) * z + mean;
}

}  // namespace Numerics_1_1
