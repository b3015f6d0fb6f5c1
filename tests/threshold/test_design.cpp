// Designs at marker spacings: Siegmund's nu against 30-digit mpmath values
// (tools/nu_references.py), thresholds against mpmath solutions
// (tools/design_references.py), the dense map against the exact method, and
// published thresholds to their printed digits.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/tsv.h"
#include "threshold/design.h"
#include "threshold/threshold.h"

namespace lodthresh {
namespace {

double relative_error(double value, long double reference) {
    return static_cast<double>(std::fabs((value - reference) / reference));
}

const Design& design(const char* name) {
    const Design* found = find_design(name);
    EXPECT_NE(found, nullptr) << name;
    return *found;
}

// The header claims 3e-16; 1e-15 leaves room for another C library's erfc.
TEST(Nu, AgreesWithMpmathReferencesFrom1e6To100) {
    const auto rows = testing::read_tsv(LODTHRESH_NU_REFERENCES);
    ASSERT_GE(rows.size(), 38u);
    for (const auto& row : rows) {
        const double x = std::stod(row[0]);
        EXPECT_LE(relative_error(nu(x), std::stold(row[1])), 1e-15) << "x = " << row[0];
    }
}

TEST(Nu, LimitsAndDomain) {
    EXPECT_EQ(nu(0.0), 1.0);
    // Near 0, nu(x) = exp(-rho_0 x + O(x^3)) with rho_0 = -zeta(1/2)/sqrt(2 pi).
    const double rho0 = 0.58259715793901067;
    EXPECT_NEAR(nu(1e-9), std::exp(-rho0 * 1e-9), 1e-17);
    // For large x, nu(x) ~ 2 / x^2.
    for (const double x : {100.0, 1e3, 1e10, 1e150}) {
        EXPECT_NEAR(nu(x) * x * x / 2.0, 1.0, 4 * DBL_EPSILON) << x;
    }
    // Beyond x^2's range nu is subnormal: 2e-310 keeps some 13 digits.
    EXPECT_NEAR(nu(1e155) * 1e155 / 2.0 * 1e155, 1.0, 1e-12);
    EXPECT_EQ(nu(std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_TRUE(std::isnan(nu(-1e-300)));
    EXPECT_TRUE(std::isnan(nu(std::numeric_limits<double>::quiet_NaN())));
}

// The two methods meet at x = 5; nu falls everywhere.
TEST(Nu, FallsAndIsContinuousWhereItsMethodsMeet) {
    EXPECT_LE(relative_error(nu(std::nextafter(5.0, 6.0)), nu(5.0)), 4 * DBL_EPSILON);
    double previous = 1.0;
    for (double x = 0.01; x < 30.0; x *= 1.05) {
        const double value = nu(x);
        EXPECT_LT(value, previous) << x;
        previous = value;
    }
}

TEST(PointwiseLevel, EachTailAtKnownPoints) {
    // Q(1.959963984540054) = 0.025; P(chi2_2 > T) = exp(-T/2).
    const double z = 1.959963984540054;
    EXPECT_NEAR(pointwise_level(Tail::one_sided, z * z), 0.025, 1e-16);
    EXPECT_NEAR(pointwise_level(Tail::two_sided, z * z), 0.05, 1e-16);
    EXPECT_EQ(pointwise_level(Tail::two_df, 2.0), std::exp(-1.0));
}

TEST(DesignThreshold, AgreesWithMpmathSolutionsAtMarkerSpacings) {
    const auto rows = testing::read_tsv(LODTHRESH_DESIGN_REFERENCES);
    ASSERT_GE(rows.size(), 10u);
    for (const auto& row : rows) {
        const Tail tail = row[0] == "one-sided"   ? Tail::one_sided
                          : row[0] == "two-sided" ? Tail::two_sided
                                                  : Tail::two_df;
        const DesignThreshold result = design_threshold(
            even_scan(std::stod(row[2]), std::stod(row[3]), std::stod(row[4]) / 100.0), tail,
            std::stod(row[1]), std::stod(row[5]));
        EXPECT_LE(relative_error(result.nominal_alpha, std::stold(row[6])), 1e-13)
            << row[0] << " " << row[4] << " cM";
        EXPECT_LE(relative_error(result.lod, std::stold(row[7])), 1e-14)
            << row[0] << " " << row[4] << " cM";
    }
}

// Lander and Kruglyak (1995), table 2, and Siegmund and Yakir (2007), ch. 5:
// each LOD rounded to the digits printed.
TEST(DesignThreshold, ReproducesPublishedThresholds) {
    const struct {
        const char* design;
        double length, chromosomes, spacing_cm, alpha;
        double printed;
        double half_unit;  // half a unit of the last printed digit
    } cases[] = {
        {"sibs", 33, 23, 0, 1, 2.2, 0.05},
        {"sibs", 33, 23, 0, 0.05, 3.6, 0.05},
        {"sibs", 33, 23, 0, 0.001, 5.4, 0.05},
        {"lod-score", 33, 23, 0, 1, 1.9, 0.05},
        {"lod-score", 33, 23, 0, 0.05, 3.3, 0.05},
        {"backcross", 16, 20, 0, 1, 1.9, 0.05},
        {"backcross", 16, 20, 0, 0.05, 3.3, 0.05},
        {"intercross", 16, 20, 0, 1, 2.8, 0.05},
        {"intercross", 16, 20, 0, 0.05, 4.3, 0.05},
        // Siegmund and Yakir: 1600 cM on 20 chromosomes, markers every 10 cM.
        // Their 2.75-2.76: to two decimals, at most one unit off.
        {"backcross", 16, 20, 10, 0.05, 2.755, 0.01},
    };
    for (const auto& c : cases) {
        const Design& d = design(c.design);
        const DesignThreshold result = design_threshold(
            even_scan(c.length, c.chromosomes, c.spacing_cm / 100.0), d.tail, d.rate, c.alpha);
        EXPECT_NEAR(result.lod, c.printed, c.half_unit)
            << c.design << " at " << c.alpha << ", " << c.spacing_cm << " cM";
    }
}

TEST(DesignThreshold, SparserMarkersAndOneSidedTestsLowerTheThreshold) {
    const Design& backcross = design("backcross");
    double previous = std::numeric_limits<double>::infinity();
    for (const double spacing_cm : {0.0, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0}) {
        const double lod =
            design_threshold(even_scan(16, 20, spacing_cm / 100.0), backcross.tail, 1.0, 0.05).lod;
        EXPECT_LT(lod, previous) << spacing_cm;
        previous = lod;
    }
    EXPECT_GT(design_threshold(even_scan(16, 20, 0.0), Tail::two_sided, 1.0, 0.05).lod,
              design_threshold(even_scan(16, 20, 0.0), Tail::one_sided, 1.0, 0.05).lod);
}

// A short genome at a level near 1/2: the level falls from C/2 at T = 0, rises
// to a hump below T = 2 and falls again, and the threshold is the largest
// crossing (references: tools/exact_references.py, 40 digits). Just below
// the hump's top the level is met only within about 1e-6 of it, between two
// points of the solver's grid.
TEST(DesignThreshold, ShortGenomeGivesTheLargestCrossing) {
    struct Case {
        double alpha;
        const char* nominal;
        double tolerance;  // relative; the top's crossing is ill-conditioned
    };
    for (const Case& c : {Case{0.48, "0.1718288475094295820655296", 4e-15},
                          Case{0.48334094812056982578, "0.20179089987176673511", 1e-9}}) {
        const DesignThreshold result =
            design_threshold(even_scan(0.5, 1, 0.0), Tail::one_sided, 2.0, c.alpha);
        EXPECT_LE(relative_error(result.nominal_alpha, std::stold(c.nominal)), c.tolerance)
            << c.alpha;
    }
}

TEST(DesignThreshold, NoSolutionAndBadArguments) {
    // One short chromosome never expects a false positive per scan.
    EXPECT_THROW(design_threshold(even_scan(0.5, 1, 0.0), Tail::one_sided, 2.0, 1.0), NoSolution);
    EXPECT_THROW(design_threshold(even_scan(1e300, 1, 0.0), Tail::two_df, 1e10, 1e-300),
                 NominalLevelOutOfRange);
    // 2 rho itself beyond the doubles: the level's factor is taken in logarithms,
    // and the threshold is past T = 1500 (this once never ended).
    for (const Tail tail : {Tail::one_sided, Tail::two_sided, Tail::two_df}) {
        EXPECT_THROW(design_threshold(even_scan(33, 23, 0.0), tail, 1e308, 0.05),
                     NominalLevelOutOfRange);
        EXPECT_THROW(design_threshold(even_scan(1e308, 1e308, 0.0), tail, 1e308, 0.9),
                     NominalLevelOutOfRange);
    }
    EXPECT_THROW(design_threshold(even_scan(33, 23, 0.01), Tail::one_sided, 1e308, 0.05),
                 std::invalid_argument);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Scan bad_scans[] = {even_scan(33, 0.5, 0.0), even_scan(-1, 23, 0.0),
                              even_scan(33, 23, -0.01), even_scan(nan, 23, 0.0)};
    for (const Scan& scan : bad_scans) {
        EXPECT_THROW(design_threshold(scan, Tail::one_sided, 2.0, 0.05), std::invalid_argument);
    }
    for (const double rate : {0.0, -1.0, nan}) {
        EXPECT_THROW(design_threshold(even_scan(33, 23, 0.0), Tail::one_sided, rate, 0.05),
                     std::invalid_argument);
    }
    for (const double alpha : {0.0, nan, std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(design_threshold(even_scan(33, 23, 0.0), Tail::one_sided, 2.0, alpha),
                     std::invalid_argument);
    }
}

TEST(Designs, NamesTailsAndRatesOfTheTable) {
    const struct {
        const char* name;
        Tail tail;
        double rate;
    } expected[] = {
        {"lod-score", Tail::one_sided, 1},
        {"sibs", Tail::one_sided, 2},
        {"grandparent-grandchild", Tail::one_sided, 1},
        {"uncle-nephew", Tail::one_sided, 2.5},
        {"first-cousin", Tail::one_sided, 2.67},
        {"first-cousin-once-removed", Tail::one_sided, 2.86},
        {"second-cousin", Tail::one_sided, 3.2},
        {"backcross", Tail::two_sided, 1},
        {"doubled-haploid", Tail::two_sided, 1},
        {"intercross", Tail::two_df, 1.5},
        {"intercross-additive", Tail::two_sided, 1},
        {"intercross-dominance", Tail::two_sided, 2},
        {"ril-selfing", Tail::two_sided, 2},
        {"ril-sibmating", Tail::two_sided, 4},
    };
    ASSERT_EQ(designs().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_STREQ(designs()[i].name, expected[i].name);
        EXPECT_EQ(designs()[i].tail, expected[i].tail) << expected[i].name;
        EXPECT_EQ(designs()[i].rate, expected[i].rate) << expected[i].name;
        EXPECT_EQ(find_design(expected[i].name), &designs()[i]);
    }
    EXPECT_EQ(find_design("Backcross"), nullptr);
    EXPECT_STREQ(tail_name(Tail::two_df), "2df");
}

// lambda(T) at a threshold is the level it was solved for, on even scans and
// scans of several spacings, for each tail; at T = 0 it is C alpha_0.
TEST(ExpectedPeaks, IsTheLevelAtTheThresholdAndCAtZero) {
    const Scan mixed{20, {Stretch{10, 0.0}, Stretch{4, 0.05}, Stretch{2, 0.2}}};
    for (const Scan& scan : {even_scan(33, 23, 0.0), even_scan(16, 20, 0.1), mixed}) {
        for (const Tail tail : {Tail::one_sided, Tail::two_sided, Tail::two_df}) {
            for (const double alpha : {1e-6, 0.05, 0.63}) {
                const DesignThreshold threshold = design_threshold(scan, tail, 1.5, alpha);
                const double t = 2 * std::log(10.0) * threshold.lod;
                EXPECT_LE(relative_error(expected_peaks(scan, tail, 1.5, t), alpha), 1e-13)
                    << tail_name(tail) << " " << alpha;
            }
            const double at_zero = tail == Tail::one_sided ? 0.5 : 1.0;
            EXPECT_EQ(expected_peaks(scan, tail, 1.5, 0.0), scan.chromosomes * at_zero);
        }
    }
    // 2 rho G T beyond the doubles: the level is still a number.
    EXPECT_GT(expected_peaks(even_scan(1e300, 1, 0.0), Tail::two_df, 1e10, 100.0), 1e280);
    for (const double t : {-1.0, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(expected_peaks(even_scan(33, 23, 0.0), Tail::one_sided, 2.0, t),
                     std::invalid_argument);
    }
}

}  // namespace
}  // namespace lodthresh
