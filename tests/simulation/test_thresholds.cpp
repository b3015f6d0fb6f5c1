// Thresholds and levels read from the maxima: the quantile and its standard
// error on known samples, the dense map's extrapolation, and the simulated
// thresholds of whole scans against the analytic formula.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "simulation/null_scan.h"
#include "threshold/design.h"
#include "threshold/genetic_map.h"
#include "threshold/units.h"

namespace {

namespace sim = lodthresh::simulation;
using lodthresh::Tail;

// Tolerance of every statistical check in standard errors (two-sided normal
// tail 2e-9 per check).
constexpr double kSigmas = 6.0;
// 2 ln 10: a LOD score's chi-square statistic per unit.
constexpr double kChiSquarePerLod = 2 * 2.302585092994045684;

// A two-sided sample whose LOD scores are 0, 1, ..., n - 1 (shuffled).
sim::Maxima whole_lods(std::size_t n) {
    std::vector<double> statistic(n);
    for (std::size_t i = 0; i < n; ++i) {
        statistic[i] = static_cast<double>((i * 7919) % n) * kChiSquarePerLod;
    }
    return sim::Maxima(Tail::two_sided, statistic);
}

// On the sample 0, 1, ..., N - 1 the quantile at 1 - p is h = (N - 1)(1 - p)
// itself and its standard error sqrt(N p (1 - p)) order statistics.
TEST(SimulatedThreshold, QuantileOfAKnownSample) {
    struct Row {
        double alpha;
        std::size_t n;
    };
    for (const Row& row :
         {Row{1.0, 1000}, Row{0.05, 1000}, Row{0.0101, 1000}, Row{0.001, 20000}, Row{3.0, 101}}) {
        const double p = -std::expm1(-row.alpha);
        const double n = static_cast<double>(row.n);
        const sim::Estimate t = sim::simulated_threshold(whole_lods(row.n), row.alpha);
        ASSERT_TRUE(t.has_value) << row.alpha;
        EXPECT_NEAR(t.value, (n - 1) * (1 - p), 1e-9 * n) << row.alpha;
        EXPECT_NEAR(t.se, std::sqrt(n * p * (1 - p)), 1e-9 * n) << row.alpha;
    }
}

// Fewer than 10 replicates expected above the threshold: missing.
TEST(SimulatedThreshold, MissingBelowTenExpected) {
    struct Row {
        double alpha;
        std::size_t n;
    };
    // p = 1 - exp(-alpha): N p = 9.95, 9.9, 0.999.
    for (const Row& row : {Row{0.01, 1000}, Row{0.001, 9900}, Row{0.001, 999}}) {
        const sim::Estimate t = sim::simulated_threshold(whole_lods(row.n), row.alpha);
        EXPECT_FALSE(t.has_value) << row.alpha << " " << row.n;
        EXPECT_TRUE(std::isnan(t.value));
    }
}

TEST(SimulatedThreshold, OneSidedKeepsTheSign) {
    // max Z of -2 is the LOD score -4 / (2 ln 10): below every positive maximum.
    const sim::Maxima maxima(Tail::one_sided, {-2.0, 1.0, 3.0});
    EXPECT_DOUBLE_EQ(maxima.lod(0), -4 / kChiSquarePerLod);
    EXPECT_DOUBLE_EQ(maxima.lod(1), 1 / kChiSquarePerLod);
    EXPECT_DOUBLE_EQ(maxima.lod(2), 9 / kChiSquarePerLod);
    const sim::Maxima two_df(Tail::two_df, {5.0});
    EXPECT_DOUBLE_EQ(two_df.lod(0), 5 / kChiSquarePerLod);
}

// A maximum's LOD score is the division of the analytic rows,
// lod_of_chi_square, to the last bit, so that a simulated threshold and the
// formula's agree wherever their statistics do. The statistics are ones where
// T times a rounded 1 / (2 ln 10) would be an ulp off the quotient.
TEST(SimulatedThreshold, LodScoresAreTheAnalyticDivision) {
    struct Row {
        Tail tail;
        double statistic;
        double chi_square;
    };
    const Row rows[] = {{Tail::one_sided, 5.0, 25.0},
                        {Tail::one_sided, -5.0, -25.0},
                        {Tail::two_sided, 15.0, 15.0},
                        {Tail::two_sided, 16.3, 16.3},
                        {Tail::two_df, 7.5, 7.5}};
    for (const Row& row : rows) {
        const sim::Maxima maxima(row.tail, {row.statistic}, {row.statistic});
        EXPECT_EQ(maxima.lod(0), lodthresh::lod_of_chi_square(row.chi_square)) << row.statistic;
        EXPECT_EQ(maxima.coarse_lod(0), lodthresh::lod_of_chi_square(row.chi_square))
            << row.statistic;
    }
}

TEST(SimulatedLevel, FractionAboveOfAKnownSample) {
    struct Row {
        double lod;
        double level;
    };
    const sim::Maxima maxima = whole_lods(1000);
    for (const Row& row : {Row{899.5, 0.1}, Row{-1, 1.0}, Row{999, 0.0}, Row{0, 0.999}}) {
        const sim::Estimate level = sim::simulated_level(maxima, row.lod);
        ASSERT_TRUE(level.has_value);
        EXPECT_NEAR(level.value, row.level, 1e-12) << row.lod;
        EXPECT_NEAR(level.se, std::sqrt(row.level * (1 - row.level) / 1000), 1e-12) << row.lod;
    }
}

// The dense map's sample: grid maxima i + 1/2 and subgrid maxima i (LOD). The
// extrapolated quantile is 2 (h + 1/2) - h = h + 1; the two quantiles'
// exceedances nearly coincide, so the standard error is that of one quantile,
// sqrt(4 + 1 - 4) times it.
TEST(SimulatedThreshold, DenseExtrapolationOfAKnownSample) {
    constexpr std::size_t kN = 10000;
    std::vector<double> fine(kN);
    std::vector<double> coarse(kN);
    for (std::size_t i = 0; i < kN; ++i) {
        const double lod = static_cast<double>((i * 7919) % kN);
        fine[i] = (lod + 0.5) * kChiSquarePerLod;
        coarse[i] = lod * kChiSquarePerLod;
    }
    const sim::Maxima maxima(Tail::two_sided, fine, coarse);
    ASSERT_TRUE(maxima.dense());
    const double p = -std::expm1(-0.05);
    const double h = (kN - 1) * (1 - p);
    const double se = std::sqrt(kN * p * (1 - p));
    const sim::Estimate t = sim::simulated_threshold(maxima, 0.05);
    ASSERT_TRUE(t.has_value);
    EXPECT_NEAR(t.value, h + 1, 1e-9 * kN);
    EXPECT_NEAR(t.se, se, 0.01 * se);
    // The level: 2 P(grid) - P(subgrid) per replicate, 2 * 0.1 - 0.1.
    const sim::Estimate level = sim::simulated_level(maxima, kN - 1000 - 0.25);
    EXPECT_NEAR(level.value, 0.1, 1e-12);
    // y is 1 where both exceed (10 %), else 0: its variance is 0.1 * 0.9.
    EXPECT_NEAR(level.se, std::sqrt(0.1 * 0.9 / (kN - 1)), 1e-12);
}

TEST(SimulatedThreshold, Errors) {
    const sim::Maxima maxima = whole_lods(100);
    for (double alpha : {0.0, -1.0, std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(sim::simulated_threshold(maxima, alpha), std::invalid_argument) << alpha;
    }
    EXPECT_THROW(sim::simulated_threshold(sim::Maxima(), 0.05), std::invalid_argument);
    EXPECT_THROW(sim::simulated_level(sim::Maxima(), 3.0), std::invalid_argument);
    EXPECT_THROW(sim::simulated_level(maxima, std::numeric_limits<double>::quiet_NaN()),
                 std::invalid_argument);
    EXPECT_THROW(sim::Maxima(Tail::two_sided, {1.0, 2.0}, {1.0}), std::invalid_argument);
}

// The map of tools/analytic_thresholds.py's test_map(): 20 chromosomes, 12 to
// 30 markers each, spaced 0.5 + (7 (j + c) mod 20) cM apart.
lodthresh::GeneticMap test_map() {
    lodthresh::GeneticMap map;
    for (int c = 0; c < 20; ++c) {
        const int markers = 12 + (c * 7) % 19;
        std::vector<double> positions{0.0};
        for (int j = 1; j < markers; ++j) {
            positions.push_back(positions.back() + (0.5 + (7 * (j + c)) % 20) / 100);
        }
        map.chromosomes.push_back({std::to_string(c + 1), positions});
    }
    return map;
}

// Simulated against analytic thresholds at alpha = 0.05, 10^5 replicates. The
// analytic values solve alpha = [C + 2 rho T sum_k L_k nu(sqrt(4 rho d_k T))]
// alpha_T at the intervals simulated, from tools/analytic_thresholds.py
// (`tests`, mpmath with 20 digits). The formula is good to about 0.05 LOD for
// 1-df statistics; for 2 df it is conservative, 0 to 0.08 LOD above.
TEST(SimulatedThreshold, AgreesWithTheAnalyticFormula) {
    struct Row {
        const char* name;
        sim::NullScan scan;
        double analytic;
    };
    const Row rows[] = {
        {"human sibs 1 cM", sim::even_null_scan(33, 23, 1, Tail::one_sided, 2), 3.3219127660172125},
        {"human sibs 10 cM", sim::even_null_scan(33, 23, 10, Tail::one_sided, 2),
         2.829170822832336},
        {"mouse backcross 1 cM", sim::even_null_scan(16, 20, 1, Tail::two_sided, 1),
         3.096917510980945},
        {"mouse backcross 10 cM", sim::even_null_scan(16, 20, 10, Tail::two_sided, 1),
         2.7478893308909869},
        {"mouse intercross 1 cM", sim::even_null_scan(16, 20, 1, Tail::two_df, 1.5),
         4.0010778364707908},
        {"mouse intercross 10 cM", sim::even_null_scan(16, 20, 10, Tail::two_df, 1.5),
         3.5039841280039838},
        {"map, one-sided", sim::map_null_scan(test_map(), Tail::one_sided, 2), 2.8353893426218177},
        {"map, two-sided", sim::map_null_scan(test_map(), Tail::two_sided, 1), 3.0480797794487833},
        {"map, 2 df", sim::map_null_scan(test_map(), Tail::two_df, 1.5), 3.8219297461184314},
    };
    constexpr double kFormulaAccuracy = 0.05;
    constexpr double kTwoDfConservative = 0.08;
    sim::Control control;
    control.threads = 2;
    for (const Row& row : rows) {
        sim::Maxima maxima;
        ASSERT_TRUE(sim::simulate(row.scan, 100000, control, maxima));
        const sim::Estimate t = sim::simulated_threshold(maxima, 0.05);
        ASSERT_TRUE(t.has_value);
        if (row.scan.tail == Tail::two_df) {
            EXPECT_GE(row.analytic - t.value, -kSigmas * t.se) << row.name;
            EXPECT_LE(row.analytic - t.value, kTwoDfConservative + kSigmas * t.se) << row.name;
        } else {
            EXPECT_NEAR(t.value, row.analytic, kFormulaAccuracy + kSigmas * t.se) << row.name;
        }
        // The level of the analytic threshold is near 1 - exp(-0.05) likewise.
        const sim::Estimate level = sim::simulated_level(maxima, row.analytic);
        EXPECT_GT(level.value, 0.02) << row.name;
        EXPECT_LT(level.value, 0.08) << row.name;
    }
}

// The mpmath references of the table above are the threshold library's own
// formula at the intervals simulated (design_threshold), to its accuracy.
TEST(SimulatedThreshold, ReferencesAreTheLibraryFormula) {
    struct Row {
        double length, chromosomes, spacing_cm;
        Tail tail;
        double rate, analytic;
    };
    const Row rows[] = {
        {33, 23, 1, Tail::one_sided, 2, 3.3219127660172125},
        {33, 23, 10, Tail::one_sided, 2, 2.829170822832336},
        {16, 20, 1, Tail::two_sided, 1, 3.096917510980945},
        {16, 20, 10, Tail::two_sided, 1, 2.7478893308909869},
        {16, 20, 1, Tail::two_df, 1.5, 4.0010778364707908},
        {16, 20, 10, Tail::two_df, 1.5, 3.5039841280039838},
        {4, 1, 0, Tail::one_sided, 1, 2.2871246092170385},
    };
    for (const Row& row : rows) {
        // The spacing simulated: ceil(100 L / s) equal intervals per chromosome.
        const sim::NullScan scan =
            sim::even_null_scan(row.length, row.chromosomes, row.spacing_cm, row.tail, row.rate);
        const double spacing = scan.dense ? 0.0 : scan.chromosomes[0][0];
        const lodthresh::Scan analytic = lodthresh::even_scan(row.length, row.chromosomes, spacing);
        EXPECT_NEAR(lodthresh::design_threshold(analytic, row.tail, row.rate, 0.05).lod,
                    row.analytic, 1e-8)
            << row.length << " " << row.spacing_cm;
    }
    const struct {
        Tail tail;
        double rate, analytic;
    } maps[] = {{Tail::one_sided, 2, 2.8353893426218177},
                {Tail::two_sided, 1, 3.0480797794487833},
                {Tail::two_df, 1.5, 3.8219297461184314}};
    for (const auto& row : maps) {
        EXPECT_NEAR(
            lodthresh::design_threshold(lodthresh::map_scan(test_map()), row.tail, row.rate, 0.05)
                .lod,
            row.analytic, 1e-8);
    }
}

// The dense map's extrapolated threshold lies above its grid's (which falls
// short of the continuum by about 0.6 sqrt(4 rho delta T) on the sqrt(T)
// scale) and within the formula's accuracy of the analytic dense threshold
// (nu = 1, from tools/analytic_thresholds.py: G = 4, C = 1, rho = 1, alpha =
// 0.05); halving the grid's step moves it by no more than its error.
TEST(SimulatedThreshold, DenseMapBetweenGridAndFormula) {
    constexpr double kAnalyticDense = 2.2871246092170385;
    constexpr double kFormulaAccuracy = 0.05;
    sim::Control control;
    control.threads = 2;
    sim::Maxima maxima;
    ASSERT_TRUE(
        sim::simulate(sim::even_null_scan(4, 1, 0, Tail::one_sided, 1), 20000, control, maxima));
    const sim::Estimate dense = sim::simulated_threshold(maxima, 0.05);
    const sim::Estimate grid =
        sim::simulated_threshold(sim::Maxima(Tail::one_sided, maxima.statistic()), 0.05);
    ASSERT_TRUE(dense.has_value && grid.has_value);
    EXPECT_GT(dense.value, grid.value);
    EXPECT_NEAR(dense.value, kAnalyticDense, kFormulaAccuracy + kSigmas * dense.se);

    sim::Maxima halved;
    control.seed = 7;
    ASSERT_TRUE(sim::simulate(sim::dense_null_scan(4, 1, Tail::one_sided, 1, sim::kDenseGrid / 2),
                              20000, control, halved));
    const sim::Estimate finer = sim::simulated_threshold(halved, 0.05);
    EXPECT_NEAR(finer.value, dense.value,
                kSigmas * std::sqrt(finer.se * finer.se + dense.se * dense.se));
}

}  // namespace
