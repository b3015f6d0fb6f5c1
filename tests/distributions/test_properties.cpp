// Properties of the incomplete beta function and the F distribution that hold
// beyond the reference table: closed forms, the chi-square limit, round trips
// between tail and quantile, and the ends of the ranges.
#include <vector>

#include "distributions/f.h"
#include "distributions_testing.h"

namespace {

using namespace lodthresh::distributions;
using namespace distributions_testing;

// Closed forms: I_x(1, 1) = x, I_x(a, 1) = x^a, I_x(1, b) = 1 - (1-x)^b,
// I_{1/2}(a, a) = 1/2 (symmetry), F(2, 2): P(F > f) = 1 / (1 + f),
// F(1, 1): P(F > f) = (2/pi) atan(1 / sqrt(f)). Expected values are formed in
// long double.
struct ClosedForm {
    const char* what;
    double value;
    long double expected;
};

TEST(ClosedForms, MatchTheFunctions) {
    const long double pi = 3.141592653589793238462643383279502884L;
    const std::vector<ClosedForm> cases = {
        {"I_0.3(1, 1)", incomplete_beta(1.0, 1.0, 0.3), 0.3L},
        {"1 - I_0.3(1, 1)", incomplete_beta_complement(1.0, 1.0, 0.3), 1.0L - 0.3L},
        {"I_0.9(25, 1)", incomplete_beta(25.0, 1.0, 0.9), std::pow(0.9L, 25.0L)},
        {"I_0.01(3.5, 1)", incomplete_beta(3.5, 1.0, 0.01), std::pow(0.01L, 3.5L)},
        {"1 - I_0.2(1, 40)", incomplete_beta_complement(1.0, 40.0, 0.2), std::pow(0.8L, 40.0L)},
        {"I_0.5(0.5, 0.5)", incomplete_beta(0.5, 0.5, 0.5), 0.5L},
        {"I_0.5(30, 30)", incomplete_beta(30.0, 30.0, 0.5), 0.5L},
        {"1 - I_0.5(1e4, 1e4)", incomplete_beta_complement(1e4, 1e4, 0.5), 0.5L},
        {"F(2, 2) > 3", f_upper_tail(3.0, 2.0, 2.0), 0.25L},
        {"F(2, 2) <= 3", f_lower_tail(3.0, 2.0, 2.0), 0.75L},
        {"F(2, 2) > 1e300", f_upper_tail(1e300, 2.0, 2.0), 1.0L / (1.0L + 1e300L)},
        {"F(1, 1) > 3", f_upper_tail(3.0, 1.0, 1.0), 2.0L / pi * std::atan(1.0L / std::sqrt(3.0L))},
        {"F(1, 1) > 1e200", f_upper_tail(1e200, 1.0, 1.0), 2.0L / pi * 1e-100L},
        {"F(2, 2) quantile 1e-3", f_upper_quantile(1e-3, 2.0, 2.0), 1.0L / 1e-3L - 1.0L},
    };
    for (const ClosedForm& c : cases) {
        EXPECT_TRUE(within(c.value, c.expected, 1.0, 4.0)) << c.what;
    }
}

// I_x(a, b) = 1 - I_{1-x}(b, a), for x whose complement is exact: the two
// branches of the continued fraction meet.
TEST(IncompleteBeta, ReflectsAcrossTheMean) {
    const double shapes[][2] = {{0.5, 3.0}, {2.5, 2.5}, {9.0, 0.5}, {30.0, 70.0}, {1e3, 8.0}};
    for (const auto& shape : shapes) {
        for (const double x : {0.5, 0.625, 0.75, 0.875, 0.96875}) {
            const double a = shape[0];
            const double b = shape[1];
            const double lower = incomplete_beta(a, b, x);
            const double mirrored = incomplete_beta_complement(b, a, 1.0 - x);
            EXPECT_NEAR(lower, mirrored, 4.0 * DBL_EPSILON * lower) << a << " " << b << " " << x;
        }
    }
}

// With d2 -> infinity, d1 F tends to chi-square with d1 degrees of freedom:
// P(F > T/k) -> P(chi2_k > T), erfc(sqrt(T/2)) for k = 1 and exp(-T/2) for
// k = 2. At d2 = 1e9 the F tail is heavier by a relative
// (T^2/4 + T/2 + 1) / d2 at most (about T^2 / (4 d2) for large T, from
// mpmath), far above the functions' rounding.
TEST(FUpperTail, TendsToChiSquareForLargeD2) {
    const double d2 = 1e9;
    for (const double t : {0.01, 0.5, 1.0, 3.84, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0}) {
        const double bound = 1.01 * (t * t / 4.0 + t / 2.0 + 1.0) / d2;
        const double chi1 = std::erfc(std::sqrt(t / 2.0));
        const double chi2 = std::exp(-t / 2.0);
        const double excess1 = (f_upper_tail(t, 1.0, d2) - chi1) / chi1;
        const double excess2 = (f_upper_tail(t / 2.0, 2.0, d2) - chi2) / chi2;
        EXPECT_GE(excess1, -1e-14) << t;
        EXPECT_LE(excess1, bound) << t;
        EXPECT_GE(excess2, -1e-14) << t;
        EXPECT_LE(excess2, bound) << t;
    }
}

// |d ln P / d ln f| at f, by a central difference: the scale of the
// round trips' tolerances.
double tail_condition(double f, double d1, double d2) {
    const double h = 1e-6;
    const double above = std::log(f_upper_tail(f * (1.0 + h), d1, d2));
    const double below = std::log(f_upper_tail(f * (1.0 - h), d1, d2));
    return std::fabs(above - below) / (2.0 * h);
}

// quantile(tail(f)) = f within the rounding of the tail, magnified by the
// quantile's condition 1 / cond; tail(quantile(p)) = p within the rounding
// of the quantile, magnified by cond.
TEST(FUpperQuantile, InvertsTheUpperTail) {
    for (const double d1 : {1.0, 2.0, 3.5}) {
        for (const double d2 : {1.0, 2.5, 7.0, 118.0, 1e4, 1e6}) {
            for (const double f : {1e-6, 0.01, 0.5, 1.0, 3.0, 10.0, 100.0, 1e4, 1e8}) {
                const double p = f_upper_tail(f, d1, d2);
                if (!(p >= DBL_MIN)) {
                    continue;
                }
                const double condition = tail_condition(f, d1, d2);
                EXPECT_TRUE(within(f_upper_quantile(p, d1, d2), f, 1.0 / condition, 8.0))
                    << d1 << " " << d2 << " " << f;
            }
            for (const double p : {1e-300, 1e-100, 1e-20, 1e-6, 0.01, 0.3, 0.5, 0.7, 0.99}) {
                const double f = f_upper_quantile(p, d1, d2);
                if (!(f > 0.0 && f < DBL_MAX)) {
                    continue;
                }
                EXPECT_TRUE(within(f_upper_tail(f, d1, d2), p, tail_condition(f, d1, d2), 8.0))
                    << d1 << " " << d2 << " " << p;
            }
        }
    }
}

// Beyond the doubles: P(F(1, 1) > f) ~ (2/pi) f^(-1/2), so the quantile of
// 1e-300 is near 4e599; P(F(0.01, 10) <= f) ~ f^0.005, so the quantile of
// 1 - 1e-6 is near 1e-1200.
TEST(FUpperQuantile, ClampsToTheEndsOfTheDoubles) {
    EXPECT_EQ(f_upper_quantile(1e-300, 1.0, 1.0), INF);
    EXPECT_EQ(f_upper_quantile(1e-200, 0.5, 0.5), INF);
    EXPECT_EQ(f_upper_quantile(1.0 - 1e-6, 0.01, 10.0), 0.0);
}

struct EndCase {
    const char* what;
    double value;
    double expected;
};

// The ends of the arguments' ranges give the distributions' limits exactly.
TEST(Ends, GiveTheLimits) {
    const std::vector<EndCase> cases = {
        {"I_0", incomplete_beta(2.0, 3.0, 0.0), 0.0},
        {"I_1", incomplete_beta(2.0, 3.0, 1.0), 1.0},
        {"1 - I_0", incomplete_beta_complement(2.0, 3.0, 0.0), 1.0},
        {"1 - I_1", incomplete_beta_complement(2.0, 3.0, 1.0), 0.0},
        {"P(F > 0)", f_upper_tail(0.0, 1.0, 10.0), 1.0},
        {"P(F > -1)", f_upper_tail(-1.0, 1.0, 10.0), 1.0},
        {"P(F > inf)", f_upper_tail(INF, 1.0, 10.0), 0.0},
        {"P(F <= 0)", f_lower_tail(0.0, 1.0, 10.0), 0.0},
        {"P(F <= -inf)", f_lower_tail(-INF, 1.0, 10.0), 0.0},
        {"P(F <= inf)", f_lower_tail(INF, 1.0, 10.0), 1.0},
        {"LOD of 0", lod_of_f(0.0, 1, 100), 0.0},
        {"LOD of inf", lod_of_f(INF, 2, 100), INF},
        {"F of LOD 0", f_of_lod(0.0, 1, 100), 0.0},
        {"F of LOD inf", f_of_lod(INF, 1, 100), INF},
        {"F of LOD 1e6", f_of_lod(1e6, 1, 100), INF},
    };
    for (const EndCase& c : cases) {
        EXPECT_EQ(c.value, c.expected) << c.what;
    }
}

// Over shapes from 1e-300 to 1e9 and arguments from 0 to 1: never a NaN, both
// tails in [0, 1] and summing to 1, the lower tail non-decreasing in x (up to
// its rounding, absolute where a tiny shape leaves only absolute accuracy).
TEST(IncompleteBeta, WellDefinedOverTheWholeDomain) {
    const double shapes[] = {1e-300, 1e-5, 0.5, 1.0, 7.999, 8.0, 50.0, 1e5, 1e9};
    const double xs[] = {0.0, 1e-300, 1e-20, 1e-5, 0.01, 0.3, 0.5, 0.7, 0.99, 1.0 - 1e-10, 1.0};
    for (const double a : shapes) {
        for (const double b : shapes) {
            double previous = 0.0;
            for (const double x : xs) {
                const double lower = incomplete_beta(a, b, x);
                const double upper = incomplete_beta_complement(a, b, x);
                ASSERT_TRUE(lower >= 0.0 && lower <= 1.0) << a << " " << b << " " << x;
                ASSERT_TRUE(upper >= 0.0 && upper <= 1.0) << a << " " << b << " " << x;
                EXPECT_NEAR(lower + upper, 1.0, 2.0 * DBL_EPSILON) << a << " " << b << " " << x;
                EXPECT_GE(lower, previous * (1.0 - 4.0 * DBL_EPSILON) - DBL_EPSILON)
                    << a << " " << b << " " << x;
                previous = lower;
            }
        }
    }
}

// Over degrees of freedom from 0.5 to 1e9 and levels from 1e-300 to
// 1 - 2^-40: a quantile that is a number (or +infinity), whose upper tail is
// within a relative 1e-9 of f of the level.
TEST(FUpperQuantile, WellDefinedOverTheWholeDomain) {
    const double degrees[] = {0.5, 1.0, 2.0, 30.0, 1e6, 1e9};
    const double levels[] = {1e-300, 1e-30, 1e-5, 0.3, 0.5, 0.9, 1.0 - 0x1p-40};
    for (const double d1 : degrees) {
        for (const double d2 : degrees) {
            for (const double p : levels) {
                const double f = f_upper_quantile(p, d1, d2);
                ASSERT_TRUE(f > 0.0) << d1 << " " << d2 << " " << p;
                if (f == INF) {
                    EXPECT_GE(f_upper_tail(DBL_MAX, d1, d2), p) << d1 << " " << d2 << " " << p;
                    continue;
                }
                EXPECT_GE(f_upper_tail(f * (1.0 - 1e-9), d1, d2), p) << d1 << " " << d2 << " " << p;
                EXPECT_LE(f_upper_tail(f * (1.0 + 1e-9), d1, d2), p) << d1 << " " << d2 << " " << p;
            }
        }
    }
}

}  // namespace
