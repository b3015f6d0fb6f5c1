// Siegmund's discrete-marker factor nu, by one of two methods split at x = 5:
//  - x <= 5: log nu(x) = sum_k b_k x^(2k+1), a power series found from the
//    Mellin transform of the sum in nu (tools/nu_coefficients.py derives it
//    and prints b_k; b_0 = zeta(1/2) / sqrt(2 pi) = -rho_0). It converges for
//    x^2 < 16 pi; 6, 10, 18 or 50 terms keep the rest below 2^-60 for x up to
//    0.25, 1, 2.5 and 5.
//  - x > 5: the defining sum, whose terms fall like exp(-x^2 n / 8): at most
//    12 of them, each an erfc.
// Measured against 30-digit mpmath references over 1e-6 <= x <= 100
// (tests/threshold/nu_references.tsv): within 3e-16 relative (see the test).
#include "threshold/nu.h"

#include <cmath>
#include <iterator>
#include <limits>

#include "threshold/normal.h"

namespace lodthresh {

namespace {

// b_k of log nu(x) = sum_k b_k x^(2k+1) (tools/nu_coefficients.py).
constexpr double kLogNuSeries[] = {
    -5.8259715793901067e-1,  3.4556085273546293e-3,   -1.5886132122532645e-5,
    -1.5800609136217438e-7,  2.0025263914487221e-9,   2.8515384089874856e-11,
    -4.3435282358972133e-13, -6.9116276126209578e-15, 1.1340727181032611e-16,
    1.9037759961265976e-18,  -3.2530828261413953e-20, -5.6384595041553145e-22,
    9.8882421204247792e-24,  1.7512749467000727e-25,  -3.1277867021644617e-27,
    -5.6269222431017592e-29, 1.018722340551339e-30,   1.8546610291830298e-32,
    -3.3933244180420409e-34, -6.2360585662619591e-36, 1.1506027372898944e-37,
    2.1306169048980839e-39,  -3.9582859136586508e-41, -7.3757571134526718e-43,
    1.3781456912006291e-44,  2.5815304183004796e-46,  -4.8469498448122209e-48,
    -9.1199815136410859e-50, 1.7194383060431789e-51,  3.2477788406095122e-53,
    -6.1452496436936443e-55, -1.1646544914610502e-56, 2.2106247025873681e-58,
    4.2019718475660593e-60,  -7.9978800234774182e-62, -1.5242170745419729e-63,
    2.908294003832826e-65,   5.5554748986391752e-67,  -1.0623547000560529e-68,
    -2.03357149029068e-70,   3.8964469347436703e-72,  7.472690644719011e-74,
    -1.4343829731260739e-75, -2.7555951614247264e-77, 5.2979930542042807e-79,
    1.0193835963804289e-80,  -1.9628169249941185e-82, -3.7820248409297085e-84,
    7.2922032507530126e-86,  1.4069255217466631e-87,
};

// Bounds of x up to which a number of the series' terms suffices.
struct SeriesTier {
    double bound;
    int terms;
};
constexpr SeriesTier kSeriesTiers[] = {{0.25, 6}, {1.0, 10}, {2.5, 18}, {5.0, 50}};
constexpr double kSeriesBound = kSeriesTiers[std::size(kSeriesTiers) - 1].bound;

// nu(x) and the logarithmic slope x d(log nu)/dx, which the threshold's

// Horner's rule in y = x^2 for P(y) = sum b_k y^k and P'(y), so that
// log nu = x P and x (log nu)' = x P + 2 x y P'.
NuValue nu_series(double x) {
    int terms = 0;
    for (const SeriesTier& tier : kSeriesTiers) {
        if (x <= tier.bound) {
            terms = tier.terms;
            break;
        }
    }
    const double y = x * x;
    double p = 0.0;
    double dp = 0.0;
    for (int k = terms - 1; k >= 0; --k) {
        dp = dp * y + p;
        p = p * y + kLogNuSeries[k];
    }
    const double log_nu = x * p;
    return NuValue{std::exp(log_nu), log_nu + 2.0 * x * y * dp};
}

// nu(x) = 2 x^-2 exp(-2 S), S = sum_n n^-1 Q(x sqrt(n) / 2), Q the upper
// normal tail. For x > 5 the terms fall below 2^-60 of the leading one after
// at most 12 terms; x S' = -sum_n (x / (2 sqrt n)) phi(x sqrt(n) / 2).
constexpr int kMaxSumTerms = 16;
NuValue nu_sum(double x) {
    double s = 0.0;
    double slope = 0.0;  // x dS/dx
    for (int n = 1;; ++n) {
        const double root_n = std::sqrt(static_cast<double>(n));
        const double y = 0.5 * x * root_n;
        const double term = normal::upper_tail(y) / n;
        s += term;
        slope -= x / (2.0 * root_n) * normal::density(y);
        if (term <= 0x1p-60 * s || n == kMaxSumTerms) {
            break;
        }
    }
    // x^2 overflows beyond 1.3e154, where 2 / x / x still reaches the subnormals.
    const double two_over_square = x < 1e150 ? 2.0 / (x * x) : 2.0 / x / x;
    return NuValue{two_over_square * std::exp(-2.0 * s), -2.0 - 2.0 * slope};
}

}  // namespace

NuValue nu_with_slope(double x) {
    if (std::isnan(x)) {
        return NuValue{x, x};
    }
    if (x == 0.0) {
        return NuValue{1.0, 0.0};
    }
    if (std::isinf(x)) {
        return NuValue{0.0, -2.0};
    }
    // The series converges for x < 7.09, but beyond x = 5 its terms grow
    // larger than the sum's few terms cost.
    return x <= kSeriesBound ? nu_series(x) : nu_sum(x);
}

double nu(double x) {
    if (!(x >= 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return nu_with_slope(x).value;
}

}  // namespace lodthresh
