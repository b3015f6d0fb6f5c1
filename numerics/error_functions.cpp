// Error functions: erf and erfc through the incomplete gamma function with
// a = 1/2, and a Chebyshev-fitted erfc in closed form.
#include <cmath>

#include "numerics/numerics.h"

namespace Numerics_1_1 {

namespace {

// Chebyshev fit of erfc(z) = t exp(-z^2 - 1.26551223 + t (c0 + t (c1 + ... + t c8))),
// t = 1 / (1 + z/2), as in Numerical Recipes' erfcc.
constexpr double CHEBYSHEV_SCALE = 0.5;
constexpr double CHEBYSHEV_EXPONENT_CONSTANT = 1.26551223;
constexpr double CHEBYSHEV_COEFFICIENTS[9] = {
    1.00002368,  0.37409196, 0.09678418,  -0.18628806, 0.27886807,
    -1.13520398, 1.48851587, -0.82215223, 0.17087277,
};
// erfc(-z) = 2 - erfc(z).
constexpr double REFLECTION = 2.0;

}  // namespace

double errf(double x) {
    // erf(x) = P(1/2, x^2) for x >= 0, and erf is odd. -0 and NaN take the
    // non-negative branch.
    const double x2 = x * x;
    if (x < 0.0) {
        return -gammp(0.5, x2);
    }
    return gammp(0.5, x2);
}

double errfc(double x) {
    const double x2 = x * x;
    // For x < 0, erfc(x) = 1 + erf(|x|); no cancellation, the result is in [1, 2].
    if (x < 0.0) {
        return gammp(0.5, x2) + 1.0;
    }
    // For x >= 0 take Q directly, so that the far tail is not lost to 1 - P.
    return gammq(0.5, x2);
}

double errfc_cheb(double x) {
    const double z = std::fabs(x);
    const double t = 1.0 / ((CHEBYSHEV_SCALE * z) + 1.0);
    // Horner's rule from the highest coefficient down, then one more factor t.
    double q = t * CHEBYSHEV_COEFFICIENTS[8] + CHEBYSHEV_COEFFICIENTS[7];
    for (int k = 6; k >= 0; --k) {
        q = q * t + CHEBYSHEV_COEFFICIENTS[k];
    }
    q = q * t;
    const double e = ((-z) * z - CHEBYSHEV_EXPONENT_CONSTANT) + q;
    const double ans = std::exp(e) * t;
    // x = 0 (and -0) does not reflect, so only there do errfc_cheb(x) and
    // errfc_cheb(-x) fail to add up to 2.
    if (x < 0.0) {
        return REFLECTION - ans;
    }
    return ans;
}

}  // namespace Numerics_1_1
