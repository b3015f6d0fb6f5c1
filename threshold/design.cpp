// Designs, Siegmund's nu and the genome-wide level of a scan with markers.
//
// nu(x) is evaluated by one of two methods, split at x = 5:
//  - x <= 5: log nu(x) = sum_k b_k x^(2k+1), a power series found from the
//    Mellin transform of the sum in nu (tools/nu_coefficients.py derives it
//    and prints b_k; b_0 = zeta(1/2) / sqrt(2 pi) = -rho_0). It converges for
//    x^2 < 16 pi; 6, 10, 18 or 50 terms keep the rest below 2^-60 for x up to
//    0.25, 1, 2.5 and 5.
//  - x > 5: the defining sum, whose terms fall like exp(-x^2 n / 8): at most
//    12 of them, each an erfc.
// Measured against 30-digit mpmath references over 1e-6 <= x <= 100
// (tests/threshold/nu_references.tsv): within 3e-16 relative (see the test).
#include "threshold/design.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>

#include "threshold/normal.h"
#include "threshold/threshold.h"
#include "threshold/units.h"

namespace lodthresh {

namespace {

constexpr double kLn2 = 0.693147180559945309417;  // ln 2

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
// Newton steps need.
struct NuValue {
    double value;
    double log_slope;
};

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

// log alpha_T and its derivative in T. The one- and two-sided tails are
// c erfc(sqrt(T/2)), c = 1/2 or 1, whose logarithmic derivative is
// -exp(-T/2) / (sqrt(2 pi T) erfc(sqrt(T/2))); the 2-df tail is exp(-T/2).
struct LogLevel {
    double value;
    double slope;
};

LogLevel log_pointwise_level(Tail tail, double t) {
    if (tail == Tail::two_df) {
        return LogLevel{-0.5 * t, -0.5};
    }
    const double tail_probability = std::erfc(std::sqrt(0.5 * t));
    const double factor = tail == Tail::one_sided ? 0.5 : 1.0;
    return LogLevel{
        std::log(factor * tail_probability),
        -std::exp(-0.5 * t) * normal::kInvSqrtTwoPi / (std::sqrt(t) * tail_probability)};
}

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
    LevelEquation(const Scan& scan, Tail tail, double rate, double alpha)
        : terms_(terms_of(scan, rate)),
          tail_(tail),
          chromosomes_(scan.chromosomes),
          twice_rate_(2.0 * rate),
          // 2 rho itself may overflow; its logarithm never does.
          log_twice_rate_(std::isfinite(twice_rate_) ? std::log(twice_rate_)
                                                     : kLn2 + std::log(rate)),
          log_alpha_(std::log(alpha)) {}

    struct Value {
        double f;
        double slope;
    };

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
        const double level_factor = chromosomes_ + twice_rate_ * t * sum;
        const LogLevel level = log_pointwise_level(tail_, t);
        if (!std::isfinite(level_factor)) {
            // 2 rho G T beyond the doubles: C no longer counts beside it.
            return Value{log_twice_rate_ + std::log(t) + std::log(sum) + level.value - log_alpha_,
                         slope_sum / (t * sum) + level.slope};
        }
        return Value{std::log(level_factor) + level.value - log_alpha_,
                     twice_rate_ * slope_sum / level_factor + level.slope};
    }

  private:
    std::vector<Term> terms_;
    Tail tail_;
    double chromosomes_;
    double twice_rate_;
    double log_twice_rate_;
    double log_alpha_;
};

// Above T = 2 the level g(T) falls strictly: d log alpha_T / dT <= -1/2 for
// every tail (Mills' ratio), while d log(C + K) / dT <= 1/T, nu falling.
constexpr double kFallingFrom = 2.0;
// Below it g may rise to a hump and fall again (a short genome at a level
// near 1): its largest crossing is bracketed on a grid of this many steps.
constexpr int kLowGridSteps = 256;
// At T = 1500 the pointwise level of every tail is below DBL_MIN (the 2-df
// tail exp(-750) is about 5e-326): a threshold beyond it has no nominal level.
constexpr double kLevelUnderflows = 1500.0;
constexpr int kMaxNewtonSteps = 200;

// The root of F in [lo, hi] with F(lo) >= 0 (and F(hi) < 0, or else the
// steps end at hi), by Newton steps kept inside the bracket, bisecting where
// a step would leave it (or F has no finite value). Ends when a step is
// below a few ulps of T or the bracket holds no double between its ends.
double newton_in_bracket(const LevelEquation& equation, double lo, double hi, double t) {
    for (int step = 0; step < kMaxNewtonSteps; ++step) {
        const LevelEquation::Value v = equation(t);
        if (v.f == 0.0) {
            return t;
        }
        (v.f > 0.0 ? lo : hi) = t;
        double next = t - v.f / v.slope;
        if (!(next > lo && next < hi)) {
            next = 0.5 * (lo + hi);
        }
        if (std::fabs(next - t) <= 4.0 * DBL_EPSILON * t || std::nextafter(lo, hi) >= hi) {
            return next;
        }
        t = next;
    }
    return t;  // not reached: Newton's quadratic steps end in a few dozen
}

}  // namespace

