// Log-gamma and the regularised incomplete gamma functions.
#include "numerics_testing.h"

namespace {

using namespace Numerics_1_1;
using namespace numerics_testing;

struct Value {
    double x, expected;
};

// ln Gamma(x) from mpmath.loggamma at 50 digits.
const Value lngamma_cases[] = {
    {1e-8, 18.42068073818020888445275},  // near 0: -ln x
    {0.01, 4.599479878042021701580506},
    {0.5, 0.5723649429247000870717137},  // ln sqrt(pi)
    {1.0, 0.0},
    {1.5, -0.1207822376352452223455184},
    {2.0, 0.0},
    {3.7, 1.428072326665388129200498},
    {10.0, 12.80182748008146961120772},  // ln 9!
    {42.97, 117.6594061757314361313021},
    {100.0, 359.134205369575398776044},
    {1000.0, 5905.220423209181211826077},
    {1e6, 1.281550456914761165997697e+7},
};

TEST(Lngamma, AgainstHighPrecision) {
    for (const Value& c : lngamma_cases) {
        EXPECT_TRUE(near_relative_or_absolute(lngamma(c.x), c.expected, TOL_LANCZOS)) << c.x;
    }
}

// The six-term formula with its stored constants, evaluated in 50-digit mpmath:
// lngamma(1) and lngamma(2) are not 0, and the double result matches the
// formula, not ln Gamma.
TEST(Lngamma, IsTheLanczosFormulaWithItsStoredConstants) {
    const Value formula_cases[] = {
        {1.0, -1.253324206362607256062593e-13},
        {2.0, -1.785281371833910352085564e-13},
        {0.5, 0.5723649429246503420384958},
        {10.0, 12.80182748008167362736439},
    };
    for (const Value& c : formula_cases) {
        EXPECT_TRUE(near_relative_or_absolute(lngamma(c.x), c.expected, TOL_FORMULA)) << c.x;
    }
}

// The same formula transcribed in Python and evaluated in IEEE double in the
// written order: the results are the same doubles, to the last bit.
TEST(Lngamma, SameDoublesAsTheWrittenOrder) {
    EXPECT_EQ(lngamma(1.0), -1.2523315717771766e-13);
    EXPECT_EQ(lngamma(2.0), -1.7896795156957523e-13);
    EXPECT_EQ(lngamma(0.5), 0.5723649429246498);
    EXPECT_EQ(lngamma(1.5), -0.12078223763540308);
    EXPECT_EQ(lngamma(10.0), 12.801827480081672);
}

struct IncompleteGammaCase {
    double a, x, p, q, tolerance;
};

// P(a, x) and Q(a, x) from mpmath.gammainc(regularized=True) at 50 digits. The
// tolerance is relative for the function computed directly (P below a + 1, Q
// from a + 1 up) and absolute for its complement.
const IncompleteGammaCase incomplete_gamma_cases[] = {
    // small a
    {0.01, 1e-5, 0.8963367982671972009711932, 0.1036632017328027990288068, TOL_SERIES},
    {0.01, 0.2, 0.9877844094567541910897433, 0.01221559054324580891025672, TOL_SERIES},
    {0.01, 1.01, 0.9978203981517483660553463, 2.179601848251633944653665e-3, TOL_SERIES},
    {0.01, 5.0, 0.9999882464805872491511304, 1.175351941275084886962125e-5, TOL_SERIES},
    {0.1, 0.7318, 0.9621524619816683244852038, 0.03784753801833167551479617, TOL_SERIES},
    {0.1, 1.1, 0.9793992217906597078613425, 0.02060077820934029213865752, TOL_SERIES},
    {0.1, 30.0, 0.999999999999999552323342, 4.476766580012691725563068e-16, TOL_SERIES},
    // a = 1/2, the error functions' case
    {0.5, 1e-6, 1.128378790969236354417859e-3, 0.9988716212090307636455821, TOL_SERIES},
    {0.5, 1.5, 0.9167354833364495981450807, 0.08326451666355040185491932, TOL_SERIES},
    {0.5, 100.0, 1.0, 2.088487583762544757000786e-45, TOL_SERIES},
    // medium a; x = a + 1 goes to the continued fraction
    {1.0, 1.0, 0.6321205588285576784044762, 0.3678794411714423215955238, TOL_SERIES},
    {1.0, 2.0, 0.8646647167633873081060005, 0.1353352832366126918939995, TOL_SERIES},
    {2.5, 2.0, 0.4505840486472197673941689, 0.5494159513527802326058311, TOL_SERIES},
    {2.5, 3.5, 0.7793596920632892092051482, 0.2206403079367107907948518, TOL_SERIES},
    {10.0, 0.5, 1.709670029348903356465476e-10, 0.9999999998290329970651097, TOL_SERIES},
    {10.0, 9.6, 0.4911379398536413689893321, 0.5088620601463586310106679, TOL_SERIES},
    {10.0, 11.0, 0.6594893575343389527188916, 0.3405106424656610472811084, TOL_SERIES},
    {10.0, 40.0, 0.9999999960740677737138118, 3.925932226286188194712801e-9, TOL_SERIES},
    // large a
    {100.0, 50.0, 3.200065324585125293778661e-10, 0.9999999996799934675414875, TOL_SERIES},
    {100.0, 92.2, 0.2213348691669624403953369, 0.7786651308330375596046631, TOL_SERIES},
    {100.0, 100.5, 0.5331713862474466122713369, 0.4668286137525533877286631, TOL_SERIES},
    {100.0, 101.0, 0.5528962934345112457866867, 0.4471037065654887542133133, TOL_SERIES},
    {100.0, 150.0, 0.9999940754596645160841706, 5.924540335483915829411397e-6, TOL_SERIES},
    {300.0, 291.0, 0.3065655222390462874396812, 0.6934344777609537125603188, TOL_SERIES_WIDE},
    {300.0, 301.0, 0.5306533094742561538651015, 0.4693466905257438461348985, TOL_SERIES_WIDE},
    {1000.0, 868.0, 6.420559909253538590406385e-6, 0.9999935794400907464614096, TOL_SERIES_WIDE},
    {1000.0, 1001.0, 0.5168114529297862207501826, 0.4831885470702137792498174, TOL_SERIES_WIDE},
    {1000.0, 1200.0, 0.9999999987118393913718567, 1.288160608628143295197383e-9, TOL_SERIES_WIDE},
};

TEST(IncompleteGamma, AgainstHighPrecision) {
    for (const IncompleteGammaCase& c : incomplete_gamma_cases) {
        const bool series = c.x < c.a + 1.0;
        const double p_tolerance = series ? c.tolerance * c.p : c.tolerance;
        const double q_tolerance = series ? c.tolerance : c.tolerance * c.q;
        EXPECT_NEAR(gammp(c.a, c.x), c.p, p_tolerance) << c.a << " " << c.x;
        EXPECT_NEAR(gammq(c.a, c.x), c.q, q_tolerance) << c.a << " " << c.x;
    }
}

TEST(IncompleteGamma, PPlusQIsOneToRounding) {
    for (const IncompleteGammaCase& c : incomplete_gamma_cases) {
        EXPECT_NEAR(gammp(c.a, c.x) + gammq(c.a, c.x), 1.0, TOL_ROUNDING) << c.a << " " << c.x;
    }
}

// Series and continued fraction transcribed in Python and evaluated in IEEE
// double in the written order: the results are the same doubles.
TEST(IncompleteGamma, SameDoublesAsTheWrittenOrder) {
    EXPECT_EQ(gammp(2.5, 2.0), 0.4505840484820832);
    EXPECT_EQ(gammp(100.0, 100.5), 0.5331713822672939);
    EXPECT_EQ(gammq(1.0, 2.0), 0.13533528323662966);
    EXPECT_EQ(gammq(1000.0, 1001.0), 0.4831885476779519);
}

TEST(IncompleteGamma, ZeroXIsExact) {
    EXPECT_EQ(gammp(0.5, 0.0), 0.0);
    EXPECT_FALSE(std::signbit(gammp(0.5, 0.0)));
    EXPECT_EQ(gammq(0.5, 0.0), 1.0);
    double result = -1.0;
    double log_gamma = 0.0;
    gser(&result, 2.5, -0.0, &log_gamma);
    EXPECT_EQ(result, 0.0);
    EXPECT_FALSE(std::signbit(result));
    EXPECT_EQ(log_gamma, lngamma(2.5));
}

// x < a + 1 takes the series, x = a + 1 the continued fraction, in both entry
// points: their results are exactly those of gser and gcf.
TEST(IncompleteGamma, BranchAtAPlusOne) {
    double series = 0.0;
    double fraction = 0.0;
    double log_gamma = 0.0;
    const double below = std::nextafter(2.0, 0.0);
    gser(&series, 1.0, below, &log_gamma);
    gcf(&fraction, 1.0, 2.0, &log_gamma);
    EXPECT_EQ(gammp(1.0, below), series);
    EXPECT_EQ(gammq(1.0, below), 1.0 - series);
    EXPECT_EQ(gammp(1.0, 2.0), 1.0 - fraction);
    EXPECT_EQ(gammq(1.0, 2.0), fraction);
    gcf(&fraction, 100.0, 101.0, &log_gamma);
    EXPECT_EQ(gammq(100.0, 101.0), fraction);
}

// Regression: the Lentz guard's band is NUMERICS_EPS wide, not NUMERICS_TINY.
// Called directly below a + 1, gcf(4.5, 1.5) meets b = 0 in its first step, so
// c = 3.5 / 2^1022 = 7.8e-308 lies in the band and is replaced by 2^-1022; the
// fraction then runs off to infinity (with a band of 2^-1022 it would give
// 0.9643).
TEST(IncompleteGamma, LentzGuardBandIsNumericsEpsWide) {
    double result = 0.0;
    double log_gamma = 0.0;
    gcf(&result, 4.5, 1.5, &log_gamma);
    EXPECT_EQ(result, INF);
}

// A failed call leaves *result as it was, and *log_gamma written.
TEST(IncompleteGamma, OutParametersOfAFailedCall) {
    double result = -1.0;
    double log_gamma = 0.0;
    EXPECT_TRUE(raises([&] { gser(&result, 3.0, -0.5, &log_gamma); }, "gser", "x less than 0"));
    EXPECT_EQ(result, -1.0);
    EXPECT_EQ(log_gamma, lngamma(3.0));
    EXPECT_TRUE(raises([&] { gcf(&result, 100000.0, 100001.0, &log_gamma); }, "gcf",
                       "a too large, NUMERICS_ITMAX too small"));
    EXPECT_EQ(result, -1.0);
    EXPECT_EQ(log_gamma, lngamma(100000.0));
}

TEST(IncompleteGamma, Errors) {
    double r = 0.0;
    double g = 0.0;
    const char* const invalid = "Invalid arguments";
    const char* const itmax = "a too large, NUMERICS_ITMAX too small";
    EXPECT_TRUE(raises([&] { gser(&r, 1.0, -0.5, &g); }, "gser", "x less than 0"));
    EXPECT_TRUE(raises([&] { gser(&r, 1.0, NaN, &g); }, "gser", "x less than 0"));
    EXPECT_TRUE(raises([] { gammp(1000.0, 1000.5); }, "gser", itmax));
    EXPECT_TRUE(raises([] { gammq(1000.0, 1000.5); }, "gser", itmax));
    EXPECT_TRUE(raises([] { gammq(100000.0, 100001.0); }, "gcf", itmax));
    EXPECT_TRUE(raises([] { gammp(100000.0, 100001.0); }, "gcf", itmax));
    EXPECT_TRUE(raises([] { gammp(0.5, INF); }, "gcf", itmax));
    EXPECT_TRUE(raises([] { gammp(0.0, 1.0); }, "gammp", invalid));
    EXPECT_TRUE(raises([] { gammp(-1.0, 1.0); }, "gammp", invalid));
    EXPECT_TRUE(raises([] { gammp(1.0, -0.5); }, "gammp", invalid));
    EXPECT_TRUE(raises([] { gammp(NaN, 1.0); }, "gammp", invalid));
    EXPECT_TRUE(raises([] { gammp(1.0, NaN); }, "gammp", invalid));
    EXPECT_TRUE(raises([] { gammq(0.0, 1.0); }, "gammq", invalid));
    EXPECT_TRUE(raises([] { gammq(-1.0, 1.0); }, "gammq", invalid));
    EXPECT_TRUE(raises([] { gammq(1.0, -0.5); }, "gammq", invalid));
    EXPECT_TRUE(raises([] { gammq(NaN, 1.0); }, "gammq", invalid));
    EXPECT_TRUE(raises([] { gammq(1.0, NaN); }, "gammq", invalid));
}

}  // namespace
