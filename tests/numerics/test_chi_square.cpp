// Chi-square distribution function, and its quantile by AS 91.
#include "numerics_testing.h"

namespace {

using namespace Numerics_1_1;
using namespace numerics_testing;

// Quantiles from mpmath: bisection on ln P(v/2, x/2) = ln p at 50 digits.
struct QuantileCase {
    double p, v, expected, tolerance;
};
const QuantileCase quantile_cases[] = {
    // start A, small chi-square, then refined
    {0.05, 1.0, 3.932140000019523168437354e-3, TOL_SERIES},
    {0.01, 0.5, 1.349939585911693650661506e-8, TOL_SERIES},
    // start A below 5e-7, returned unrefined
    {1e-10, 1.0, 1.57079632679489673369467e-20, TOL_UNREFINED},
    {1e-5, 1.5, 3.850260571318607393124182e-7, TOL_UNREFINED},
    {0.5, 0.1, 1.114775688149249504435471e-6, TOL_SERIES},
    // start B, v < 0.32
    {0.95, 0.1, 0.5318646048516819979332661, TOL_SERIES},
    {0.999, 0.05, 4.35200393002810545434383, TOL_SERIES},
    {0.95, 0.31, 1.695128555580920680380383, TOL_SERIES},
    // start C, Wilson-Hilferty; v = 0.32 is not below 0.32
    {0.95, 0.32, 1.738339191740596496585768, TOL_SERIES},
    {0.95, 1.0, 3.841458820694124469101699, TOL_AS111},
    {0.99, 1.0, 6.634896601021213556253498, TOL_AS111},
    {0.5, 2.0, 1.386294361119890618834464, TOL_AS111},
    {0.95, 10.0, 18.30703805327514400312434, TOL_AS111},
    {0.5, 30.0, 29.33603151666158593323303, TOL_AS111},
    {0.001, 100.0, 61.91793920693662319183756, TOL_AS111},
    {0.999, 100.0, 149.4492527790387063738282, TOL_AS111},
    {0.5, 400.0, 399.3335312249313497437385, TOL_AS111},
    // start C above 2.2 v + 6, replaced; 0.999955 is the threshold search's call
    {0.999955, 1.0, 16.64790425242407860466445, TOL_AS111},
    {0.999999, 3.0, 30.66484970615426832464132, TOL_AS111},
    // start A beyond 302 degrees of freedom, formed in logarithms
    {1e-300, 310.0, 1.358677610382290796433192, TOL_SERIES},
};

TEST(Chisqv, AgainstHighPrecision) {
    for (const QuantileCase& c : quantile_cases) {
        EXPECT_NEAR(chisqv(c.p, c.v), c.expected, c.tolerance * c.expected) << c.p << " " << c.v;
    }
}

// AS 91, with lngamma, gammp and normv, transcribed in Python and evaluated in
// IEEE double in the written order: the results are the same doubles, one row
// per start (A unrefined and refined, B, C, C replaced near p = 1).
TEST(Chisqv, SameDoublesAsTheWrittenOrder) {
    EXPECT_EQ(chisqv(1e-5, 1.5), 3.850260147915054e-07);
    EXPECT_EQ(chisqv(0.05, 1.0), 0.003932140000021117);
    EXPECT_EQ(chisqv(0.95, 0.1), 0.5318646050254007);
    EXPECT_EQ(chisqv(0.95, 0.32), 1.7383391945385642);
    EXPECT_EQ(chisqv(0.95, 1.0), 3.8414588146620807);
    EXPECT_EQ(chisqv(0.5, 400.0), 399.3335316216441);
    EXPECT_EQ(chisqv(0.999955, 1.0), 16.647904251782172);
}

// The unrefined start-A value (p xx exp(xx AA + g))^(1/xx) with AA = 0.6931471806
// (not ln 2) and g the Lanczos lngamma(0.5), evaluated in 50-digit mpmath.
TEST(Chisqv, UnrefinedStartUsesTheStoredConstants) {
    EXPECT_NEAR(chisqv(1e-10, 1.0), 1.570796326857656514920521e-20, TOL_FORMULA * 1.6e-20);
}

// The refinement stops where chisqp gives back p: a stop test that is inverted
// or too coarse would leave a gap here.
TEST(Chisqv, RoundTrip) {
    for (const double v : {0.05, 0.31, 0.32, 1.0, 5.0, 30.0, 300.0}) {
        for (const double p : {1e-3, 0.05, 0.5, 0.9, 0.999, 0.999955}) {
            const double x = chisqv(p, v);
            if (x >= 5e-7) {
                EXPECT_NEAR(chisqp(x, v), p, TOL_LANCZOS * std::fmin(p, 1.0 - p)) << p << " " << v;
            }
        }
    }
}

TEST(Chisqv, EndsOfTheUnitInterval) {
    for (const double v : {0.1, 1.0, 400.0}) {
        EXPECT_EQ(chisqv(1.0, v), INF) << v;
    }
    for (const double v : {1e-300, 0.5, 300.0, 1000.0}) {
        const double x = chisqv(0.0, v);
        EXPECT_EQ(x, 0.0) << v;
        EXPECT_FALSE(std::signbit(x)) << v;
    }
}

// Regression: the Taylor refinement runs 21 passes, not 20 or 22. At p = 1e-300,
// v = 350 it converges slowly from an overshoot and the pass limit ends it; the
// reference is the AS 91 refinement carried out in 50-digit mpmath (20 passes
// give 2.62311, 22 give 2.55777, the true quantile is 2.55464).
TEST(Chisqv, PassLimitReturnsTheTwentyFirstValue) {
    EXPECT_NEAR(chisqv(1e-300, 350.0), 2.585224290783322398864291, 1e-9);
}

TEST(Chisqp, Values) {
    EXPECT_NEAR(chisqp(3.841458820694124, 1.0), 0.9499999999999999425646303, TOL_SERIES);
    EXPECT_EQ(chisqp(2.0, 2.0), gammp(1.0, 1.0));
    for (const double x : {0.0, -0.0, -1.0, -INF, NaN}) {
        EXPECT_EQ(chisqp(x, 1.0), 0.0) << x;
    }
}

TEST(ChiSquare, Errors) {
    const char* const p_invalid = "Invalid p parameter";
    const char* const v_invalid = "Invalid v parameter";
    EXPECT_TRUE(raises([] { chisqp(-1.0, 0.0); }, "chisqp", v_invalid));
    EXPECT_TRUE(raises([] { chisqp(1.0, -1.0); }, "chisqp", v_invalid));
    EXPECT_TRUE(raises([] { chisqp(1.0, NaN); }, "chisqp", v_invalid));
    EXPECT_TRUE(raises([] { chisqv(1.5, 1.0); }, "chisqv", p_invalid));
    EXPECT_TRUE(raises([] { chisqv(-0.1, 1.0); }, "chisqv", p_invalid));
    EXPECT_TRUE(raises([] { chisqv(2.0, 0.0); }, "chisqv", p_invalid));
    EXPECT_TRUE(raises([] { chisqv(0.5, 0.0); }, "chisqv", v_invalid));
    EXPECT_TRUE(raises([] { chisqv(1.0, 0.0); }, "chisqv", v_invalid));
    EXPECT_TRUE(raises([] { chisqv(0.5, -2.0); }, "chisqv", v_invalid));
    EXPECT_TRUE(raises([] { chisqv(0.5, NaN); }, "chisqv", v_invalid));
    // A NaN p passes the probability check. Below 0.32 degrees of freedom the
    // Newton start never settles and its pass bound ends it; from 0.32 up the
    // refinement hands the NaN to gammp.
    EXPECT_TRUE(raises([] { chisqv(NaN, 0.1); }, "chisqv", "Start value did not converge"));
    EXPECT_TRUE(raises([] { chisqv(NaN, 0.31); }, "chisqv", "Start value did not converge"));
    EXPECT_TRUE(raises([] { chisqv(NaN, 1.0); }, "gammp", "Invalid arguments"));
    // Errors of gammp pass through: the series near the median for many degrees
    // of freedom, and a refinement step that leaves the range after the
    // logarithmic start above 302 degrees of freedom.
    EXPECT_TRUE(
        raises([] { chisqv(0.5, 1000.0); }, "gser", "a too large, NUMERICS_ITMAX too small"));
    EXPECT_TRUE(raises([] { chisqv(1e-150, 400.0); }, "gammp", "Invalid arguments"));
    EXPECT_TRUE(
        raises([] { chisqp(2001.0, 2000.0); }, "gser", "a too large, NUMERICS_ITMAX too small"));
}

}  // namespace