const char* tail_name(Tail tail) {
    switch (tail) {
        case Tail::one_sided:
            return "one-sided";
        case Tail::two_sided:
            return "two-sided";
        case Tail::two_df:
            return "2df";
    }
    return "";
}

const std::vector<Design>& designs() {
    // Meanings fit the 80 columns of --help.
    static const std::vector<Design> kDesigns = {
        {"lod-score", Tail::one_sided, 1.0, "LOD-score analysis of pedigrees"},
        {"sibs", Tail::one_sided, 2.0, "allele sharing, affected sib pairs"},
        {"grandparent-grandchild", Tail::one_sided, 1.0, "allele sharing of these pairs"},
        {"uncle-nephew", Tail::one_sided, 2.5, "allele sharing, avuncular pairs"},
        {"first-cousin", Tail::one_sided, 2.67, "allele sharing, first cousins"},
        {"first-cousin-once-removed", Tail::one_sided, 2.86, "allele sharing of these pairs"},
        {"second-cousin", Tail::one_sided, 3.2, "allele sharing, second cousins"},
        {"backcross", Tail::two_sided, 1.0, "backcross"},
        {"doubled-haploid", Tail::two_sided, 1.0, "doubled haploid lines"},
        {"intercross", Tail::two_df, 1.5, "F2, additive and dominance (2 df)"},
        {"intercross-additive", Tail::two_sided, 1.0, "F2, additive effect only"},
        {"intercross-dominance", Tail::two_sided, 2.0, "F2, dominance effect only"},
        {"ril-selfing", Tail::two_sided, 2.0, "RILs by selfing, on the F2 map"},
        {"ril-sibmating", Tail::two_sided, 4.0, "RILs by sib mating, on the F2 map"},
    };
    return kDesigns;
}

const Design* find_design(std::string_view name) {
    for (const Design& design : designs()) {
        if (name == design.name) {
            return &design;
        }
    }
    return nullptr;
}

double nu(double x) {
    if (!(x >= 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return nu_with_slope(x).value;
}

double pointwise_level(Tail tail, double t) {
    if (tail == Tail::two_df) {
        return std::exp(-0.5 * t);
    }
    const double tail_probability = std::erfc(std::sqrt(0.5 * t));
    return tail == Tail::one_sided ? 0.5 * tail_probability : tail_probability;
}

Scan even_scan(double length, double chromosomes, double spacing) {
    return Scan{chromosomes, {Stretch{length, spacing}}};
}

DesignThreshold design_threshold(const Scan& scan, Tail tail, double rate, double alpha) {
    if (!(std::isfinite(scan.chromosomes) && scan.chromosomes >= 1.0)) {
        throw std::invalid_argument("the number of chromosomes must be at least 1");
    }
    if (!(std::isfinite(rate) && rate > 0.0)) {
        throw std::invalid_argument("the cross-over rate must be finite and above 0");
    }
    if (!(std::isfinite(alpha) && alpha > 0.0)) {
        throw std::invalid_argument("the level must be finite and above 0");
    }
    const LevelEquation equation(scan, tail, rate, alpha);
    double t = 0.0;
    if (equation(kFallingFrom).f >= 0.0) {
        // F(1500) is not evaluated: a root beyond it draws the steps to
        // T = 1500, whose nominal level is out of range all the same.
        t = newton_in_bracket(equation, kFallingFrom, kLevelUnderflows, 2.0 * kFallingFrom);
    } else {
        // The largest grid point below T = 2 where g still reaches alpha,
        // then halving towards 0 for a crossing below the first grid point.
        double hi = kFallingFrom;
        double lo = 0.0;
        for (int i = kLowGridSteps - 1; i >= 1 && lo == 0.0; --i) {
            const double grid_t = kFallingFrom * i / kLowGridSteps;
            (equation(grid_t).f >= 0.0 ? lo : hi) = grid_t;
        }
        for (int halving = 0; lo == 0.0 && halving < 60; ++halving) {
            const double small_t = std::ldexp(hi, -1);
            (equation(small_t).f >= 0.0 ? lo : hi) = small_t;
        }
        if (lo == 0.0) {
            throw NoSolution();
        }
        t = newton_in_bracket(equation, lo, hi, 0.5 * (lo + hi));
    }
    const double nominal = pointwise_level(tail, t);
    if (!(nominal >= DBL_MIN)) {
        throw NominalLevelOutOfRange();
    }
    return DesignThreshold{nominal, lod_of_chi_square(t)};
}

}  // namespace lodthresh
